// The fixed GL state and the projection every frame starts from, set up at the viewport's creation and set
// again after a plugin left them in disorder or the viewport changed size.
#include "viewport/gl_state.h"

#include <windows.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include "viewport/camera.h"

void setupRenderingState()
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

// The viewport draws at its real size, with the projection following its aspect ratio: at the start size,
// 512 x 512 at 96 DPI, a 45-degree perspective with an aspect ratio of 1.
void setupProjection()
{
    glViewport(0, 0, viewportArea.width, viewportArea.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const Perspective perspective = viewportPerspective(viewportArea.width, viewportArea.height);
    gluPerspective(perspective.fieldOfViewY, perspective.aspect, 1.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void restoreRenderingState()
{
    setupRenderingState();
    setupProjection();
}
