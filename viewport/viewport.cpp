// The viewport window: pixel format, the one rendering context, and how a frame reaches the screen.
#include "viewport/viewport.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdlib>
#include <vector>

#include "resources/resource.h"
#include "shell/frame_pacer.h"
#include "shell/window_helpers.h"
#include "viewport/camera.h"
#include "viewport/gl_extensions.h"
#include "viewport/gl_state.h"
#include "viewport/paint_on_model.h"
#include "paint/paint_options.h"

#ifndef GL_BGRA_EXT
#define GL_BGRA_EXT 0x80E1
#endif

HWND viewportWindow;
HDC viewportDC;
HGLRC renderingContext;

// Wine before 10 renders OpenGL in a child window offscreen and never shows it. There the pixel format and
// the context live on a hidden child of the viewport instead, and each frame is read back and drawn onto the
// viewport, which has no pixel format, with GDI. Everywhere else these stay empty and the context draws
// straight into the viewport.
static HWND surfaceWindow;
static HDC renderDC;
static std::vector<uint32_t> framePixels;
static BITMAPINFO frameHeader;
static bool vsyncRequested;

static const PIXELFORMATDESCRIPTOR pixelFormatRequest = {
    sizeof(PIXELFORMATDESCRIPTOR), 1,
    PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER,
    PFD_TYPE_RGBA, 32,
    0, 0, 0, 0, 0, 0,
    0, 0,
    0, 0, 0, 0, 0,
    16, 0, 0,
    PFD_MAIN_PLANE, 0, 0, 0, 0,
};

static void choosePixelFormat(HDC dc)
{
    int format = ChoosePixelFormat(dc, &pixelFormatRequest);
    SetPixelFormat(dc, format, &pixelFormatRequest);
}

static bool wineHidesChildOpenGL()
{
    typedef const char *(CDECL * WineVersionFn)();
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    WineVersionFn wineVersion =
        ntdll ? reinterpret_cast<WineVersionFn>(reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "wine_get_version")))
              : nullptr;
    return wineVersion && std::atoi(wineVersion()) < 10;
}

static void sizeFrame(int width, int height)
{
    if (!surfaceWindow || width <= 0 || height <= 0)
        return;
    framePixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    frameHeader = BITMAPINFO{};
    frameHeader.bmiHeader.biSize = sizeof frameHeader.bmiHeader;
    frameHeader.bmiHeader.biWidth = width;
    frameHeader.bmiHeader.biHeight = height;   // bottom-up, the order glReadPixels gives
    frameHeader.bmiHeader.biPlanes = 1;
    frameHeader.bmiHeader.biBitCount = 32;
    frameHeader.bmiHeader.biCompression = BI_RGB;
    SetWindowPos(surfaceWindow, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

static HWND makeSurfaceWindow(HWND viewport, int width, int height)
{
    return CreateWindowExA(0, "OpenGLSurfaceWindowClass", nullptr, WS_CHILD, 0, 0, width, height, viewport, nullptr,
                           appInstance, nullptr);
}

static HDC createSurface(HWND viewport, int width, int height)
{
    if (!registerChildClass("OpenGLSurfaceWindowClass", DefWindowProcA))
        return nullptr;
    surfaceWindow = makeSurfaceWindow(viewport, width, height);
    if (!surfaceWindow)
        return nullptr;
    sizeFrame(width, height);
    return GetDC(surfaceWindow);
}

// Wine 8 keeps the drawable of a hidden window at the size it had when its pixel format was set, whatever the
// window's size since. A new size takes a new surface with the same pixel format, on which the one context goes
// on with everything it holds (the textures, the state); the old surface is then destroyed.
static void resizeSurface(int width, int height)
{
    if (width == frameHeader.bmiHeader.biWidth && height == frameHeader.bmiHeader.biHeight)
        return;
    HWND next = makeSurfaceWindow(GetParent(surfaceWindow), width, height);
    HDC nextDC = next ? GetDC(next) : nullptr;
    if (nextDC)
        choosePixelFormat(nextDC);
    if (!nextDC || !wglMakeCurrent(nextDC, renderingContext)) {
        if (next)
            DestroyWindow(next);
        sizeFrame(width, height);
        return;
    }
    DestroyWindow(surfaceWindow);
    surfaceWindow = next;
    renderDC = nextDC;
    sizeFrame(width, height);
}

// Asks the driver to swap in step with the display where it can (WGL_EXT_swap_control).
static void requestVsync()
{
    typedef const char *(WINAPI * ExtensionsFn)();
    typedef BOOL(WINAPI * SwapIntervalFn)(int);
    ExtensionsFn extensions = reinterpret_cast<ExtensionsFn>(
        reinterpret_cast<void (*)()>(wglGetProcAddress("wglGetExtensionsStringEXT")));
    const char *listed = extensions ? extensions() : nullptr;
    const char *glListed = reinterpret_cast<const char *>(glGetString(GL_EXTENSIONS));
    if (!extensionListed(listed, "WGL_EXT_swap_control") && !extensionListed(glListed, "WGL_EXT_swap_control"))
        return;
    SwapIntervalFn swapInterval =
        reinterpret_cast<SwapIntervalFn>(reinterpret_cast<void (*)()>(wglGetProcAddress("wglSwapIntervalEXT")));
    vsyncRequested = swapInterval && swapInterval(1);
}

bool swapWaitsForDisplay()
{
    return vsyncRequested && !surfaceWindow;
}

void presentFrame()
{
    if (!surfaceWindow || framePixels.empty()) {
        SwapBuffers(viewportDC);
        return;
    }
    LONG width = frameHeader.bmiHeader.biWidth;
    LONG height = frameHeader.bmiHeader.biHeight;
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_BGRA_EXT, GL_UNSIGNED_BYTE, framePixels.data());
    SetDIBitsToDevice(viewportDC, 0, 0, width, height, 0, 0, 0, height, framePixels.data(), &frameHeader,
                      DIB_RGB_COLORS);
}

// Frames are drawn only while something in the viewport moves, so an uncovered viewport shows the last frame
// again. Copied by GDI, the last frame is at hand; a swapped one is not (the back buffer is undefined after a
// swap), so there the next idle moment draws it again.
static void paintLastFrame(HWND window)
{
    if (!surfaceWindow) {
        ValidateRect(window, nullptr);
        requestViewportFrame();
        return;
    }
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc && !framePixels.empty())
        SetDIBitsToDevice(dc, 0, 0, frameHeader.bmiHeader.biWidth, frameHeader.bmiHeader.biHeight, 0, 0, 0,
                          frameHeader.bmiHeader.biHeight, framePixels.data(), &frameHeader, DIB_RGB_COLORS);
    EndPaint(window, &paint);
}

// The camera moves only while a button is held over the viewport (or was pressed there and not yet seen up), so
// a press, a release, or a move with a button down brings frames back; a bare move over it changes nothing.
static void noteViewportMouse(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const bool button = message != WM_MOUSEMOVE || (wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) != 0;
    // With "Paint on model" the brush outline follows the cursor: a bare move, and leaving, draw a frame.
    if (paintOptions.paintOnModel && (message == WM_MOUSEMOVE || message == WM_MOUSELEAVE)) {
        if (message == WM_MOUSEMOVE) {
            TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, window, 0};
            TrackMouseEvent(&track);
        }
        requestViewportFrame();
    }
    if (!button || message < WM_MOUSEFIRST || message > WM_MOUSELAST)
        return;
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN) {
        POINT press = {static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
        ClientToScreen(window, &press);
        notePressAt(CursorPoint{press.x, press.y});
    }
    requestViewportFrame();
}

static LRESULT CALLBACK viewportWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        // The DC is kept for the whole run (the class is CS_OWNDC), and the context stays current on it.
        const CREATESTRUCTA *create = reinterpret_cast<const CREATESTRUCTA *>(lParam);
        viewportDC = GetDC(window);
        renderDC = wineHidesChildOpenGL() ? createSurface(window, create->cx, create->cy) : nullptr;
        if (!renderDC)
            renderDC = viewportDC;
        choosePixelFormat(renderDC);
        renderingContext = wglCreateContext(renderDC);
        wglMakeCurrent(renderDC, renderingContext);
        setupRenderingState();
        requestVsync();
        return 1;
    }
    case WM_MOVE:
        viewportArea.left = static_cast<int16_t>(LOWORD(lParam));
        viewportArea.top = static_cast<int16_t>(HIWORD(lParam));
        return 0;
    case WM_SIZE:
        // A viewport of no size has nothing to draw: GL keeps the last real size.
        if (LOWORD(lParam) == 0 || HIWORD(lParam) == 0)
            return 1;
        viewportArea.width = LOWORD(lParam);
        viewportArea.height = HIWORD(lParam);
        if (surfaceWindow)
            resizeSurface(viewportArea.width, viewportArea.height);
        setupProjection();
        requestViewportFrame();
        return 1;
    case WM_PAINT:
        paintLastFrame(window);
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) != HTCLIENT || !paintOptions.paintOnModel)
            break;
        SetCursor(LoadCursor(nullptr, IDC_CROSS));   // painting on the model aims at a point
        return TRUE;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        noteViewportMouse(window, message, wParam, lParam);
        notePressOnModel(message == WM_LBUTTONDOWN, static_cast<int16_t>(LOWORD(lParam)),
                         static_cast<int16_t>(HIWORD(lParam)), static_cast<uint32_t>(wParam));
        SetFocus(window);
        break;
    case WM_MBUTTONDOWN:
        // The camera polls the buttons itself; a press only takes the keyboard focus out of the text boxes,
        // so the shortcuts act on the texture.
        noteViewportMouse(window, message, wParam, lParam);
        SetFocus(window);
        break;
    default:
        noteViewportMouse(window, message, wParam, lParam);
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void createViewport(int x, int y, int width, int height)
{
    if (!registerChildClass("OpenGLViewportWindowClass", viewportWindowProc))
        return;
    viewportWindow = createChildWindow("OpenGLViewportWindowClass", x, y, width, height);
}
