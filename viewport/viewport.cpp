// The viewport window: pixel format, the one rendering context, the fixed GL state and the projection.
#include "viewport/viewport.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdlib>
#include <vector>

#include "resources/resource.h"
#include "shell/window_helpers.h"
#include "viewport/gl_extensions.h"
#include "viewport/paint_on_model.h"

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

static HDC createSurface(HWND viewport)
{
    if (!registerChildClass("OpenGLSurfaceWindowClass", DefWindowProcA))
        return nullptr;
    surfaceWindow = CreateWindowExA(0, "OpenGLSurfaceWindowClass", nullptr, WS_CHILD, 0, 0, 512, 512, viewport,
                                    nullptr, appInstance, nullptr);
    if (!surfaceWindow)
        return nullptr;
    sizeFrame(512, 512);
    return GetDC(surfaceWindow);
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

// With the frame copied by GDI the viewport no longer repaints itself when uncovered: draw the last frame
// again, which matters while a modal loop holds back new frames.
static void paintLastFrame(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc && !framePixels.empty())
        SetDIBitsToDevice(dc, 0, 0, frameHeader.bmiHeader.biWidth, frameHeader.bmiHeader.biHeight, 0, 0, 0,
                          frameHeader.bmiHeader.biHeight, framePixels.data(), &frameHeader, DIB_RGB_COLORS);
    EndPaint(window, &paint);
}

static void setupRenderingState()
{
    const GLfloat greyAmbient[4] = {0.5f, 0.5f, 0.5f, 0.5f};
    const GLfloat greyDiffuse[4] = {0.5f, 0.5f, 0.5f, 0.5f};
    // w = 0: a directional light from the upper right on the viewer's side, fixed in eye space because the
    // modelview matrix is still the identity here.
    const GLfloat lightDirection[4] = {1.0f, 1.0f, 1.0f, 0.0f};

    glEnable(GL_DEPTH_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    glMaterialfv(GL_FRONT, GL_AMBIENT, greyAmbient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, greyDiffuse);
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
    glLightfv(GL_LIGHT0, GL_AMBIENT, greyAmbient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, greyDiffuse);
    glLightfv(GL_LIGHT0, GL_POSITION, lightDirection);
    glEnable(GL_LIGHT0);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
}

// The viewport is never resized: whatever size the message carries, it is the fixed 512 x 512.
static void setupProjection()
{
    glViewport(0, 0, 512, 512);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.0, 1.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void restoreRenderingState()
{
    setupRenderingState();
    setupProjection();
}

static LRESULT CALLBACK viewportWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        // The DC is kept for the whole run (the class is CS_OWNDC), and the context stays current on it.
        viewportDC = GetDC(window);
        renderDC = wineHidesChildOpenGL() ? createSurface(window) : nullptr;
        if (!renderDC)
            renderDC = viewportDC;
        choosePixelFormat(renderDC);
        renderingContext = wglCreateContext(renderDC);
        wglMakeCurrent(renderDC, renderingContext);
        setupRenderingState();
        requestVsync();
        return 1;
    case WM_SIZE:
        sizeFrame(LOWORD(lParam), HIWORD(lParam));
        setupProjection();
        return 1;
    case WM_PAINT:
        if (!surfaceWindow)
            break;
        paintLastFrame(window);
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) != HTCLIENT || !isChecked(IDC_PAINT_ON_MODEL))
            break;
        SetCursor(LoadCursor(nullptr, IDC_CROSS));   // painting on the model aims at a point
        return TRUE;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        notePressOnModel(message == WM_LBUTTONDOWN, static_cast<int16_t>(LOWORD(lParam)),
                         static_cast<int16_t>(HIWORD(lParam)), static_cast<uint32_t>(wParam));
        SetFocus(window);
        break;
    case WM_MBUTTONDOWN:
        // The camera polls the buttons itself; a press only takes the keyboard focus out of the text boxes,
        // so the shortcuts act on the texture.
        SetFocus(window);
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void createViewport(int x, int y)
{
    if (!registerChildClass("OpenGLViewportWindowClass", viewportWindowProc))
        return;
    viewportWindow = createChildWindow("OpenGLViewportWindowClass", x, y, 512, 512);
}
