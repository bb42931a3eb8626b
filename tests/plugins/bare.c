/* bare.dll: test plugin with only the two required exports, sk_load and sk_draw. */
#include <windows.h>
#include <GL/gl.h>

#include "plugin-api/plugin_api.h"
#include "test_quad.h"

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
    drawTestQuad();
    return 1;
}
