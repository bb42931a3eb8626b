// The viewport window: pixel format, the one rendering context, the fixed GL state and the projection.
#include "viewport/viewport.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "app/shell.h"

HWND viewportWindow;
HDC viewportDC;
HGLRC renderingContext;

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

static void choosePixelFormat()
{
    int format = ChoosePixelFormat(viewportDC, &pixelFormatRequest);
    SetPixelFormat(viewportDC, format, &pixelFormatRequest);
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

static LRESULT CALLBACK viewportWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        // The DC is kept for the whole run (the class is CS_OWNDC), and the context stays current on it.
        viewportDC = GetDC(window);
        choosePixelFormat();
        renderingContext = wglCreateContext(viewportDC);
        wglMakeCurrent(viewportDC, renderingContext);
        setupRenderingState();
        return 1;
    case WM_SIZE:
        setupProjection();
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void createViewport()
{
    if (!registerChildClass("OpenGLViewportWindowClass", viewportWindowProc))
        return;
    viewportWindow = createChildWindow("OpenGLViewportWindowClass", 10, 10, 512, 512);
}
