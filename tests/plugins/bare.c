/* bare.dll: test plugin with only the two required exports, sk_load and sk_draw. */
#include <windows.h>
#include <GL/gl.h>

#include "plugins/plugin_api.h"

static int loaded;

SK_EXPORT int sk_load(const char *path)
{
    (void)path;
    loaded = 1;
    return 1;
}

/* A white textured square of side 20 facing the viewer, so a frame shows that it was drawn. */
SK_EXPORT int sk_draw(void)
{
    if (!loaded)
        return 0;
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
    return 1;
}
