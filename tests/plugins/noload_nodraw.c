/* noload_nodraw.dll: test plugin with sk_info and the three grid exports but neither sk_load nor sk_draw. */
#include "plugin-api/plugin_api.h"

#define ONE_TRIANGLE_CORNERS {{0, 0}, {1, 0}, {0, 1}}
#define ONE_TRIANGLE_PRESENT 1
#include "one_triangle.h"

SK_EXPORT const char *sk_info(void)
{
    return "Test plugin without sk_load and sk_draw";
}
