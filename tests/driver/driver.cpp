// Out-of-process test driver: finds Pelterine's windows from another Win32 process and reads or drives them.
// Wide-character API throughout: Wine does not marshal every ANSI message between processes.
#include <windows.h>
#include <dlgs.h>
#include <shlobj.h>
#include <fcntl.h>
#include <io.h>
#include <psapi.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "resources/resource.h"

namespace {

constexpr int kOk = 0;
constexpr int kFail = 1;
constexpr int kUsage = 2;
constexpr int kMsgBoxTextIdNew = 0xFFFF;  // Windows and current Wine
constexpr int kMsgBoxTextIdOld = 100;     // older Wine builds

DWORD timeoutMs = 10000;  // every wait and every cross-process message is bounded by this
bool anyProcess = false;  // -a: message boxes and dialogs of any process count (a second Pelterine's)

// ---------------------------------------------------------------- output

std::string toUtf8(const std::wstring& w) {
    if (w.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
    std::string s((size_t)n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), &s[0], n, nullptr, nullptr);
    return s;
}

// One result per line, so texts are escaped: backslash, tab, CR and LF become \\, \t, \r, \n.
std::wstring escape(const std::wstring& w) {
    std::wstring out;
    for (wchar_t c : w) {
        switch (c) {
        case L'\\': out += L"\\\\"; break;
        case L'\n': out += L"\\n"; break;
        case L'\r': out += L"\\r"; break;
        case L'\t': out += L"\\t"; break;
        default: out += c;
        }
    }
    return out;
}

void printLine(const std::wstring& line) {
    std::string s = toUtf8(line) + "\n";
    fwrite(s.data(), 1, s.size(), stdout);
    fflush(stdout);
}

int fail(const std::wstring& why) {
    std::string s = toUtf8(why) + "\n";
    fwrite(s.data(), 1, s.size(), stderr);
    fflush(stderr);
    return kFail;
}

std::wstring hex(const void* p) {
    wchar_t buf[32];
    swprintf(buf, 32, L"0x%llx", (unsigned long long)(uintptr_t)p);
    return buf;
}

// ---------------------------------------------------------------- window queries

std::wstring classOf(HWND w) {
    wchar_t buf[256] = {};
    GetClassNameW(w, buf, 256);
    return buf;
}

// WM_GETTEXT rather than GetWindowText: for another process's controls only the message returns live text.
bool readText(HWND w, std::wstring* text) {
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, timeoutMs, &len)) return false;
    std::vector<wchar_t> buf(len + 2, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(w, WM_GETTEXT, buf.size(), (LPARAM)buf.data(), SMTO_NORMAL, timeoutMs, &got))
        return false;
    text->assign(buf.data());
    return true;
}

std::wstring textOf(HWND w) {
    std::wstring t;
    readText(w, &t);
    return t;
}

std::wstring captionOf(HWND w) {
    wchar_t buf[512] = {};
    GetWindowTextW(w, buf, 512);
    return buf;
}

DWORD pidOf(HWND w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    return pid;
}

BOOL CALLBACK collectTop(HWND w, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
    return TRUE;
}

std::vector<HWND> topLevels() {
    std::vector<HWND> all;
    EnumWindows(collectTop, (LPARAM)&all);
    return all;
}

std::vector<HWND> childrenOf(HWND parent) {
    std::vector<HWND> all;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) all.push_back(c);
    return all;
}

bool isDialog(HWND w) { return classOf(w) == L"#32770"; }

// The main window is the "Pelterine" dialog that holds the skin view: a message box may have the same caption.
HWND findMain(bool visibleOnly) {
    HWND hidden = nullptr;
    for (HWND w : topLevels()) {
        if (!isDialog(w) || captionOf(w) != L"Pelterine" || !FindWindowExW(w, nullptr, L"SkinWindowClass", nullptr))
            continue;
        if (IsWindowVisible(w)) return w;
        if (!hidden) hidden = w;
    }
    return visibleOnly ? nullptr : hidden;
}

// Only the program's own process counts once its main window exists (visible or not).
bool sameProcessAsMain(HWND w) {
    HWND main = findMain(false);
    return anyProcess || !main || pidOf(main) == pidOf(w);
}

bool isButtonId(int id) { return id >= IDOK && id <= 11; }  // IDOK .. IDCONTINUE

// A message box: a visible top-level dialog holding only static texts and standard buttons,
// with the message text control. Choosers, the colour dialog and the plugins dialog hold
// edits, combo or list boxes, so they never match.
bool isMessageBox(HWND w) {
    if (!IsWindowVisible(w) || !isDialog(w) || w == findMain(false)) return false;
    bool hasText = false, hasButton = false;
    for (HWND c : childrenOf(w)) {
        std::wstring cls = classOf(c);
        int id = GetDlgCtrlID(c);
        if (cls == L"Button") {
            if (!isButtonId(id)) return false;
            hasButton = true;
        } else if (cls == L"Static") {
            if (id == kMsgBoxTextIdNew || id == kMsgBoxTextIdOld) hasText = true;
        } else {
            return false;
        }
    }
    return hasText && hasButton;
}

HWND messageTextControl(HWND box) {
    HWND t = GetDlgItem(box, kMsgBoxTextIdNew);
    return t ? t : GetDlgItem(box, kMsgBoxTextIdOld);
}

std::vector<HWND> findBoxes() {
    std::vector<HWND> boxes;
    for (HWND w : topLevels())
        if (isMessageBox(w) && sameProcessAsMain(w)) boxes.push_back(w);
    return boxes;
}

// A visible top-level dialog with this exact caption, in the program's process.
HWND findDialogByCaption(const std::wstring& caption) {
    for (HWND w : topLevels())
        if (IsWindowVisible(w) && isDialog(w) && captionOf(w) == caption && sameProcessAsMain(w)) return w;
    return nullptr;
}

// A visible top-level dialog of the program other than its main window, with this exact caption (a question
// may have the main window's caption).
HWND findOtherDialog(const std::wstring& caption) {
    HWND main = findMain(false);
    for (HWND w : topLevels())
        if (w != main && IsWindowVisible(w) && isDialog(w) && captionOf(w) == caption && sameProcessAsMain(w))
            return w;
    return nullptr;
}

HWND findDialogWithControl(int id, const wchar_t* cls) {
    for (HWND w : topLevels()) {
        if (!IsWindowVisible(w) || !isDialog(w) || !sameProcessAsMain(w)) continue;
        HWND c = GetDlgItem(w, id);
        if (c && classOf(c) == cls) return w;
    }
    return nullptr;
}

HWND findChildByClass(HWND parent, const wchar_t* cls) {
    return FindWindowExW(parent, nullptr, cls, nullptr);
}

// ---------------------------------------------------------------- waiting and synchronising

template <typename Pred>
bool waitFor(DWORD ms, Pred pred) {
    DWORD start = GetTickCount();
    for (;;) {
        if (pred()) return true;
        if (GetTickCount() - start >= ms) return pred();
        Sleep(20);
    }
}

// Returns once the window's thread has handled everything sent to it before; a modal loop answers too.
bool sync(HWND w) {
    DWORD_PTR r = 0;
    return SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &r) != 0;
}

// Presses a button like a click: BM_CLICK is queued with the sent messages, so a following WM_NULL is
// answered only after the click has run or while the modal loop it opened is running.
bool pressButton(HWND button, HWND top) {
    if (!SendNotifyMessageW(button, BM_CLICK, 0, 0)) return false;
    return sync(top);
}

bool gone(HWND w) { return !IsWindow(w) || !IsWindowVisible(w); }

// ---------------------------------------------------------------- message box details

// Guesses the message box icon from its colours: red error cross, yellow warning, blue information.
std::wstring iconKind(HWND box) {
    HWND icon = nullptr;
    for (HWND c : childrenOf(box))
        if (classOf(c) == L"Static" && (GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            IsWindowVisible(c))
            icon = c;
    if (!icon) return L"none";
    RECT r;
    GetClientRect(icon, &r);
    POINT o = {0, 0};
    MapWindowPoints(icon, box, &o, 1);
    HDC dc = GetDC(box);
    int red = 0, yellow = 0, blue = 0;
    for (int y = 0; y < r.bottom; ++y)
        for (int x = 0; x < r.right; ++x) {
            COLORREF c = GetPixel(dc, o.x + x, o.y + y);
            int R = GetRValue(c), G = GetGValue(c), B = GetBValue(c);
            if (c == CLR_INVALID) continue;
            if (R > 150 && G < 110 && B < 110) ++red;
            else if (R > 150 && G > 130 && B < 110) ++yellow;
            else if (B > 150 && R < 120) ++blue;
        }
    ReleaseDC(box, dc);
    int most = red > yellow ? (red > blue ? red : blue) : (yellow > blue ? yellow : blue);
    if (most < 20) return L"icon";
    if (most == red) return L"error";
    if (most == yellow) return L"warning";
    return L"information";
}

std::wstring describeBox(HWND box) {
    return escape(captionOf(box)) + L"\t" + escape(textOf(messageTextControl(box))) + L"\t" + iconKind(box);
}

void printBoxes(const std::vector<HWND>& boxes) {
    for (HWND b : boxes) printLine(describeBox(b));
}

// ---------------------------------------------------------------- argument helpers

bool parseInt(const wchar_t* s, long* v) {
    wchar_t* end = nullptr;
    long n = wcstol(s, &end, 0);
    if (!s[0] || *end) return false;
    *v = n;
    return true;
}

struct Args {
    std::vector<std::wstring> v;
    size_t size() const { return v.size(); }
    const wchar_t* operator[](size_t i) const { return v[i].c_str(); }
};

bool intArg(const Args& a, size_t i, long* v) { return i < a.size() && parseInt(a[i], v); }

DWORD optionalTimeout(const Args& a, size_t i) {
    long t = 0;
    return intArg(a, i, &t) && t > 0 ? (DWORD)t : timeoutMs;
}

// ---------------------------------------------------------------- main window commands

HWND requireMain() {
    HWND m = findMain(true);
    if (!m) fail(L"no visible main window \"Pelterine\"");
    return m;
}

HWND requireControl(HWND main, long id) {
    HWND c = GetDlgItem(main, (int)id);
    if (!c) fail(L"main window has no control " + std::to_wstring(id));
    return c;
}

int cmdWaitMain(const Args& a) {
    DWORD ms = optionalTimeout(a, 1);
    HWND m = nullptr;
    if (!waitFor(ms, [&] { return (m = findMain(true)) != nullptr; }))
        return fail(L"timeout: no visible main window \"Pelterine\"");
    printLine(hex(m));
    return kOk;
}

int cmdClick(const Args& a) {
    long id;
    if (!intArg(a, 1, &id)) return kUsage;
    HWND m = requireMain();
    HWND c = m ? requireControl(m, id) : nullptr;
    if (!c) return kFail;
    if (!IsWindowEnabled(m)) return fail(L"main window is disabled (a modal window is open)");
    if (!IsWindowEnabled(c)) return fail(L"control " + std::to_wstring(id) + L" is disabled");
    if (!pressButton(c, m)) return fail(L"timeout: the program did not answer after the click");
    return kOk;
}

int cmdText(const Args& a) {
    long id;
    if (!intArg(a, 1, &id)) return kUsage;
    HWND m = findMain(false);
    HWND c = m ? GetDlgItem(m, (int)id) : nullptr;
    std::wstring t;
    if (!c) return fail(L"no control " + std::to_wstring(id));
    if (!readText(c, &t)) return fail(L"timeout reading the text");
    printLine(escape(t));
    return kOk;
}

int cmdSetText(const Args& a) {
    long id;
    if (!intArg(a, 1, &id) || a.size() < 3) return kUsage;
    HWND m = findMain(false);
    HWND c = m ? GetDlgItem(m, (int)id) : nullptr;
    DWORD_PTR r = 0;
    if (!c) return fail(L"no control " + std::to_wstring(id));
    if (!SendMessageTimeoutW(c, WM_SETTEXT, 0, (LPARAM)a[2], SMTO_NORMAL, timeoutMs, &r))
        return fail(L"timeout setting the text");
    return kOk;
}

int cmdChecked(const Args& a) {
    long id;
    if (!intArg(a, 1, &id)) return kUsage;
    HWND m = findMain(false);
    HWND c = m ? GetDlgItem(m, (int)id) : nullptr;
    DWORD_PTR r = 0;
    if (!c) return fail(L"no control " + std::to_wstring(id));
    if (!SendMessageTimeoutW(c, BM_GETCHECK, 0, 0, SMTO_NORMAL, timeoutMs, &r)) return fail(L"timeout");
    printLine(std::to_wstring(r));
    return kOk;
}

int cmdEnabled(const Args& a) {
    long id;
    if (!intArg(a, 1, &id)) return kUsage;
    HWND m = findMain(false);
    HWND c = m ? GetDlgItem(m, (int)id) : nullptr;
    if (!c) return fail(L"no control " + std::to_wstring(id));
    printLine(IsWindowEnabled(c) ? L"1" : L"0");
    return kOk;
}

// Prints the control ID holding the keyboard focus in the program's GUI thread, its class and top-level caption.
int cmdFocus(const Args&) {
    HWND m = findMain(false);
    if (!m) return fail(L"no main window");
    GUITHREADINFO gi = {};
    gi.cbSize = sizeof gi;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(m, nullptr), &gi)) return fail(L"GetGUIThreadInfo failed");
    if (!gi.hwndFocus) {
        printLine(L"0\t-\t-");
        return kOk;
    }
    HWND top = GetAncestor(gi.hwndFocus, GA_ROOT);
    printLine(std::to_wstring(GetDlgCtrlID(gi.hwndFocus)) + L"\t" + classOf(gi.hwndFocus) + L"\t" +
              escape(captionOf(top)));
    return kOk;
}

int cmdClose(const Args&) {
    HWND m = findMain(false);
    if (!m) return fail(L"no main window");
    if (!PostMessageW(m, WM_CLOSE, 0, 0)) return fail(L"PostMessage failed");
    return kOk;
}

int cmdActivate(const Args&) {
    HWND m = requireMain();
    if (!m) return kFail;
    SetForegroundWindow(m);
    sync(m);
    return GetForegroundWindow() == m ? kOk : fail(L"the main window did not become the foreground window");
}

int cmdMove(const Args& a) {
    long x, y;
    if (!intArg(a, 1, &x) || !intArg(a, 2, &y)) return kUsage;
    HWND m = requireMain();
    if (!m) return kFail;
    if (!SetWindowPos(m, nullptr, (int)x, (int)y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE))
        return fail(L"SetWindowPos failed");
    sync(m);
    return kOk;
}

// show <minimize|maximize|restore>: the system menu's command, as the title bar's buttons give it; waits until
// the window is in that state.
int cmdShow(const Args& a) {
    if (a.size() < 2) return kUsage;
    WPARAM command = a.v[1] == L"minimize" ? SC_MINIMIZE : a.v[1] == L"maximize" ? SC_MAXIMIZE :
                     a.v[1] == L"restore" ? SC_RESTORE : 0;
    if (!command) return kUsage;
    HWND m = requireMain();
    if (!m) return kFail;
    if (!PostMessageW(m, WM_SYSCOMMAND, command, 0)) return fail(L"PostMessage failed");
    auto reached = [&] {
        if (command == SC_MINIMIZE) return IsIconic(m) != FALSE;
        if (command == SC_MAXIMIZE) return IsZoomed(m) != FALSE;
        return !IsIconic(m) && !IsZoomed(m);
    };
    if (!waitFor(timeoutMs, reached)) return fail(L"timeout: the window did not " + a.v[1]);
    sync(m);
    return kOk;
}

// state: "iconic<TAB>0|1", "zoomed<TAB>0|1" and "foreground<TAB>0|1" of the main window.
int cmdState(const Args&) {
    HWND m = findMain(false);
    if (!m) return fail(L"no main window");
    printLine(std::wstring(L"iconic\t") + (IsIconic(m) ? L"1" : L"0"));
    printLine(std::wstring(L"zoomed\t") + (IsZoomed(m) ? L"1" : L"0"));
    printLine(std::wstring(L"foreground\t") + (GetForegroundWindow() == m ? L"1" : L"0"));
    return kOk;
}

// text-width <text>: the width in pixels of the text on one line in the dialogs' font, "MS Shell Dlg" 8 pt, at
// the screen's DPI (the font the system substitutes for it, as the program's dialogs get it).
int cmdTextWidth(const Args& a) {
    if (a.size() < 2) return kUsage;
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontW(-MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg");
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size = {};
    GetTextExtentPoint32W(dc, a[1], (int)a.v[1].size(), &size);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    printLine(std::to_wstring(size.cx));
    return kOk;
}

// ---------------------------------------------------------------- child windows: mouse, origin, capture

HWND childByName(HWND main, const std::wstring& name) {
    if (name == L"skin") return findChildByClass(main, L"SkinWindowClass");
    if (name == L"pattern") return findChildByClass(main, L"PatternWindowClass");
    if (name == L"viewport") return findChildByClass(main, L"OpenGLViewportWindowClass");
    if (name == L"colour") return findChildByClass(main, L"ColourPanelWindowClass");
    if (name == L"main") return main;
    return nullptr;
}

struct MouseMsg {
    const wchar_t* name;
    UINT msg;
    WPARAM defaultWParam;
};

const MouseMsg kMouseMsgs[] = {
    {L"move", WM_MOUSEMOVE, 0},          {L"lmove", WM_MOUSEMOVE, MK_LBUTTON},
    {L"rmove", WM_MOUSEMOVE, MK_RBUTTON}, {L"mmove", WM_MOUSEMOVE, MK_MBUTTON},
    {L"ldown", WM_LBUTTONDOWN, MK_LBUTTON}, {L"lup", WM_LBUTTONUP, 0},
    {L"rdown", WM_RBUTTONDOWN, MK_RBUTTON}, {L"rup", WM_RBUTTONUP, 0},
    {L"mdown", WM_MBUTTONDOWN, MK_MBUTTON}, {L"mup", WM_MBUTTONUP, 0},
};

// mouse <msg> <x> <y> [wparam] [skin|pattern|viewport|colour]: sent synchronously, so it has run on return.
int cmdMouse(const Args& a) {
    long x, y, wp = -1;
    if (a.size() < 4 || !intArg(a, 2, &x) || !intArg(a, 3, &y)) return kUsage;
    const MouseMsg* mm = nullptr;
    for (const MouseMsg& m : kMouseMsgs)
        if (a.v[1] == m.name) mm = &m;
    if (!mm) return kUsage;
    if (a.size() > 4 && !intArg(a, 4, &wp)) return kUsage;
    HWND m = requireMain();
    HWND target = m ? childByName(m, a.size() > 5 ? a.v[5] : L"skin") : nullptr;
    if (!target) return fail(L"no such window");
    WPARAM w = wp >= 0 ? (WPARAM)wp : mm->defaultWParam;
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutW(target, mm->msg, w, MAKELPARAM((WORD)x, (WORD)y), SMTO_NORMAL, timeoutMs, &r))
        return fail(L"timeout: the program did not answer the mouse message");
    return kOk;
}

std::wstring rectLine(const wchar_t* name, HWND w) {
    RECT r;
    GetClientRect(w, &r);
    POINT o = {0, 0};
    ClientToScreen(w, &o);
    return std::wstring(name) + L"\t" + std::to_wstring(o.x) + L"\t" + std::to_wstring(o.y) + L"\t" +
           std::to_wstring(r.right) + L"\t" + std::to_wstring(r.bottom);
}

// Prints "name<TAB>screen x<TAB>screen y<TAB>width<TAB>height" for the client areas: the main window's and its
// views', or with a caption the one of that dialog of the program (named "window").
int cmdClientOrigin(const Args& a) {
    if (a.size() > 1) {
        HWND d = findOtherDialog(a.v[1]);
        if (!d) return fail(L"no dialog \"" + a.v[1] + L"\"");
        printLine(rectLine(L"window", d));
        return kOk;
    }
    HWND m = requireMain();
    if (!m) return kFail;
    printLine(rectLine(L"main", m));
    const wchar_t* names[] = {L"viewport", L"skin", L"pattern", L"colour"};
    for (const wchar_t* n : names) {
        HWND c = childByName(m, n);
        if (c) printLine(rectLine(n, c));
    }
    return kOk;
}

// The width of a text on one line in the font a dialog template's "MS Shell Dlg" 8 pt gets. The program's own
// font handle means nothing in this process, but the dialog manager's request, made here, gives the same font.
int dialogTextWidth(const std::wstring& text) {
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontW(-MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_DONTCARE, FALSE, FALSE,
                             FALSE, DEFAULT_CHARSET, 0, 0, PROOF_QUALITY, FF_DONTCARE, L"MS Shell Dlg");
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size = {};
    GetTextExtentPoint32W(dc, text.data(), (int)text.size(), &size);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    return size.cx;
}

// controls [caption]: prints "class<TAB>id<TAB>style<TAB>left<TAB>top<TAB>right<TAB>bottom<TAB>text width<TAB>text"
// for every child of the main window (the views included), or of the program's dialog with that caption, in
// pixels of its client area; the style is in hex, the text width that of the text on one line in the dialog font.
int cmdControls(const Args& a) {
    HWND m = a.size() > 1 ? findOtherDialog(a.v[1]) : requireMain();
    if (!m) return a.size() > 1 ? fail(L"no dialog \"" + a.v[1] + L"\"") : kFail;
    for (HWND c : childrenOf(m)) {
        RECT r;
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, m, (POINT*)&r, 2);
        wchar_t style[16];
        swprintf(style, 16, L"%lx", (unsigned long)GetWindowLongW(c, GWL_STYLE));
        std::wstring text = textOf(c);
        printLine(classOf(c) + L"\t" + std::to_wstring(GetDlgCtrlID(c)) + L"\t" + style + L"\t" +
                  std::to_wstring(r.left) + L"\t" + std::to_wstring(r.top) + L"\t" + std::to_wstring(r.right) +
                  L"\t" + std::to_wstring(r.bottom) + L"\t" + std::to_wstring(dialogTextWidth(text)) + L"\t" +
                  escape(text));
    }
    return kOk;
}

// dialogs: "caption<TAB>enabled|disabled<TAB>left<TAB>top<TAB>right<TAB>bottom" (the window on the screen) for
// every visible dialog of the program other than its main window (message boxes, choosers, the Plugins
// dialog), topmost first.
int cmdDialogs(const Args&) {
    HWND main = findMain(false);
    if (!main) return fail(L"no main window");
    for (HWND w : topLevels()) {
        if (w == main || !IsWindowVisible(w) || !isDialog(w) || !sameProcessAsMain(w)) continue;
        RECT r;
        GetWindowRect(w, &r);
        printLine(escape(captionOf(w)) + (IsWindowEnabled(w) ? L"\tenabled\t" : L"\tdisabled\t") +
                  std::to_wstring(r.left) + L"\t" + std::to_wstring(r.top) + L"\t" + std::to_wstring(r.right) +
                  L"\t" + std::to_wstring(r.bottom));
    }
    return kOk;
}

// Copies w x h pixels at (x, y) of the top-level window's client area as bottom-up 24-bit rows.
// A child window's own DC cannot be read under Wine 8; the top-level one can.
bool grabPixels(HWND top, int x, int y, int w, int h, std::vector<BYTE>* bits) {
    HDC src = GetDC(top);
    HDC mem = CreateCompatibleDC(src);
    HBITMAP bmp = CreateCompatibleBitmap(src, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    bool ok = BitBlt(mem, 0, 0, w, h, src, x, y, SRCCOPY) != 0;
    SelectObject(mem, old);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    size_t stride = ((size_t)w * 3 + 3) & ~(size_t)3;
    bits->assign(stride * (size_t)h, 0);
    ok = ok && GetDIBits(mem, bmp, 0, (UINT)h, bits->data(), &bi, DIB_RGB_COLORS) == h;
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(top, src);
    return ok;
}

bool writeBmp(const std::wstring& path, int w, int h, const std::vector<BYTE>& bits) {
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER ih = {};
    ih.biSize = sizeof ih;
    ih.biWidth = w;
    ih.biHeight = h;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    ih.biCompression = BI_RGB;
    ih.biSizeImage = (DWORD)bits.size();
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + (DWORD)bits.size();
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    bool ok = fwrite(&fh, sizeof fh, 1, f) == 1 && fwrite(&ih, sizeof ih, 1, f) == 1 &&
              fwrite(bits.data(), 1, bits.size(), f) == bits.size();
    ok = fflush(f) == 0 && ok;
    return fclose(f) == 0 && ok;
}

// Another window of the program above the main window over this screen rectangle would spoil a capture.
HWND coveringWindow(HWND main, const RECT& area) {
    for (HWND w = GetWindow(main, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV)) {
        RECT r, x;
        if (IsWindowVisible(w) && GetWindowRect(w, &r) && IntersectRect(&x, &r, &area)) return w;
    }
    return nullptr;
}

// capture <skin|pattern|viewport|colour|main> <out.bmp>: the program's drawing reaches the screen a moment after
// it draws, so the picture is taken once reads have agreed for a while.
int cmdCapture(const Args& a) {
    if (a.size() < 3) return kUsage;
    HWND m = requireMain();
    HWND c = m ? childByName(m, a.v[1]) : nullptr;
    if (!c) return fail(L"no such window: " + a.v[1]);
    SetWindowPos(m, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    sync(m);
    RECT r;
    GetClientRect(c, &r);
    POINT o = {0, 0};
    MapWindowPoints(c, m, &o, 1);
    RECT screen = r;
    MapWindowPoints(c, nullptr, (POINT*)&screen, 2);
    if (HWND cover = coveringWindow(m, screen))
        fail(L"warning: window \"" + captionOf(cover) + L"\" lies over the captured area");
    const DWORD settleMs = 150;
    std::vector<BYTE> prev, cur;
    DWORD sameSince = GetTickCount();
    bool stable = waitFor(timeoutMs, [&] {
        prev.swap(cur);
        if (!grabPixels(m, o.x, o.y, r.right, r.bottom, &cur)) return false;
        if (prev != cur) sameSince = GetTickCount();
        if (GetTickCount() - sameSince >= settleMs) return true;
        Sleep(30);
        return false;
    });
    if (cur.empty()) return fail(L"could not read the pixels");
    if (!stable) fail(L"warning: the picture kept changing; writing the last read");
    if (!writeBmp(a.v[2], r.right, r.bottom, cur)) return fail(L"cannot write " + a.v[2]);
    printLine(std::to_wstring(r.right) + L"\t" + std::to_wstring(r.bottom));
    return kOk;
}

// post-dabs <count> <marker x> <marker y> [wparam]: times a burst of painting from outside. Posts count
// WM_MOUSEMOVE messages with the button(s) of wparam (default MK_LBUTTON; 0 times the messages alone) to the
// skin view along a zig-zag inside x 20..200, y 20..230, then a left-button move at the marker, and waits until
// the marker's pixel on screen is no longer white. Prints the microseconds from the first post to that moment.
// A count of 0 times the marker alone, to be subtracted.
int cmdPostDabs(const Args& a) {
    long count, mx, my, wp = MK_LBUTTON;
    if (!intArg(a, 1, &count) || !intArg(a, 2, &mx) || !intArg(a, 3, &my) || count < 0) return kUsage;
    if (a.size() > 4 && !intArg(a, 4, &wp)) return kUsage;
    HWND m = requireMain();
    HWND skin = m ? childByName(m, L"skin") : nullptr;
    if (!skin) return fail(L"no skin view");
    POINT marker = {(int)mx, (int)my};
    MapWindowPoints(skin, m, &marker, 1);
    HDC dc = GetDC(m);
    if (GetPixel(dc, marker.x, marker.y) != RGB(255, 255, 255)) {
        ReleaseDC(m, dc);
        return fail(L"the marker pixel is not white before the burst");
    }
    LARGE_INTEGER freq, start, now;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&start);
    for (long i = 0; i < count; ++i) {
        int x = 20 + (int)(i * 7 % 181), y = 20 + (int)(i / 26 * 3 % 211);
        if (!PostMessageW(skin, WM_MOUSEMOVE, (WPARAM)wp, MAKELPARAM(x, y))) return fail(L"PostMessage failed");
    }
    PostMessageW(skin, WM_MOUSEMOVE, (WPARAM)MK_LBUTTON, MAKELPARAM(mx, my));
    // Polled every millisecond rather than waitFor's 20: the whole burst may take only a few tens of them.
    bool seen = false;
    do {
        seen = GetPixel(dc, marker.x, marker.y) != RGB(255, 255, 255);
        QueryPerformanceCounter(&now);
        if (!seen) Sleep(1);
    } while (!seen && (now.QuadPart - start.QuadPart) / freq.QuadPart * 1000 < (LONGLONG)timeoutMs);
    ReleaseDC(m, dc);
    if (!seen) return fail(L"timeout: the marker never showed");
    printLine(std::to_wstring((now.QuadPart - start.QuadPart) * 1000000 / freq.QuadPart));
    return kOk;
}

// ---------------------------------------------------------------- message boxes

int cmdBoxes(const Args&) {
    printBoxes(findBoxes());
    return kOk;
}

int cmdWaitBox(const Args& a) {
    std::vector<HWND> boxes;
    if (!waitFor(optionalTimeout(a, 1), [&] { return !(boxes = findBoxes()).empty(); }))
        return fail(L"timeout: no message box appeared");
    printBoxes(boxes);
    return kOk;
}

int cmdWaitNoBox(const Args& a) {
    std::vector<HWND> boxes;
    if (!waitFor(optionalTimeout(a, 1), [&] { return (boxes = findBoxes()).empty(); })) {
        printBoxes(boxes);
        return fail(L"timeout: message boxes still open");
    }
    return kOk;
}

// press-box <button id> [caption]: presses the button of the first (or first matching) box, waits until it is gone.
int cmdPressBox(const Args& a) {
    long id;
    if (!intArg(a, 1, &id)) return kUsage;
    HWND box = nullptr;
    for (HWND b : findBoxes())
        if (!box && (a.size() < 3 || captionOf(b) == a.v[2])) box = b;
    if (!box) return fail(L"no matching message box");
    HWND button = GetDlgItem(box, (int)id);
    bool sent = button ? PostMessageW(button, BM_CLICK, 0, 0) : PostMessageW(box, WM_COMMAND, (WPARAM)id, 0);
    if (!sent) return fail(L"PostMessage failed");
    if (!waitFor(timeoutMs, [&] { return gone(box); })) return fail(L"timeout: the message box stays open");
    return kOk;
}

// ---------------------------------------------------------------- file choosers

HWND waitDialog(const std::wstring& caption) {
    HWND d = nullptr;
    waitFor(timeoutMs, [&] { return (d = findDialogByCaption(caption)) != nullptr; });
    if (!d) fail(L"timeout: no dialog \"" + caption + L"\"");
    return d;
}

// Presses a button of a dialog that should close it; succeeds when it is gone, reports a message box
// (for example a missing file or an overwrite prompt) on stdout and fails when one appears instead.
int pressAndWaitGone(HWND dlg, int id) {
    HWND button = GetDlgItem(dlg, id);
    if (!button) return fail(L"the dialog has no button " + std::to_wstring(id));
    if (!PostMessageW(button, BM_CLICK, 0, 0)) return fail(L"PostMessage failed");
    std::vector<HWND> boxes;
    waitFor(timeoutMs, [&] { return gone(dlg) || !(boxes = findBoxes()).empty(); });
    if (gone(dlg)) {
        // Once the dialog is destroyed its modal loop has ended and the command that opened it runs on; a
        // WM_NULL to the main window is then answered only after that command (a save, a load) has finished,
        // or by the modal loop of a message box it shows.
        waitFor(timeoutMs, [&] { return !IsWindow(dlg); });
        if (HWND main = findMain(false))
            sync(main);
        return kOk;
    }
    for (HWND b : boxes) printLine(L"box\t" + describeBox(b));
    return fail(boxes.empty() ? L"timeout: the dialog stays open" : L"a message box appeared");
}

HWND fileNameControl(HWND dlg) {
    HWND combo = GetDlgItem(dlg, cmb13);
    if (combo && IsWindowVisible(combo)) return combo;
    HWND edit = GetDlgItem(dlg, edt1);
    return edit ? edit : combo;
}

// Picks the chooser's file type by its 1-based index, as a user choosing it in the list does: the selection
// and the notifications that make the chooser take it.
int selectFileType(HWND dlg, long index) {
    HWND types = GetDlgItem(dlg, cmb1);
    if (!types) return fail(L"the chooser has no file type list");
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutW(types, CB_SETCURSEL, (WPARAM)(index - 1), 0, SMTO_NORMAL, timeoutMs, &r) ||
        r != (DWORD_PTR)(index - 1))
        return fail(L"no file type " + std::to_wstring(index));
    // A pick in the drop-down list notifies both; the chooser takes the new type at the second (Wine only then).
    for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK})
        if (!SendMessageTimeoutW(dlg, WM_COMMAND, MAKEWPARAM(cmb1, code), (LPARAM)types, SMTO_NORMAL, timeoutMs, &r))
            return fail(L"timeout selecting the file type");
    return kOk;
}

// <path> [file type index]: types the name (after choosing the file type, when given) and presses OK.
int chooseFile(const std::wstring& caption, const Args& a) {
    if (a.size() < 2) return kUsage;
    HWND dlg = waitDialog(caption);
    if (!dlg) return kFail;
    long type = 0;
    if (intArg(a, 2, &type) && selectFileType(dlg, type) != kOk) return kFail;
    HWND name = fileNameControl(dlg);
    DWORD_PTR r = 0;
    if (!name) return fail(L"the chooser has no file name field");
    if (!SendMessageTimeoutW(name, WM_SETTEXT, 0, (LPARAM)a[1], SMTO_NORMAL, timeoutMs, &r))
        return fail(L"timeout setting the file name");
    return pressAndWaitGone(dlg, IDOK);
}

int cancelDialog(const std::wstring& caption) {
    HWND dlg = waitDialog(caption);
    return dlg ? pressAndWaitGone(dlg, IDCANCEL) : kFail;
}

// open-filters / save-filters: the display texts of the chooser's file type list, one a line, in order.
int listFileTypes(const std::wstring& caption) {
    HWND dlg = waitDialog(caption);
    HWND types = dlg ? GetDlgItem(dlg, cmb1) : nullptr;
    if (!types) return fail(L"the chooser has no file type list");
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutW(types, CB_GETCOUNT, 0, 0, SMTO_NORMAL, timeoutMs, &count)) return fail(L"timeout");
    for (int i = 0; i < (int)count; ++i) {
        DWORD_PTR length = 0, got = 0;
        if (!SendMessageTimeoutW(types, CB_GETLBTEXTLEN, i, 0, SMTO_NORMAL, timeoutMs, &length))
            return fail(L"timeout");
        std::vector<wchar_t> text(length + 2, L'\0');
        if (!SendMessageTimeoutW(types, CB_GETLBTEXT, i, (LPARAM)text.data(), SMTO_NORMAL, timeoutMs, &got))
            return fail(L"timeout");
        printLine(escape(text.data()));
    }
    return kOk;
}

int cmdOpenFilters(const Args&) { return listFileTypes(L"Ouvrir"); }
int cmdSaveFilters(const Args&) { return listFileTypes(L"Enregistrer sous"); }
int cmdOpenChoose(const Args& a) { return chooseFile(L"Ouvrir", a); }
int cmdOpenCancel(const Args&) { return cancelDialog(L"Ouvrir"); }
int cmdSaveChoose(const Args& a) { return chooseFile(L"Enregistrer sous", a); }
int cmdSaveCancel(const Args&) { return cancelDialog(L"Enregistrer sous"); }

// ---------------------------------------------------------------- colour chooser

constexpr int kColorRed = 706, kColorGreen = 707, kColorBlue = 708, kColorAdd = 712;

HWND waitColorDialog() {
    HWND d = nullptr;
    waitFor(timeoutMs, [&] { return (d = findDialogWithControl(kColorRed, L"Edit")) != nullptr; });
    if (!d) fail(L"timeout: no colour chooser");
    return d;
}

// color-choose r g b [add]: types the three components (each edit tells the chooser as it changes),
// optionally adds the colour to the custom colours, then presses OK.
int cmdColorChoose(const Args& a) {
    long rgb[3];
    if (!intArg(a, 1, &rgb[0]) || !intArg(a, 2, &rgb[1]) || !intArg(a, 3, &rgb[2])) return kUsage;
    bool add = a.size() > 4 && a.v[4] == L"add";
    HWND dlg = waitColorDialog();
    if (!dlg) return kFail;
    const int ids[3] = {kColorRed, kColorGreen, kColorBlue};
    for (int i = 0; i < 3; ++i) {
        DWORD_PTR r = 0;
        std::wstring v = std::to_wstring(rgb[i]);
        if (!SendMessageTimeoutW(GetDlgItem(dlg, ids[i]), WM_SETTEXT, 0, (LPARAM)v.c_str(), SMTO_NORMAL, timeoutMs,
                                 &r))
            return fail(L"timeout setting a colour component");
    }
    if (add && !pressButton(GetDlgItem(dlg, kColorAdd), dlg)) return fail(L"cannot press \"Add to Custom Colors\"");
    return pressAndWaitGone(dlg, IDOK);
}

// color-read: "r<TAB>g<TAB>b" as the colour chooser's three edits show them.
int cmdColorRead(const Args&) {
    HWND dlg = waitColorDialog();
    if (!dlg) return kFail;
    std::wstring line;
    for (int id : {kColorRed, kColorGreen, kColorBlue}) {
        std::wstring value;
        if (!readText(GetDlgItem(dlg, id), &value)) return fail(L"timeout reading a colour component");
        line += (line.empty() ? L"" : L"\t") + value;
    }
    printLine(line);
    return kOk;
}

// color-ok: presses OK with whatever colour the chooser shows.
int cmdColorOk(const Args&) {
    HWND dlg = waitColorDialog();
    return dlg ? pressAndWaitGone(dlg, IDOK) : kFail;
}

int cmdColorCancel(const Args&) {
    HWND dlg = waitColorDialog();
    return dlg ? pressAndWaitGone(dlg, IDCANCEL) : kFail;
}

// ---------------------------------------------------------------- plugins dialog

HWND findPluginsDialog() {
    HWND d = findDialogWithControl(IDC_PLUGIN_LIST, L"ListBox");
    return d && captionOf(d) == L"Plugins" ? d : nullptr;
}

HWND requirePlugins(DWORD ms) {
    HWND d = nullptr;
    waitFor(ms, [&] { return (d = findPluginsDialog()) != nullptr; });
    if (!d) fail(L"no Plugins dialog");
    return d;
}

int cmdPluginsWait(const Args& a) {
    HWND d = requirePlugins(optionalTimeout(a, 1));
    if (!d) return kFail;
    printLine(hex(d));
    return kOk;
}

bool listQuery(HWND list, UINT msg, WPARAM wp, LPARAM lp, DWORD_PTR* r) {
    return SendMessageTimeoutW(list, msg, wp, lp, SMTO_NORMAL, timeoutMs, r) != 0;
}

// Prints "item<TAB>text" for every entry in list order, then "sel<TAB>index" (-1 when nothing is selected).
int cmdPluginsList(const Args&) {
    HWND d = requirePlugins(0);
    if (!d) return kFail;
    HWND list = GetDlgItem(d, IDC_PLUGIN_LIST);
    DWORD_PTR count = 0, sel = 0;
    if (!listQuery(list, LB_GETCOUNT, 0, 0, &count)) return fail(L"timeout");
    for (int i = 0; i < (int)count; ++i) {
        DWORD_PTR len = 0, got = 0;
        if (!listQuery(list, LB_GETTEXTLEN, i, 0, &len)) return fail(L"timeout");
        std::vector<wchar_t> buf(len + 2, L'\0');
        if (!listQuery(list, LB_GETTEXT, i, (LPARAM)buf.data(), &got)) return fail(L"timeout");
        printLine(L"item\t" + escape(buf.data()));
    }
    if (!listQuery(list, LB_GETCURSEL, 0, 0, &sel)) return fail(L"timeout");
    printLine(L"sel\t" + std::to_wstring((int)(LRESULT)sel));
    return kOk;
}

// plugins-select <index>: selects like the user does; the dialog hears LBN_SELCHANGE.
int cmdPluginsSelect(const Args& a) {
    long index;
    if (!intArg(a, 1, &index)) return kUsage;
    HWND d = requirePlugins(0);
    if (!d) return kFail;
    HWND list = GetDlgItem(d, IDC_PLUGIN_LIST);
    DWORD_PTR r = 0;
    if (!listQuery(list, LB_SETCURSEL, (WPARAM)index, 0, &r)) return fail(L"timeout");
    if (!SendNotifyMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_PLUGIN_LIST, LBN_SELCHANGE), (LPARAM)list))
        return fail(L"SendNotifyMessage failed");
    return sync(d) ? kOk : fail(L"timeout: the dialog did not answer");
}

int cmdPluginsText(const Args& a) {
    long id;
    if (!intArg(a, 1, &id)) return kUsage;
    HWND d = requirePlugins(0);
    HWND c = d ? GetDlgItem(d, (int)id) : nullptr;
    std::wstring t;
    if (!c) return fail(L"the Plugins dialog has no control " + std::to_wstring(id));
    if (!readText(c, &t)) return fail(L"timeout reading the text");
    printLine(escape(t));
    return kOk;
}

// plugins-press <id>: OK and Cancel wait until the dialog is gone (or a message box shows up, reported as
// "box" lines); other buttons (Refresh) return once the dialog has handled the click.
int cmdPluginsPress(const Args& a) {
    long id;
    if (!intArg(a, 1, &id)) return kUsage;
    HWND d = requirePlugins(0);
    if (!d) return kFail;
    if (id == IDOK || id == IDCANCEL) return pressAndWaitGone(d, (int)id);
    HWND b = GetDlgItem(d, (int)id);
    if (!b) return fail(L"the Plugins dialog has no button " + std::to_wstring(id));
    return pressButton(b, d) ? kOk : fail(L"timeout: the dialog did not answer");
}

// plugins-close: the dialog's close box, as WM_CLOSE; waits until the dialog is gone.
int cmdPluginsClose(const Args&) {
    HWND d = requirePlugins(0);
    if (!d) return kFail;
    if (!PostMessageW(d, WM_CLOSE, 0, 0)) return fail(L"PostMessage failed");
    return waitFor(timeoutMs, [&] { return gone(d); }) ? kOk : fail(L"timeout: the Plugins dialog stays open");
}

// ---------------------------------------------------------------- settings file helpers

// color-custom <index>: "r<TAB>g<TAB>b" of custom colour slot 0-15 (top row 0-7, bottom row 8-15) as the open
// colour chooser shows it: the centre of the slot's swatch in its 8 x 2 grid, read from the screen.
constexpr int kColorCustomArea = 721;

int cmdColorCustom(const Args& a) {
    long index;
    if (!intArg(a, 1, &index) || index < 0 || index > 15) return kUsage;
    HWND dlg = waitColorDialog();
    if (!dlg) return kFail;
    HWND area = GetDlgItem(dlg, kColorCustomArea);
    if (!area) return fail(L"the colour chooser has no custom colour area");
    sync(dlg);
    RECT r;
    GetClientRect(area, &r);
    const int gap = 4;  // the chooser leaves this many pixels between swatches
    int dx = r.right / 8, dy = r.bottom / 2;
    POINT p = {(int)(index % 8) * dx + (dx - gap) / 2, (int)(index / 8) * dy + (dy - gap) / 2};
    MapWindowPoints(area, dlg, &p, 1);
    HDC dc = GetDC(dlg);
    COLORREF c = GetPixel(dc, p.x, p.y);
    ReleaseDC(dlg, dc);
    if (c == CLR_INVALID) return fail(L"cannot read the custom colour swatch");
    printLine(std::to_wstring(GetRValue(c)) + L"\t" + std::to_wstring(GetGValue(c)) + L"\t" +
              std::to_wstring(GetBValue(c)));
    return kOk;
}

// open-browse / save-browse <folder>: types a folder into the chooser's file name field and presses OK, which
// makes the chooser open that folder (as a user navigating does) and stay open. The click is sent, not posted,
// so the chooser has moved into the folder when the command returns.
int browseFolder(const std::wstring& caption, const Args& a) {
    if (a.size() < 2) return kUsage;
    HWND dlg = waitDialog(caption);
    if (!dlg) return kFail;
    HWND name = fileNameControl(dlg);
    HWND ok = GetDlgItem(dlg, IDOK);
    DWORD_PTR r = 0;
    if (!name || !ok) return fail(L"the chooser has no file name field or no OK button");
    if (!SendMessageTimeoutW(name, WM_SETTEXT, 0, (LPARAM)a[1], SMTO_NORMAL, timeoutMs, &r) ||
        !SendMessageTimeoutW(ok, BM_CLICK, 0, 0, SMTO_NORMAL, timeoutMs, &r))
        return fail(L"timeout: the chooser did not answer");
    for (HWND b : findBoxes()) printLine(L"box\t" + describeBox(b));
    if (gone(dlg)) return fail(L"the chooser closed instead of opening the folder");
    return findBoxes().empty() ? kOk : fail(L"a message box appeared");
}

int cmdOpenBrowse(const Args& a) { return browseFolder(L"Ouvrir", a); }
int cmdSaveBrowse(const Args& a) { return browseFolder(L"Enregistrer sous", a); }

// hold <path> <ms>: opens an existing file with no sharing, as another program locking it would, prints
// "held", and keeps it open for ms milliseconds (or until the driver is killed).
int cmdHold(const Args& a) {
    long ms;
    if (a.size() < 3 || !intArg(a, 2, &ms) || ms <= 0) return kUsage;
    HANDLE f = CreateFileW(a[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return fail(L"cannot open " + a.v[1] + L": error " + std::to_wstring(GetLastError()));
    printLine(L"held");
    Sleep((DWORD)ms);
    CloseHandle(f);
    return kOk;
}

// ---------------------------------------------------------------- faults, memory and long runs

// crash: makes pelterine.exe fault the way a bug of its own would. A thread started in its process at an
// address that holds no code raises an access violation that nothing in the program handles. Waits until the
// process has ended and prints its exit code in hex.
int cmdCrash(const Args&) {
    HWND m = findMain(false);
    if (!m) return fail(L"no main window");
    HANDLE p = OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION |
                               PROCESS_VM_READ | PROCESS_VM_WRITE | SYNCHRONIZE, FALSE, pidOf(m));
    if (!p) return fail(L"OpenProcess failed: error " + std::to_wstring(GetLastError()));
    HANDLE t = CreateRemoteThread(p, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(uintptr_t{0x10}), nullptr,
                                  0, nullptr);
    if (!t) {
        CloseHandle(p);
        return fail(L"CreateRemoteThread failed: error " + std::to_wstring(GetLastError()));
    }
    CloseHandle(t);
    DWORD waited = WaitForSingleObject(p, timeoutMs);
    DWORD code = 0;
    GetExitCodeProcess(p, &code);
    CloseHandle(p);
    if (waited != WAIT_OBJECT_0) return fail(L"timeout: the process still runs after the fault");
    wchar_t text[16];
    swprintf(text, 16, L"%08lx", (unsigned long)code);
    printLine(text);
    return kOk;
}

// memory: "private<TAB>bytes", "pagefile<TAB>bytes" and "working-set<TAB>bytes" of the program's process (Wine 8
// reports no private bytes for another process; its pagefile figure is the committed memory).
int cmdMemory(const Args&) {
    HWND m = findMain(false);
    if (!m) return fail(L"no main window");
    HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pidOf(m));
    if (!p) return fail(L"OpenProcess failed: error " + std::to_wstring(GetLastError()));
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    BOOL ok = GetProcessMemoryInfo(p, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    CloseHandle(p);
    if (!ok) return fail(L"GetProcessMemoryInfo failed: error " + std::to_wstring(GetLastError()));
    printLine(L"private\t" + std::to_wstring((unsigned long long)counters.PrivateUsage));
    printLine(L"pagefile\t" + std::to_wstring((unsigned long long)counters.PagefileUsage));
    printLine(L"working-set\t" + std::to_wstring((unsigned long long)counters.WorkingSetSize));
    return kOk;
}

// The window the program shows above its main window that takes input now, or nullptr: a message box, a
// chooser, the colour chooser, the Plugins dialog. A chooser showing its own box (an overwrite prompt) is
// disabled until the box is answered, so the box is the one returned.
HWND findModal() {
    HWND main = findMain(false);
    for (HWND w : topLevels())
        if (w != main && IsWindowVisible(w) && IsWindowEnabled(w) && isDialog(w) && sameProcessAsMain(w)) return w;
    return nullptr;
}

// Presses a button of a window the program shows and waits until the window is gone, or has opened a box of
// its own above it (and so is disabled).
bool answerWindow(HWND dlg, int id) {
    HWND button = GetDlgItem(dlg, id);
    bool sent = button ? PostMessageW(button, BM_CLICK, 0, 0) : PostMessageW(dlg, WM_COMMAND, (WPARAM)id, 0);
    return sent && waitFor(timeoutMs, [&] { return gone(dlg) || !IsWindowEnabled(dlg); });
}

bool pressAndWait(HWND dlg, int id) {
    HWND button = GetDlgItem(dlg, id);
    bool sent = button ? PostMessageW(button, BM_CLICK, 0, 0) : PostMessageW(dlg, WM_COMMAND, (WPARAM)id, 0);
    return sent && waitFor(timeoutMs, [&] { return gone(dlg); });
}

// load-models <count> <path> [path ...]: types each path in turn into the model box and presses Load, count
// times in all; fails at the first message box (printed).
int cmdLoadModels(const Args& a) {
    timeoutMs = timeoutMs < 10000 ? timeoutMs : 10000;   // each wait; the run as a whole may take longer
    long count;
    if (!intArg(a, 1, &count) || a.size() < 3) return kUsage;
    HWND m = requireMain();
    if (!m) return kFail;
    HWND path = requireControl(m, IDC_MODEL_PATH), load = requireControl(m, IDC_LOAD_MODEL);
    if (!path || !load) return kFail;
    for (long i = 0; i < count; ++i) {
        DWORD_PTR r = 0;
        const wchar_t* model = a[2 + (size_t)i % (a.size() - 2)];
        if (!SendMessageTimeoutW(path, WM_SETTEXT, 0, (LPARAM)model, SMTO_NORMAL, timeoutMs, &r) ||
            !pressButton(load, m))
            return fail(L"timeout: the program did not answer load " + std::to_wstring(i));
        std::vector<HWND> boxes = findBoxes();
        if (!boxes.empty()) {
            printBoxes(boxes);
            return fail(L"a message box appeared at load " + std::to_wstring(i));
        }
    }
    printLine(std::to_wstring(count));
    return kOk;
}

// switch-plugins <count>: opens the Plugins dialog, selects the next entry of its list and presses OK, count
// times; a message box on the way (a plugin's warning) is printed and answered with OK.
int cmdSwitchPlugins(const Args& a) {
    timeoutMs = timeoutMs < 10000 ? timeoutMs : 10000;   // each wait; the run as a whole may take longer
    long count;
    if (!intArg(a, 1, &count)) return kUsage;
    HWND m = requireMain();
    if (!m) return kFail;
    HWND button = requireControl(m, IDC_PLUGINS);
    if (!button) return kFail;
    for (long i = 0; i < count; ++i) {
        if (!SendNotifyMessageW(button, BM_CLICK, 0, 0)) return fail(L"SendNotifyMessage failed");
        HWND d = requirePlugins(timeoutMs);
        if (!d) return kFail;
        HWND list = GetDlgItem(d, IDC_PLUGIN_LIST);
        DWORD_PTR entries = 0, r = 0;
        if (!listQuery(list, LB_GETCOUNT, 0, 0, &entries) || entries == 0) return fail(L"empty plugin list");
        WPARAM index = (WPARAM)(i % (long)entries);
        if (!listQuery(list, LB_SETCURSEL, index, 0, &r) ||
            !SendNotifyMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_PLUGIN_LIST, LBN_SELCHANGE), (LPARAM)list) || !sync(d))
            return fail(L"timeout: the dialog did not answer");
        if (!pressAndWait(d, IDOK)) return fail(L"timeout: the Plugins dialog stays open");
        for (HWND b = nullptr; waitFor(200, [&] { return (b = findModal()) != nullptr; });) {
            printLine(L"box\t" + describeBox(b));
            if (!pressAndWait(b, IDOK)) return fail(L"timeout: a box stays open");
        }
        sync(m);
    }
    printLine(std::to_wstring(count));
    return kOk;
}

// The monkey's dice: a small generator with a fixed sequence for each seed, the same on every system.
struct Dice {
    unsigned long long state;
    unsigned next(unsigned n) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return (unsigned)((state >> 33) % n);
    }
};

const wchar_t* kMonkeyFiles[] = {L"super_pattern_01.bmp", L"_test_boite_tex.vmr", L"monkey.bmp", L"config.cfg",
                                 L"no-such-file.bmp"};

// Answers whatever window the program shows above its main window, at random but always closing it: message
// boxes get one of their buttons, choosers Cancel or a file, the colour chooser and the Plugins dialog OK or
// Cancel. Returns the windows answered, or -1 when one would not close.
int dismissAll(Dice& dice) {
    int answered = 0;
    for (int round = 0; round < 100; ++round) {
        HWND d = findModal();
        if (!d) return answered;
        ++answered;
        std::wstring caption = captionOf(d);
        int button = IDCANCEL;
        sync(d);   // answered once it has finished opening, as a person would
        Sleep(50);
        if (isMessageBox(d)) {
            std::vector<int> ids;
            for (HWND c : childrenOf(d))
                if (classOf(c) == L"Button" && IsWindowVisible(c)) ids.push_back(GetDlgCtrlID(c));
            button = ids.empty() ? IDOK : ids[dice.next((unsigned)ids.size())];
        } else if ((caption == L"Ouvrir" || caption == L"Enregistrer sous") && dice.next(3) == 0) {
            HWND name = fileNameControl(d);
            DWORD_PTR r = 0;
            const wchar_t* file = kMonkeyFiles[dice.next(sizeof kMonkeyFiles / sizeof *kMonkeyFiles)];
            if (name && SendMessageTimeoutW(name, WM_SETTEXT, 0, (LPARAM)file, SMTO_NORMAL, timeoutMs, &r)) {
                button = IDOK;
                printLine(L"file\t" + std::wstring(file));
            }
        } else if (caption == L"Plugins") {
            HWND list = GetDlgItem(d, IDC_PLUGIN_LIST);
            DWORD_PTR entries = 0, r = 0;
            if (list && listQuery(list, LB_GETCOUNT, 0, 0, &entries) && entries > 0)
                listQuery(list, LB_SETCURSEL, dice.next((unsigned)entries), 0, &r);
            button = dice.next(2) ? IDOK : IDCANCEL;
        } else if (findDialogWithControl(kColorRed, L"Edit") == d) {
            button = dice.next(2) ? IDOK : IDCANCEL;
        }
        printLine(L"answer\t" + escape(caption) + L"\t" + std::to_wstring(button) + L"\t" +
                  escape(isMessageBox(d) ? textOf(messageTextControl(d)) : std::wstring()));
        // Only what a user could do: a window that neither closes nor opens a box is a fault, not something to
        // close by force (a chooser closed under its own prompt is not a state a user can reach).
        if (!answerWindow(d, button))
            return -1;
        if (HWND m = findMain(false)) sync(m);
    }
    return -1;
}

// The main window's controls the monkey presses: every button and box except the model path's text.
const int kMonkeyControls[] = {IDC_LOAD_MODEL, IDC_TEXTURE_ON_THE_FLY, IDC_APPLY_TEXTURE, IDC_CHOOSE_MODEL,
                               IDC_COLORS, IDC_PEN_SIZE_OK, IDC_CLASSIC_TEXTURE, IDC_MIPMAP_TEXTURE,
                               IDC_ERASER_SIZE_OK, IDC_SAVE_TEXTURE, IDC_LOAD_TEXTURE, IDC_GRID, IDC_USE_PATTERN,
                               IDC_LOAD_PATTERN, IDC_USE_COLOR, IDC_PLUGINS, IDC_UNDO, IDC_REDO,
                               IDC_SMOOTH_STROKES, IDC_PAINT_ON_MODEL, IDC_EXPORT_UV};
// Commands sent as WM_COMMAND, the shortcuts among them (Undo, Redo, Save, Copy, Paste).
const int kMonkeyCommands[] = {IDC_APPLY_TEXTURE, IDC_UNDO, IDC_REDO, IDC_SAVE_TEXTURE, IDC_LOAD_TEXTURE, IDM_SAVE,
                               IDM_COPY, IDM_PASTE};

// monkey <seed> <actions> <seconds>: random mouse messages to the three views (moves with and without buttons,
// presses, releases), clicks on the main window's controls, commands and typed sizes, at least `actions` of
// them and for at least `seconds`, answering every window that opens. Fails when the program's main window
// goes away or a window will not close. Prints "actions<TAB>n", "windows<TAB>n" (answered) at the end.
int cmdMonkey(const Args& a) {
    timeoutMs = timeoutMs < 10000 ? timeoutMs : 10000;   // each wait; the run as a whole may take longer
    long seed, actions, seconds;
    if (!intArg(a, 1, &seed) || !intArg(a, 2, &actions) || !intArg(a, 3, &seconds)) return kUsage;
    HWND m = requireMain();
    if (!m) return kFail;
    Dice dice{(unsigned long long)seed * 2654435761ULL + 1};
    bool verbose = a.size() > 4 && a.v[4] == L"verbose";
    const wchar_t* views[] = {L"skin", L"skin", L"skin", L"pattern", L"viewport", L"colour"};
    const UINT mouse[] = {WM_MOUSEMOVE, WM_MOUSEMOVE, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN,
                          WM_RBUTTONUP, WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MOUSELEAVE};
    const WPARAM buttons[] = {0, MK_LBUTTON, MK_LBUTTON, MK_RBUTTON, MK_MBUTTON, MK_LBUTTON | MK_SHIFT,
                              MK_LBUTTON | MK_RBUTTON, MK_CONTROL};
    DWORD start = GetTickCount();
    long done = 0, windows = 0;
    const double perMs = (double)actions / ((double)seconds * 1000.0);
    while (done < actions || GetTickCount() - start < (DWORD)seconds * 1000) {
        if (!IsWindow(m)) return fail(L"the main window is gone after " + std::to_wstring(done) + L" actions");
        // A user's input reaches neither the main window nor its views while a window of the program is open
        // above it (the main window is disabled): answer that window first, as the user would.
        if (!IsWindowEnabled(m) || findModal()) {
            sync(m);
            int answered = dismissAll(dice);
            if (answered < 0) return fail(L"a window would not close after " + std::to_wstring(done) + L" actions");
            windows += answered;
            if (!IsWindowEnabled(m) &&
                !waitFor(timeoutMs, [&] { return IsWindowEnabled(m) || !IsWindow(m) || findModal(); })) {
                for (HWND w : topLevels())
                    if (pidOf(w) == pidOf(m))
                        printLine(L"window\t" + classOf(w) + L"\t" + escape(captionOf(w)) +
                                  (IsWindowVisible(w) ? L"\tvisible" : L"\thidden"));
                return fail(L"the main window stays disabled after " + std::to_wstring(done) + L" actions");
            }
            continue;
        }
        unsigned kind = dice.next(100);
        if (kind < 85) {
            HWND view = childByName(m, views[dice.next(sizeof views / sizeof *views)]);
            RECT r;
            GetClientRect(view, &r);
            int x = (int)dice.next((unsigned)r.right + 40) - 20, y = (int)dice.next((unsigned)r.bottom + 40) - 20;
            UINT msg = mouse[dice.next(sizeof mouse / sizeof *mouse)];
            WPARAM wp = buttons[dice.next(sizeof buttons / sizeof *buttons)];
            PostMessageW(view, msg, wp, MAKELPARAM(x, y));
            if (verbose) printLine(L"mouse\t" + classOf(view) + L"\t" + std::to_wstring(msg) + L"\t" +
                                   std::to_wstring(wp) + L"\t" + std::to_wstring(x) + L"\t" + std::to_wstring(y));
        } else if (kind < 93) {
            HWND c = GetDlgItem(m, kMonkeyControls[dice.next(sizeof kMonkeyControls / sizeof *kMonkeyControls)]);
            if (c && IsWindowEnabled(c)) PostMessageW(c, BM_CLICK, 0, 0);
            if (verbose && c) printLine(L"click\t" + std::to_wstring(GetDlgCtrlID(c)));
        } else if (kind < 97) {
            int id = kMonkeyCommands[dice.next(sizeof kMonkeyCommands / sizeof *kMonkeyCommands)];
            PostMessageW(m, WM_COMMAND, (WPARAM)id, 0);
            if (verbose) printLine(L"command\t" + std::to_wstring(id));
        } else {
            int box = dice.next(2) ? IDC_PEN_SIZE : IDC_ERASER_SIZE;
            std::wstring size = std::to_wstring(dice.next(4) ? dice.next(40) : dice.next(100000));
            DWORD_PTR r = 0;
            SendMessageTimeoutW(GetDlgItem(m, box), WM_SETTEXT, 0, (LPARAM)size.c_str(), SMTO_NORMAL, timeoutMs, &r);
            PostMessageW(GetDlgItem(m, box + 1), BM_CLICK, 0, 0);
            if (verbose) printLine(L"size\t" + std::to_wstring(box) + L"\t" + size);
        }
        ++done;
        // Every few actions: let the program catch up (a window it opened answers WM_NULL from its own modal
        // loop), answer whatever opened, and keep to the pace that spreads the actions over the time.
        if (done % 8 == 0 || kind >= 85) {
            sync(m);
            int answered = dismissAll(dice);
            if (answered < 0) return fail(L"a window would not close after " + std::to_wstring(done) + L" actions");
            windows += answered;
            DWORD due = (DWORD)((double)done / perMs);
            DWORD now = GetTickCount() - start;
            if (done < actions && due > now) Sleep(due - now);
        }
    }
    // Clicks posted last may still wait behind a window's modal loop and open another window once it closes:
    // answer until a whole round finds nothing left, so the caller gets the main window free.
    int answered = 0;
    for (int round = 0; round < 20; ++round) {
        sync(m);
        const int now = dismissAll(dice);
        if (now < 0) return fail(L"a window would not close at the end");
        answered += now;
        if (now == 0) break;
    }
    if (!IsWindow(m)) return fail(L"the main window is gone after " + std::to_wstring(done) + L" actions");
    printLine(L"actions\t" + std::to_wstring(done));
    printLine(L"windows\t" + std::to_wstring(windows + answered));
    return kOk;
}

// ---------------------------------------------------------------- debugging

// command <id>: a command without a control of its own (a keyboard shortcut's), as WM_COMMAND to the main window.
int cmdCommand(const Args& a) {
    long id;
    if (!intArg(a, 1, &id)) return kUsage;
    HWND m = requireMain();
    if (!m) return kFail;
    if (!PostMessageW(m, WM_COMMAND, (WPARAM)id, 0)) return fail(L"PostMessage failed");
    return sync(m) ? kOk : fail(L"timeout: the program did not answer the command");
}

// dialog-settext <caption> <id> <text>: the text of a control of a dialog of the program (an edit box, or the
// edit of a drop-down combo box).
int cmdDialogSetText(const Args& a) {
    long id;
    if (a.size() < 4 || !intArg(a, 2, &id)) return kUsage;
    HWND d = waitDialog(a.v[1]);
    HWND c = d ? GetDlgItem(d, (int)id) : nullptr;
    if (!c) return fail(L"no control " + std::to_wstring(id));
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutW(c, WM_SETTEXT, 0, (LPARAM)a.v[3].c_str(), SMTO_NORMAL, timeoutMs, &r))
        return fail(L"timeout setting the text");
    return kOk;
}

// dialog-press <caption> <id>: presses a button of a dialog of the program; says "gone" once the dialog has
// closed, or "box" and the message box that opened instead.
int cmdDialogPress(const Args& a) {
    long id;
    if (a.size() < 3 || !intArg(a, 2, &id)) return kUsage;
    HWND d = waitDialog(a.v[1]);
    HWND button = d ? GetDlgItem(d, (int)id) : nullptr;
    if (!button) return fail(L"the dialog has no button " + std::to_wstring(id));
    if (!PostMessageW(button, BM_CLICK, 0, 0)) return fail(L"PostMessage failed");
    std::vector<HWND> boxes;
    waitFor(timeoutMs, [&] { return gone(d) || !(boxes = findBoxes()).empty(); });
    if (gone(d)) {
        if (HWND main = findMain(false))
            sync(main);
        printLine(L"gone");
        return kOk;
    }
    for (HWND b : boxes) printLine(L"box\t" + describeBox(b));
    return boxes.empty() ? fail(L"timeout: the dialog stays open") : kOk;
}

int cmdWindows(const Args&) {
    for (HWND w : topLevels()) {
        if (!IsWindowVisible(w)) continue;
        RECT r;
        GetWindowRect(w, &r);
        printLine(hex(w) + L"\t" + classOf(w) + L"\t" + escape(captionOf(w)) + L"\tpid " +
                  std::to_wstring(pidOf(w)) + L"\t" + std::to_wstring(r.left) + L"," + std::to_wstring(r.top) +
                  L"," + std::to_wstring(r.right) + L"," + std::to_wstring(r.bottom) +
                  (IsWindowEnabled(w) ? L"" : L"\tdisabled"));
    }
    return kOk;
}

// ---------------------------------------------------------------- clipboard

// clip-put: puts a BMP file's bitmap on the clipboard as CF_DIB (the file without its 14-byte file header), as a
// picture copied in another program would be.
int cmdClipPut(const Args& a) {
    if (a.size() < 2) return kUsage;
    HANDLE f = CreateFileW(a[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return fail(L"cannot open " + a.v[1]);
    std::vector<BYTE> file(GetFileSize(f, nullptr));
    DWORD got = 0;
    const bool read = ReadFile(f, file.data(), (DWORD)file.size(), &got, nullptr) && got == file.size();
    CloseHandle(f);
    if (!read || file.size() <= 14) return fail(L"cannot read " + a.v[1]);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, file.size() - 14);
    void* bytes = block ? GlobalLock(block) : nullptr;
    if (!bytes) return fail(L"GlobalAlloc failed");
    memcpy(bytes, file.data() + 14, file.size() - 14);
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) return fail(L"OpenClipboard failed");
    EmptyClipboard();
    const bool put = SetClipboardData(CF_DIB, block) != nullptr;
    CloseClipboard();
    return put ? kOk : fail(L"SetClipboardData failed");
}

// clip-get: writes the clipboard's CF_DIB as a BMP file; fails when the clipboard holds no picture.
int cmdClipGet(const Args& a) {
    if (a.size() < 2) return kUsage;
    if (!OpenClipboard(nullptr)) return fail(L"OpenClipboard failed");
    HANDLE block = GetClipboardData(CF_DIB);
    const BYTE* bytes = block ? (const BYTE*)GlobalLock(block) : nullptr;
    std::vector<BYTE> dib;
    if (bytes) {
        dib.assign(bytes, bytes + GlobalSize(block));
        GlobalUnlock(block);
    }
    CloseClipboard();
    if (dib.size() < 40) return fail(L"no picture on the clipboard");
    const DWORD headerBytes = *(const DWORD*)dib.data();
    const DWORD fileBytes = (DWORD)(14 + dib.size()), pixelsAt = 14 + headerBytes;
    BYTE header[14] = {'B', 'M'};
    memcpy(header + 2, &fileBytes, 4);
    memcpy(header + 10, &pixelsAt, 4);
    HANDLE f = CreateFileW(a[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return fail(L"cannot write " + a.v[1]);
    DWORD put = 0, put2 = 0;
    const bool written = WriteFile(f, header, 14, &put, nullptr) && WriteFile(f, dib.data(), (DWORD)dib.size(), &put2, nullptr);
    CloseHandle(f);
    return written ? kOk : fail(L"cannot write " + a.v[1]);
}

// drop: drops files on the main window as Explorer would: a DROPFILES block of wide paths written into
// pelterine.exe's memory and posted as WM_DROPFILES. (The system's own drop allocates it in the receiver too;
// under Wine the block's release by DragFinish is refused harmlessly, as it is no heap block.)
int cmdDrop(const Args& a) {
    if (a.size() < 2) return kUsage;
    HWND m = requireMain();
    if (!m) return kFail;
    std::vector<BYTE> block(sizeof(DROPFILES));
    for (size_t i = 1; i < a.size(); ++i) {
        const BYTE* text = (const BYTE*)a.v[i].c_str();
        block.insert(block.end(), text, text + (a.v[i].size() + 1) * sizeof(wchar_t));
    }
    block.resize(block.size() + sizeof(wchar_t), 0);
    DROPFILES* header = (DROPFILES*)block.data();
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    HANDLE p = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pidOf(m));
    if (!p) return fail(L"OpenProcess failed: error " + std::to_wstring(GetLastError()));
    void* remote = VirtualAllocEx(p, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    SIZE_T put = 0;
    const bool written = remote && WriteProcessMemory(p, remote, block.data(), block.size(), &put) && put == block.size();
    CloseHandle(p);
    if (!written) return fail(L"cannot write the drop into pelterine.exe");
    return PostMessageW(m, WM_DROPFILES, (WPARAM)remote, 0) ? kOk : fail(L"PostMessage failed");
}

// ---------------------------------------------------------------- dispatch

struct Command {
    const wchar_t* name;
    int (*run)(const Args&);
    const wchar_t* usage;
};

// ---- the Layers panel

// layer-choose <row>: chooses a row of the layer list (the top layer is row 0) as the keyboard does.
int cmdLayerChoose(const Args& a) {
    long row;
    if (!intArg(a, 1, &row)) return kUsage;
    HWND m = requireMain();
    HWND list = m ? GetDlgItem(m, IDC_LAYER_LIST) : nullptr;
    if (!list) return fail(L"no layer list");
    PostMessageW(list, WM_KEYDOWN, VK_HOME, 0);
    for (long i = 0; i < row; ++i) PostMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
    return sync(m) ? kOk : fail(L"timeout");
}

// layer-opacity <0-100>: the opacity trackbar moved there and let go.
int cmdLayerOpacity(const Args& a) {
    long pos;
    if (!intArg(a, 1, &pos)) return kUsage;
    HWND m = requireMain();
    HWND bar = m ? GetDlgItem(m, IDC_LAYER_OPACITY) : nullptr;
    if (!bar) return fail(L"no opacity trackbar");
    SendMessageW(bar, TBM_SETPOS, TRUE, pos);
    PostMessageW(m, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, pos), (LPARAM)bar);
    PostMessageW(m, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), (LPARAM)bar);
    return sync(m) ? kOk : fail(L"timeout");
}

// layer-mode <index>: a blend mode chosen in the mode box.
int cmdLayerMode(const Args& a) {
    long index;
    if (!intArg(a, 1, &index)) return kUsage;
    HWND m = requireMain();
    HWND box = m ? GetDlgItem(m, IDC_LAYER_MODE) : nullptr;
    if (!box) return fail(L"no mode box");
    SendMessageW(box, CB_SETCURSEL, (WPARAM)index, 0);
    PostMessageW(m, WM_COMMAND, MAKEWPARAM(IDC_LAYER_MODE, CBN_SELCHANGE), (LPARAM)box);
    return sync(m) ? kOk : fail(L"timeout");
}

// layer-rows: one line a row of the layer list, top first: name, "shown" or "hidden", and "active" for the
// selected one. The names are read through memory of the program's own, as a list view's text must be.
int cmdLayerRows(const Args&) {
    HWND m = requireMain();
    HWND list = m ? GetDlgItem(m, IDC_LAYER_LIST) : nullptr;
    if (!list) return fail(L"no layer list");
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return fail(L"cannot open the program's process");
    const SIZE_T textChars = 260;
    BYTE* remote = (BYTE*)VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + textChars * 2,
                                               MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    int result = kOk;
    const LRESULT rows = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (LRESULT row = 0; remote && row < rows; ++row) {
        LVITEMW item = {};
        item.iSubItem = 0;
        item.pszText = (LPWSTR)(remote + sizeof(LVITEMW));
        item.cchTextMax = (int)textChars;
        wchar_t text[260] = {};
        if (!WriteProcessMemory(process, remote, &item, sizeof item, nullptr) ||
            SendMessageW(list, LVM_GETITEMTEXTW, (WPARAM)row, (LPARAM)remote) < 0 ||
            !ReadProcessMemory(process, remote + sizeof(LVITEMW), text, sizeof text - 2, nullptr)) {
            result = fail(L"cannot read a row");
            break;
        }
        const LRESULT state = SendMessageW(list, LVM_GETITEMSTATE, (WPARAM)row, LVIS_STATEIMAGEMASK | LVIS_SELECTED);
        const bool shown = ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
        printLine(escape(text) + (shown ? L"\tshown" : L"\thidden") + ((state & LVIS_SELECTED) ? L"\tactive" : L""));
    }
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return remote ? result : fail(L"cannot reach the program's memory");
}

const Command kCommands[] = {
    {L"wait-main", cmdWaitMain, L"[timeout_ms]"},
    {L"boxes", cmdBoxes, L""},
    {L"wait-box", cmdWaitBox, L"[timeout_ms]"},
    {L"wait-no-box", cmdWaitNoBox, L"[timeout_ms]"},
    {L"press-box", cmdPressBox, L"<button_id> [caption]"},
    {L"click", cmdClick, L"<id>"},
    {L"text", cmdText, L"<id>"},
    {L"settext", cmdSetText, L"<id> <text>"},
    {L"checked", cmdChecked, L"<id>"},
    {L"enabled", cmdEnabled, L"<id>"},
    {L"focus", cmdFocus, L""},
    {L"mouse", cmdMouse, L"<move|lmove|rmove|ldown|lup|rdown|rup|...> <x> <y> [wparam] [skin|pattern|viewport|colour]"},
    {L"capture", cmdCapture, L"<skin|pattern|viewport|colour|main> <out.bmp>"},
    {L"client-origin", cmdClientOrigin, L"[dialog caption]"},
    {L"controls", cmdControls, L"[dialog caption]"},
    {L"dialogs", cmdDialogs, L""},
    {L"post-dabs", cmdPostDabs, L"<count> <marker x> <marker y> [wparam]"},
    {L"open-choose", cmdOpenChoose, L"<path> [file type index]"},
    {L"open-cancel", cmdOpenCancel, L""},
    {L"open-filters", cmdOpenFilters, L""},
    {L"save-choose", cmdSaveChoose, L"<path> [file type index]"},
    {L"save-filters", cmdSaveFilters, L""},
    {L"save-cancel", cmdSaveCancel, L""},
    {L"color-choose", cmdColorChoose, L"<r> <g> <b> [add]"},
    {L"color-read", cmdColorRead, L""},
    {L"color-ok", cmdColorOk, L""},
    {L"color-cancel", cmdColorCancel, L""},
    {L"plugins-wait", cmdPluginsWait, L"[timeout_ms]"},
    {L"plugins-list", cmdPluginsList, L""},
    {L"plugins-select", cmdPluginsSelect, L"<index>"},
    {L"plugins-text", cmdPluginsText, L"<id>"},
    {L"plugins-press", cmdPluginsPress, L"<id>"},
    {L"plugins-close", cmdPluginsClose, L""},
    {L"color-custom", cmdColorCustom, L"<index 0-15>"},
    {L"open-browse", cmdOpenBrowse, L"<folder>"},
    {L"save-browse", cmdSaveBrowse, L"<folder>"},
    {L"hold", cmdHold, L"<path> <ms>"},
    {L"close", cmdClose, L""},
    {L"activate", cmdActivate, L""},
    {L"move", cmdMove, L"<x> <y>"},
    {L"show", cmdShow, L"<minimize|maximize|restore>"},
    {L"state", cmdState, L""},
    {L"text-width", cmdTextWidth, L"<text>"},
    {L"windows", cmdWindows, L""},
    {L"command", cmdCommand, L"<id>"},
    {L"dialog-settext", cmdDialogSetText, L"<caption> <id> <text>"},
    {L"dialog-press", cmdDialogPress, L"<caption> <id>"},
    {L"crash", cmdCrash, L""},
    {L"memory", cmdMemory, L""},
    {L"load-models", cmdLoadModels, L"<count> <path> [path ...]"},
    {L"switch-plugins", cmdSwitchPlugins, L"<count>"},
    {L"monkey", cmdMonkey, L"<seed> <actions> <seconds> [verbose]"},
    {L"layer-choose", cmdLayerChoose, L"<row>"},
    {L"layer-opacity", cmdLayerOpacity, L"<0-100>"},
    {L"layer-mode", cmdLayerMode, L"<index>"},
    {L"layer-rows", cmdLayerRows, L""},
    {L"clip-put", cmdClipPut, L"<picture.bmp>"},
    {L"clip-get", cmdClipGet, L"<out.bmp>"},
    {L"drop", cmdDrop, L"<path> [path ...]"},
};

int usage() {
    fail(L"usage: pelterine_driver [-t timeout_ms] [-a] <command> [args]");
    for (const Command& c : kCommands) fail(std::wstring(L"  ") + c.name + L" " + c.usage);
    return kUsage;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    Args a;
    int i = 1;
    if (argc > 2 && std::wstring(argv[1]) == L"-t") {
        long t;
        if (!parseInt(argv[2], &t) || t <= 0) return usage();
        timeoutMs = (DWORD)t;
        i = 3;
    }
    if (i < argc && std::wstring(argv[i]) == L"-a") {
        anyProcess = true;
        ++i;
    }
    for (; i < argc; ++i) a.v.push_back(argv[i]);
    if (a.v.empty()) return usage();
    for (const Command& c : kCommands) {
        if (a.v[0] != c.name) continue;
        int rc = c.run(a);
        return rc == kUsage ? usage() : rc;
    }
    return usage();
}
