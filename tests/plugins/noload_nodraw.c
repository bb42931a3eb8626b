/* noload_nodraw.dll: test plugin with sk_info and the three grid exports but neither sk_load nor sk_draw. */
#include "plugins/plugin_api.h"

static const float corners[3][2] = {{0, 0}, {1, 0}, {0, 1}};
static TexCoordTriangle triangle = {{corners[0], corners[1], corners[2]}};
static TexCoordTriangle *table[1] = {&triangle};

SK_EXPORT int sk_getinfo(int *triangleCount, int *hasTexCoords)
{
    if (triangleCount)
        *triangleCount = 1;
    if (hasTexCoords)
        *hasTexCoords = 1;
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
    return "Test plugin without sk_load and sk_draw";
}
