// The guard around every call into a model plugin: a frame with its own exception handler between the program
// and the plugin, which takes the faults the plugin did not handle itself and resumes in that frame.
#include "plugins/plugin_guard.h"

#include <cstring>

#include "plugins/model_filters.h"
#include "shell/wide_paths.h"
#include "uv/grid.h"

// One call through the guard: the function, up to two arguments passed in the first two argument registers
// (every export takes at most two, each a pointer, an int or a float), the result register, and the exception
// that ended the call when it faulted. The offsets are known to the trampoline below.
struct GuardedCall {
    const void *function;
    uintptr_t first;
    uintptr_t second;
    uintptr_t result;
    DWORD exceptionCode;
    // The function is the program's own, reading what a plugin returned on the plugin's behalf: a fault in it is
    // a bad pointer of the plugin's, not a fault of the program.
    bool readsForPlugin;
    // The first argument is a float, its bits in the low half of `first` (sk_setframe).
    bool floatFirst;
};

// C++ exceptions of GCC's runtime travel as structured exceptions with these codes ("GCC" plus a kind).
enum : DWORD { GCC_EXCEPTION_MASK = 0xDFFFFFFF, GCC_EXCEPTION = 0x00474343 };

#if defined(_MSC_VER)

extern "C" int guardPluginCall(GuardedCall *call);

static int faultFilter(GuardedCall *call, DWORD code)
{
    call->exceptionCode = code;
    return EXCEPTION_EXECUTE_HANDLER;
}

extern "C" int guardPluginCall(GuardedCall *call)
{
    typedef uintptr_t (*TwoArguments)(uintptr_t, uintptr_t);
    typedef void (*FloatArgument)(float);
    __try {
        if (call->floatFirst) {
            float value;
            uint32_t bits = static_cast<uint32_t>(call->first);
            std::memcpy(&value, &bits, sizeof value);
            reinterpret_cast<FloatArgument>(const_cast<void *>(call->function))(value);
            return 0;
        }
        call->result = reinterpret_cast<TwoArguments>(const_cast<void *>(call->function))(call->first, call->second);
        return 0;
    } __except (faultFilter(call, GetExceptionCode())) {
        return 1;
    }
}

#elif defined(__GNUC__) && defined(__x86_64__)

// GCC has no __try. The trampoline below is a frame that names its own handler in its unwind information
// (.seh_handler ... @except), so the system asks it about every exception raised below it that no deeper frame
// handled. It keeps every callee-saved register, xmm6-xmm15 and the floating-point control words in its frame,
// calls the function, and returns 0 with the result stored; after a fault the handler makes it continue at
// guardRecovered with its own stack pointer, which puts the control words back and returns 1. Each argument goes
// in both its integer and its float register, as for a variadic call, so a float argument arrives where the
// callee looks for it.
extern "C" int guardPluginCall(GuardedCall *call);
extern "C" void guardRecovered();

// Where the trampoline keeps the call record, from its stack pointer after the prologue (the establisher frame).
enum { GUARD_CALL_SLOT = 192 };

asm(R"(
    .text
    .p2align 4
    .globl guardPluginCall
    .def guardPluginCall; .scl 2; .type 32; .endef
    .seh_proc guardPluginCall
guardPluginCall:
    pushq %rbp
    .seh_pushreg %rbp
    pushq %rbx
    .seh_pushreg %rbx
    pushq %rsi
    .seh_pushreg %rsi
    pushq %rdi
    .seh_pushreg %rdi
    pushq %r12
    .seh_pushreg %r12
    pushq %r13
    .seh_pushreg %r13
    pushq %r14
    .seh_pushreg %r14
    pushq %r15
    .seh_pushreg %r15
    subq $216, %rsp
    .seh_stackalloc 216
    movaps %xmm6, 32(%rsp)
    .seh_savexmm %xmm6, 32
    movaps %xmm7, 48(%rsp)
    .seh_savexmm %xmm7, 48
    movaps %xmm8, 64(%rsp)
    .seh_savexmm %xmm8, 64
    movaps %xmm9, 80(%rsp)
    .seh_savexmm %xmm9, 80
    movaps %xmm10, 96(%rsp)
    .seh_savexmm %xmm10, 96
    movaps %xmm11, 112(%rsp)
    .seh_savexmm %xmm11, 112
    movaps %xmm12, 128(%rsp)
    .seh_savexmm %xmm12, 128
    movaps %xmm13, 144(%rsp)
    .seh_savexmm %xmm13, 144
    movaps %xmm14, 160(%rsp)
    .seh_savexmm %xmm14, 160
    movaps %xmm15, 176(%rsp)
    .seh_savexmm %xmm15, 176
    .seh_endprologue
    .seh_handler pluginGuardHandler, @except
    movq %rcx, 192(%rsp)
    stmxcsr 200(%rsp)
    fnstcw 204(%rsp)
    movq %rcx, %rax
    movq 8(%rax), %rcx
    movq 16(%rax), %rdx
    movq %rcx, %xmm0
    movq %rdx, %xmm1
    callq *(%rax)
    movq 192(%rsp), %rcx
    movq %rax, 24(%rcx)
    xorl %eax, %eax
    jmp 1f
    .globl guardRecovered
guardRecovered:
    fninit
    fldcw 204(%rsp)
    ldmxcsr 200(%rsp)
    cld
    movl $1, %eax
1:
    movaps 32(%rsp), %xmm6
    movaps 48(%rsp), %xmm7
    movaps 64(%rsp), %xmm8
    movaps 80(%rsp), %xmm9
    movaps 96(%rsp), %xmm10
    movaps 112(%rsp), %xmm11
    movaps 128(%rsp), %xmm12
    movaps 144(%rsp), %xmm13
    movaps 160(%rsp), %xmm14
    movaps 176(%rsp), %xmm15
    addq $216, %rsp
    popq %r15
    popq %r14
    popq %r13
    popq %r12
    popq %rdi
    popq %rsi
    popq %rbx
    popq %rbp
    ret
    .seh_endproc
)");

static bool inProgramImage(DWORD64 address)
{
    static DWORD64 start, end;
    if (!start) {
        const char *base = reinterpret_cast<const char *>(GetModuleHandleA(nullptr));
        const IMAGE_DOS_HEADER *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
        const IMAGE_NT_HEADERS *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
        start = reinterpret_cast<DWORD64>(base);
        end = start + nt->OptionalHeader.SizeOfImage;
    }
    return address >= start && address < end;
}

// A plugin that pumps messages (a message box of its own) runs the program's window procedures below the
// guard: a fault there is the program's, not the plugin's, and goes the way of any other. Walks the frames from
// the fault up to the guard's and looks for one in the program's code.
static bool programCodeBelowGuard(const CONTEXT *fault, DWORD64 guardFrame)
{
    CONTEXT walk = *fault;
    for (int frames = 0; frames < 1000000 && walk.Rsp < guardFrame; ++frames) {
        if (inProgramImage(walk.Rip))
            return true;
        DWORD64 imageBase = 0;
        PRUNTIME_FUNCTION entry = RtlLookupFunctionEntry(walk.Rip, &imageBase, nullptr);
        if (!entry) {   // a leaf function: its return address is on top of the stack
            walk.Rip = *reinterpret_cast<const DWORD64 *>(walk.Rsp);
            walk.Rsp += 8;
            continue;
        }
        void *handlerData = nullptr;
        DWORD64 establisher = 0;
        RtlVirtualUnwind(UNW_FLAG_NHANDLER, imageBase, walk.Rip, entry, &walk, &handlerData, &establisher, nullptr);
    }
    return false;
}

// Unwinding through the plugin's frames lets its own clean-up run (an MSVC runtime releases its locks in
// __finally blocks), so that is the way back for most faults. GCC's C++ runtime cannot unwind its frames for
// anyone but itself: for its exceptions the guard resumes without unwinding, and so it does for a stack overflow,
// where the little stack left is better not spent on running the plugin's clean-up.
static bool resumeWithoutUnwinding(DWORD code)
{
    return (code & GCC_EXCEPTION_MASK) == GCC_EXCEPTION || code == EXCEPTION_STACK_OVERFLOW;
}

extern "C" EXCEPTION_DISPOSITION pluginGuardHandler(EXCEPTION_RECORD *record, void *frame, CONTEXT *context,
                                                    DISPATCHER_CONTEXT *dispatch)
{
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
        return ExceptionContinueSearch;
    DWORD64 guardFrame = reinterpret_cast<DWORD64>(frame);
    GuardedCall *call = *reinterpret_cast<GuardedCall **>(static_cast<char *>(frame) + GUARD_CALL_SLOT);
    if (!call->readsForPlugin && programCodeBelowGuard(context, guardFrame))
        return ExceptionContinueSearch;
    call->exceptionCode = record->ExceptionCode;
    DWORD64 resume = reinterpret_cast<DWORD64>(&guardRecovered);
    // A non-continuable exception cannot be resumed by continuing: it is unwound whatever raised it.
    if (!resumeWithoutUnwinding(record->ExceptionCode) || (record->ExceptionFlags & EXCEPTION_NONCONTINUABLE)) {
        RtlUnwindEx(frame, reinterpret_cast<void *>(resume), record, nullptr, context, dispatch->HistoryTable);
        return ExceptionContinueSearch;   // not reached: RtlUnwindEx continues at guardRecovered
    }
    // The trampoline's frame is intact above the plugin's: continuing there with its stack pointer leaves the
    // plugin's frames behind as they are. Trace and direction flags are cleared as a call expects them.
    context->Rsp = guardFrame;
    context->Rip = resume;
    context->EFlags &= ~DWORD(0x500);
    return ExceptionContinueExecution;
}

#else
#error "The plugin guard needs MSVC's __try or GCC on x86-64"
#endif

// A stack overflow is reported with only the stack's reserve left below the fault: the handler, and the
// system's dispatch before it, must fit there. The thread asks for a reserve of 64 KB, and a guard page is put
// where the reserve begins, on a page of the stack that is already committed. Windows commits the stack as it
// grows, behind a guard page that it moves down itself, so on a fresh stack this finds nothing to do; Wine
// commits the whole stack at once with its only guard page one page above the bottom, where an overflow would
// leave no room at all. After an overflow the system has used the guard page up, and without a new one the next
// overflow would end the program: this puts it back, as the C runtime's _resetstkoflw does.
static void armStackGuard()
{
    ULONG reserve = 64 * 1024;
    SetThreadStackGuarantee(&reserve);
    reserve = 0;
    SetThreadStackGuarantee(&reserve);   // reads the reserve in force
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    uintptr_t page = system.dwPageSize;
    volatile char here = 0;
    MEMORY_BASIC_INFORMATION region;
    if (!VirtualQuery(const_cast<char *>(&here), &region, sizeof region))
        return;
    uintptr_t bottom = reinterpret_cast<uintptr_t>(region.AllocationBase);
    uintptr_t guard = bottom + page + ((reserve + page - 1) & ~(page - 1));
    uintptr_t inUse = reinterpret_cast<uintptr_t>(&here) & ~(page - 1);
    if (guard + page >= inUse)
        return;
    MEMORY_BASIC_INFORMATION target;
    if (!VirtualQuery(reinterpret_cast<void *>(guard), &target, sizeof target) || target.State != MEM_COMMIT ||
        (target.Protect & PAGE_GUARD))
        return;
    DWORD previous = 0;
    VirtualProtect(reinterpret_cast<void *>(guard), page, PAGE_READWRITE | PAGE_GUARD, &previous);
}

// Calls into a plugin on the stack now: a plugin that pumps messages (a message box of its own) lets the
// program's commands run inside its call.
static int callsUnderway;

bool pluginCallUnderway()
{
    return callsUnderway > 0;
}

static PluginFault callGuarded(const char *function, const void *entry, uintptr_t first, uintptr_t second,
                               uintptr_t *result, bool readsForPlugin = false, bool floatFirst = false)
{
    static bool armed;
    if (!armed) {
        armStackGuard();
        armed = true;
    }
    GuardedCall call = {entry, first, second, 0, 0, readsForPlugin, floatFirst};
    ++callsUnderway;
    const int faulted = guardPluginCall(&call);
    --callsUnderway;
    if (faulted == 0) {
        if (result)
            *result = call.result;
        return noPluginFault();
    }
    if (call.exceptionCode == EXCEPTION_STACK_OVERFLOW)
        armStackGuard();
    return PluginFault{true, function, call.exceptionCode};
}

template <typename Fn> static const void *entryOf(Fn function)
{
    return reinterpret_cast<const void *>(function);
}

static uintptr_t word(const void *pointer)
{
    return reinterpret_cast<uintptr_t>(pointer);
}

PluginFault guardLoad(SkLoadFn load, const char *path)
{
    return callGuarded("sk_load", entryOf(load), word(path), 0, nullptr);
}

PluginFault guardGetInfo(SkGetInfoFn getInfo, int *triangleCount, int *hasTexCoords)
{
    return callGuarded("sk_getinfo", entryOf(getInfo), word(triangleCount), word(hasTexCoords), nullptr);
}

PluginFault guardGetTexCoord(SkGetTexCoordFn getTexCoord, TexCoordTriangle **&table)
{
    uintptr_t result = 0;
    PluginFault fault = callGuarded("sk_gettexcoord", entryOf(getTexCoord), 0, 0, &result);
    table = fault.faulted ? nullptr : reinterpret_cast<TexCoordTriangle **>(result);
    return fault;
}

PluginFault guardFreeTexCoordTab(SkFreeTexCoordTabFn freeTable, int triangleCount, TexCoordTriangle **table)
{
    // The count travels as a 32-bit int: the callee reads only the low half of the register.
    return callGuarded("sk_freetexcoordtab", entryOf(freeTable), static_cast<uint32_t>(triangleCount), word(table),
                       nullptr);
}

PluginFault guardDraw(SkDrawFn draw)
{
    return callGuarded("sk_draw", entryOf(draw), 0, 0, nullptr);
}

PluginFault guardFrameCount(SkFrameCountFn frameCount, int &count)
{
    uintptr_t result = 0;
    const PluginFault fault = callGuarded("sk_framecount", entryOf(frameCount), 0, 0, &result);
    count = fault.faulted ? 0 : static_cast<int>(static_cast<uint32_t>(result)); // an int in the low half
    return fault;
}

PluginFault guardSetFrame(SkSetFrameFn setFrame, float frame)
{
    uint32_t bits;
    std::memcpy(&bits, &frame, sizeof bits);
    return callGuarded("sk_setframe", entryOf(setFrame), bits, 0, nullptr, false, true);
}

PluginFault guardFileOrigin(SkFileOriginFn fileOrigin, float (&origin)[3], bool &known)
{
    uintptr_t result = 0;
    origin[0] = origin[1] = origin[2] = 0.0f;
    const PluginFault fault = callGuarded("sk_fileorigin", entryOf(fileOrigin), word(origin), 0, &result);
    known = !fault.faulted && static_cast<uint32_t>(result) != 0;   // an int in the low half
    if (!known)
        origin[0] = origin[1] = origin[2] = 0.0f;
    return fault;
}

PluginFault guardPictureUse(SkPictureUseFn pictureUse, int &pictures, float &share)
{
    uintptr_t result = 0;
    pictures = 0;
    share = 0.0f;
    const PluginFault fault = callGuarded("sk_pictureuse", entryOf(pictureUse), word(&pictures), word(&share), &result);
    if (fault.faulted || static_cast<uint32_t>(result) == 0) {
        pictures = 0;
        share = 0.0f;
    }
    return fault;
}

// ---- What a plugin returned, read on its behalf

// The readers run under the guard as a plugin's own function would, and a fault inside them counts as the
// plugin's: they touch nothing but the memory the plugin pointed to and a buffer made ready beforehand, and
// allocate nothing, so the only thing in them that can fault is a bad pointer of the plugin's.
struct TextRead {
    const char *text;
    char *copy;
    size_t capacity;   // bytes of copy
    bool list;         // strings up to an empty one, as the choosers' filters; else one string
    size_t length;     // bytes copied
};

// Copies up to the end of the text (its NUL, or for a list the NUL of the empty string that ends it) or until
// the buffer is full, whichever comes first; reads no byte past the end.
static uintptr_t readPluginText(uintptr_t job, uintptr_t)
{
    TextRead *read = reinterpret_cast<TextRead *>(job);
    size_t n = 0;
    while (n < read->capacity) {
        const char c = read->text[n];
        read->copy[n++] = c;
        if (c == '\0' && (!read->list || n == 1 || read->copy[n - 2] == '\0'))
            break;
    }
    read->length = n;
    return 0;
}

static PluginFault copyPluginText(const char *function, const char *text, bool list, size_t capacity,
                                  std::string &copy)
{
    copy.clear();
    if (!text)
        return noPluginFault();
    std::string buffer(capacity, '\0');
    TextRead read = {text, &buffer[0], capacity, list, 0};
    PluginFault fault = callGuarded(function, entryOf(&readPluginText), word(&read), 0, nullptr, true);
    if (!fault.faulted)
        copy.assign(buffer, 0, read.length);
    return fault;
}

PluginFault guardTextureFile(SkTextureFileFn textureFile, std::string &path)
{
    uintptr_t result = 0;
    path.clear();
    PluginFault fault = callGuarded("sk_texturefile", entryOf(textureFile), 0, 0, &result);
    if (!fault.faulted)
        fault = copyPluginText("sk_texturefile", reinterpret_cast<const char *>(result), false,
                               PLUGIN_TEXTURE_PATH_MAX_BYTES, path);
    const size_t length = std::strlen(path.c_str());
    path.resize(length < path.size() ? length : 0);   // no NUL within the bound: none
    return fault;
}

PluginFault guardLoadError(SkLoadErrorFn loadError, std::string &reason)
{
    uintptr_t result = 0;
    reason.clear();
    PluginFault fault = callGuarded("sk_loaderror", entryOf(loadError), 0, 0, &result);
    if (!fault.faulted) {
        fault = copyPluginText("sk_loaderror", reinterpret_cast<const char *>(result), false,
                               PLUGIN_LOAD_ERROR_MAX_BYTES, reason);
        reason.resize(std::strlen(reason.c_str()));   // cut at the limit: a refusal is a refusal however long
    }
    return fault;
}

PluginFault guardFileFilter(SkFileFilterFn fileFilter, std::string &filters)
{
    uintptr_t result = 0;
    filters.clear();
    PluginFault fault = callGuarded("sk_filefilter", entryOf(fileFilter), 0, 0, &result);
    // No more than composeModelFilters reads: a longer list is refused there as it would be in the plugin's memory.
    if (!fault.faulted)
        fault = copyPluginText("sk_filefilter", reinterpret_cast<const char *>(result), true,
                               PLUGIN_FILTERS_MAX_BYTES, filters);
    return fault;
}

PluginFault guardInfo(SkInfoFn info, std::string &text)
{
    uintptr_t result = 0;
    text.clear();
    PluginFault fault = callGuarded("sk_info", entryOf(info), 0, 0, &result);
    if (!fault.faulted) {
        fault = copyPluginText("sk_info", reinterpret_cast<const char *>(result), false, PLUGIN_INFO_MAX_BYTES, text);
        text.resize(std::strlen(text.c_str()));   // cut at the limit: no NUL of its own was reached
    }
    return fault;
}

PluginFault guardTextExport(const char *function, SkInfoFn textExport, const char *&text)
{
    uintptr_t result = 0;
    const PluginFault fault = callGuarded(function, entryOf(textExport), 0, 0, &result);
    text = fault.faulted ? nullptr : reinterpret_cast<const char *>(result);
    return fault;
}

PluginFault guardFrameName(SkFrameNameFn frameName, int frame, std::string &name)
{
    uintptr_t result = 0;
    name.clear();
    PluginFault fault = callGuarded("sk_framename", entryOf(frameName), static_cast<uint32_t>(frame), 0, &result);
    if (!fault.faulted) {
        fault = copyPluginText("sk_framename", reinterpret_cast<const char *>(result), false,
                               PLUGIN_FRAME_NAME_MAX_BYTES, name);
        name.resize(std::strlen(name.c_str()));   // cut at the limit: no NUL of its own was reached
        if (name.size() == PLUGIN_FRAME_NAME_MAX_BYTES)
            name.pop_back();
    }
    return fault;
}

struct BytesRead {
    const unsigned char *from;
    unsigned char *to;
    size_t count;
};

static uintptr_t readPluginBytes(uintptr_t job, uintptr_t)
{
    const BytesRead *read = reinterpret_cast<const BytesRead *>(job);
    std::memcpy(read->to, read->from, read->count);
    return 0;
}

PluginFault guardTextureBytes(SkTextureBytesFn textureBytes, size_t maxBytes, std::vector<uint8_t> &bytes,
                              bool &tooLarge)
{
    bytes.clear();
    tooLarge = false;
    const unsigned char *data = nullptr;
    int size = 0;
    uintptr_t result = 0;
    PluginFault fault = callGuarded("sk_texturebytes", entryOf(textureBytes), word(&data), word(&size), &result);
    if (fault.faulted || static_cast<uint32_t>(result) == 0 || !data || size <= 0)
        return fault;
    if (static_cast<size_t>(size) > maxBytes) {
        tooLarge = true;
        return fault;
    }
    // Copied at once, in the plugin's name: a pointer that leads nowhere, or not as far as it says, is its fault.
    std::vector<uint8_t> copy(static_cast<size_t>(size));
    BytesRead read = {data, copy.data(), copy.size()};
    fault = callGuarded("sk_texturebytes", entryOf(&readPluginBytes), word(&read), 0, nullptr, true);
    if (!fault.faulted)
        bytes.swap(copy);
    return fault;
}

struct TableRead {
    const TexCoordTriangle *const *table;
    int32_t first;
    int32_t count;
    float *out;
    int32_t written;
};

static uintptr_t readPluginTable(uintptr_t job, uintptr_t)
{
    TableRead *read = reinterpret_cast<TableRead *>(job);
    read->written = readTexCoordTriangles(read->table, read->first, read->count, read->out);
    return 0;
}

PluginFault guardReadTexCoords(TexCoordTriangle **table, int count, std::vector<float> &triangles)
{
    triangles.clear();
    if (!table)
        return noPluginFault();
    // In pieces: a count far beyond what the table holds faults when the reading gets there, having asked for
    // no more memory than the triangles read so far.
    const int32_t piece = 1024;
    std::vector<float> buffer(6 * static_cast<size_t>(piece));
    for (int64_t first = 0; first < count; first += piece) {
        const int32_t n = count - first < piece ? static_cast<int32_t>(count - first) : piece;
        TableRead read = {table, static_cast<int32_t>(first), n, buffer.data(), 0};
        PluginFault fault = callGuarded("sk_gettexcoord", entryOf(&readPluginTable), word(&read), 0, nullptr, true);
        if (fault.faulted) {
            triangles.clear();
            return fault;
        }
        triangles.insert(triangles.end(), buffer.begin(), buffer.begin() + 6 * read.written);
    }
    return noPluginFault();
}

// The loader runs DllMain inside these two; they take one argument and use the C calling convention's
// registers on x86-64 like the exports. The library is named by its full path under the working folder, in
// UTF-16: the folder may have any name, and a relative name would be looked for in other folders too.
PluginFault guardLoadLibrary(const char *path, HMODULE &module)
{
    const std::wstring fullPath = wideFullPath(path);
    uintptr_t result = 0;
    PluginFault fault = callGuarded("DllMain", entryOf(&LoadLibraryW), word(fullPath.c_str()), 0, &result);
    module = fault.faulted ? nullptr : reinterpret_cast<HMODULE>(result);
    return fault;
}

PluginFault guardFreeLibrary(HMODULE module)
{
    return callGuarded("DllMain", entryOf(&FreeLibrary), word(module), 0, nullptr);
}
