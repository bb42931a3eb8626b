// Reading a plugin library's PE headers and import table.
#include "plugins/library_file.h"

#include <cstring>

namespace {

const uint16_t MACHINE_AMD64 = 0x8664;
const uint16_t MACHINE_I386 = 0x014C;
const uint16_t MACHINE_ARM64 = 0xAA64;
const uint16_t CHARACTERISTIC_DLL = 0x2000;
const uint16_t OPTIONAL_MAGIC_PE32_PLUS = 0x20B;

struct Reader {
    const uint8_t *bytes;
    size_t size;
    bool fits(size_t at, size_t length) const { return at <= size && length <= size - at; }
    uint32_t u16(size_t at) const { return fits(at, 2) ? uint32_t(bytes[at] | bytes[at + 1] << 8) : 0; }
    uint32_t u32(size_t at) const { return fits(at, 4) ? u16(at) | u16(at + 2) << 16 : 0; }
};

struct Section {
    uint32_t virtualAddress, virtualSize, rawOffset, rawSize;
};

// The file offset of a relative virtual address, or SIZE_MAX when no section holds it.
size_t fileOffset(const std::vector<Section> &sections, uint32_t rva)
{
    for (const Section &s : sections) {
        const uint32_t extent = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
        if (rva >= s.virtualAddress && rva - s.virtualAddress < extent && rva - s.virtualAddress < s.rawSize)
            return size_t(s.rawOffset) + (rva - s.virtualAddress);
    }
    return SIZE_MAX;
}

void readImports(const Reader &r, const std::vector<Section> &sections, uint32_t importRva, LibraryFile &library)
{
    size_t at = fileOffset(sections, importRva);
    // Each descriptor is 20 bytes; the name's RVA is its fourth field; an all-zero one ends the table.
    for (int n = 0; n < 1024 && at != SIZE_MAX && r.fits(at, 20); ++n, at += 20) {
        const uint32_t nameRva = r.u32(at + 12);
        if (nameRva == 0)
            break;
        const size_t name = fileOffset(sections, nameRva);
        std::string text;
        for (size_t i = name; i < r.size && r.bytes[i] != 0 && text.size() < 256; ++i)
            text += char(r.bytes[i]);
        if (!text.empty())
            library.imports.push_back(text);
    }
}

} // namespace

LibraryFile inspectLibraryFile(const uint8_t *bytes, size_t size)
{
    LibraryFile library;
    const Reader r = {bytes, size};
    if (!r.fits(0, 64) || bytes[0] != 'M' || bytes[1] != 'Z')
        return library;
    const size_t pe = r.u32(0x3C);
    if (!r.fits(pe, 24) || std::memcmp(bytes + pe, "PE\0\0", 4) != 0)
        return library;
    library.machine = uint16_t(r.u16(pe + 4));
    if (library.machine != MACHINE_AMD64) {
        library.kind = LibraryKind::otherMachine;
        return library;
    }
    if ((r.u16(pe + 22) & CHARACTERISTIC_DLL) == 0) {
        library.kind = LibraryKind::notDll;
        return library;
    }
    library.kind = LibraryKind::dll64;
    const uint32_t sectionCount = r.u16(pe + 6);
    const size_t optional = pe + 24;
    const size_t sectionTable = optional + r.u16(pe + 20);
    std::vector<Section> sections;
    for (uint32_t i = 0; i < sectionCount && r.fits(sectionTable + 40 * size_t(i), 40); ++i) {
        const size_t s = sectionTable + 40 * size_t(i);
        sections.push_back({r.u32(s + 12), r.u32(s + 8), r.u32(s + 20), r.u32(s + 16)});
    }
    // The import directory is the second data directory of the PE32+ optional header, 112 bytes into it.
    if (r.u16(optional) == OPTIONAL_MAGIC_PE32_PLUS && r.u32(optional + 108) > 1 && r.fits(optional + 120, 8))
        readImports(r, sections, r.u32(optional + 120), library);
    return library;
}

std::string libraryKindProblem(const LibraryFile &library)
{
    switch (library.kind) {
    case LibraryKind::dll64:
        return "";
    case LibraryKind::notPe:
        return "it is not a DLL at all";
    case LibraryKind::notDll:
        return "it is a program, not a DLL";
    case LibraryKind::otherMachine:
        if (library.machine == MACHINE_I386)
            return "it is a 32-bit DLL: Pelterine needs a 64-bit Windows DLL";
        if (library.machine == MACHINE_ARM64)
            return "it is an ARM64 DLL: Pelterine needs an x86-64 Windows DLL";
        return "it is not a 64-bit Windows DLL";
    }
    return "";
}
