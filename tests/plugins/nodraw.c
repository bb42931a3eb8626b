/* nodraw.dll: test plugin with sk_load and the four optional exports but no sk_draw. Its one texture
 * triangle, (0.5, 0.5), (1, 0.5), (0.5, 1), tells its grid apart from the other test plugins'. */
#include "plugins/plugin_api.h"

static const float corners[3][2] = {{0.5f, 0.5f}, {1.0f, 0.5f}, {0.5f, 1.0f}};
static TexCoordTriangle triangle = {{corners[0], corners[1], corners[2]}};
static TexCoordTriangle *table[1] = {&triangle};
static int loaded;

SK_EXPORT int sk_load(const char *path)
{
    (void)path;
    loaded = 1;
    return 1;
}

SK_EXPORT int sk_getinfo(int *triangleCount, int *hasTexCoords)
{
    if (triangleCount)
        *triangleCount = loaded ? 1 : 0;
    if (hasTexCoords)
        *hasTexCoords = loaded;
    return 1;
}

SK_EXPORT TexCoordTriangle **sk_gettexcoord(void)
{
    return table;
}

SK_EXPORT int sk_freetexcoordtab(int triangleCount, TexCoordTriangle **tab)
{
    (void)triangleCount;
    (void)tab; /* static table: nothing to release */
    return 1;
}

SK_EXPORT const char *sk_info(void)
{
    return "Test plugin without sk_draw";
}
