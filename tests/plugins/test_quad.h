/* The square the test plugins draw: side 20, facing the viewer, white, textured with whatever is bound, so a
 * frame shows that the plugin drew. Included by one source file per test plugin. */
#ifndef TEST_QUAD_H
#define TEST_QUAD_H

#include <windows.h>
#include <GL/gl.h>

static void drawTestQuad(void)
{
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-10.0f, -10.0f, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(10.0f, -10.0f, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(10.0f, 10.0f, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-10.0f, 10.0f, 0.0f);
    glEnd();
}

#endif
