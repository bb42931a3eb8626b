/* nodraw.dll: test plugin with sk_load and the four optional exports but no sk_draw. Its one texture
 * triangle, (0.5, 0.5), (1, 0.5), (0.5, 1), tells its grid apart from the other test plugins'. */
#include "plugin-api/plugin_api.h"

static int loaded;

#define ONE_TRIANGLE_CORNERS {{0.5f, 0.5f}, {1.0f, 0.5f}, {0.5f, 1.0f}}
#define ONE_TRIANGLE_PRESENT loaded
#include "one_triangle.h"

SK_EXPORT int sk_load(const char *path)
{
    (void)path;
    loaded = 1;
    return 1;
}

SK_EXPORT const char *sk_info(void)
{
    return "Test plugin without sk_draw";
}
