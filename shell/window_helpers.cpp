// The program's handles and the small helpers for child windows and control state.
#include "shell/window_helpers.h"

#include "shell/dialog_layout.h"

HINSTANCE appInstance;
HWND mainWindow;

bool registerChildClass(const char *name, WNDPROC procedure)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    // CS_OWNDC: each view keeps the DC it takes at creation for every paint or frame of the run; a DC from
    // the shared cache would have to be released after each use.
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = procedure;
    wc.hInstance = appInstance;
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) != 0;
}

HWND createChildWindow(const char *className, int x, int y, int width, int height)
{
    return CreateWindowExA(0, className, nullptr, WS_CHILD | WS_VISIBLE, x, y, width, height, mainWindow, nullptr,
                           appInstance, nullptr);
}

HWND createControl(HWND window, const wchar_t *className, const wchar_t *text, DWORD style, int id, const RECT &r)
{
    HWND child = CreateWindowExW(0, className, text, WS_CHILD | style, r.left, r.top, r.right - r.left,
                                 r.bottom - r.top, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 appInstance, nullptr);
    SendMessageW(child, WM_SETFONT, SendMessageW(window, WM_GETFONT, 0, 0), FALSE);
    return child;
}

POINT placeInMainWindow(int x, int y)
{
    RECT units = {0, 0, 4, 8};
    MapDialogRect(mainWindow, &units);
    const PixelPoint place = placeForDialogUnits({x, y}, {units.right, units.bottom});
    return {place.x, place.y};
}

int windowDpi(HWND window)
{
    // Looked up rather than linked: the program also runs on systems that lack it.
    typedef UINT(WINAPI * GetDpiForWindowFn)(HWND);
    static const GetDpiForWindowFn getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    UINT dpi = getDpiForWindow && window ? getDpiForWindow(window) : 0;
    if (dpi == 0) {
        HDC screen = GetDC(nullptr);
        dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX));
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? static_cast<int>(dpi) : 96;
}

bool isGroupBox(HWND control)
{
    wchar_t className[16] = L"";
    GetClassNameW(control, className, 16);
    return lstrcmpiW(className, L"Button") == 0 && (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

RECT childRectInClient(HWND parent, HWND child)
{
    RECT rect = {};
    if (GetWindowRect(child, &rect))
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT *>(&rect), 2);
    return rect;
}

bool isMouseButtonDown(int virtualKey)
{
    // GetAsyncKeyState reads the physical buttons.
    if (GetSystemMetrics(SM_SWAPBUTTON) && (virtualKey == VK_LBUTTON || virtualKey == VK_RBUTTON))
        virtualKey = virtualKey == VK_LBUTTON ? VK_RBUTTON : VK_LBUTTON;
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}
