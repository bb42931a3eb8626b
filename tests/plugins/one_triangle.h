/* The three grid exports of a test plugin that reports one fixed texture triangle. Before including it, define
 * ONE_TRIANGLE_CORNERS (three {u, v} pairs) and ONE_TRIANGLE_PRESENT (an expression that is non-zero while the
 * triangle is reported). Included by one source file per test plugin. */
#ifndef ONE_TRIANGLE_H
#define ONE_TRIANGLE_H

#include "plugin-api/plugin_api.h"

static const float oneTriangleCorners[3][2] = ONE_TRIANGLE_CORNERS;
static TexCoordTriangle oneTriangle = {{oneTriangleCorners[0], oneTriangleCorners[1], oneTriangleCorners[2]}};
static TexCoordTriangle *oneTriangleTable[1] = {&oneTriangle};

SK_EXPORT int sk_getinfo(int *triangleCount, int *hasTexCoords)
{
    if (triangleCount)
        *triangleCount = (ONE_TRIANGLE_PRESENT) ? 1 : 0;
    if (hasTexCoords)
        *hasTexCoords = (ONE_TRIANGLE_PRESENT) ? 1 : 0;
    return 1;
}

SK_EXPORT TexCoordTriangle **sk_gettexcoord(void)
{
    return oneTriangleTable;
}

SK_EXPORT int sk_freetexcoordtab(int triangleCount, TexCoordTriangle **tab)
{
    (void)triangleCount;
    (void)tab; /* static table: nothing to release */
    return 1;
}

#endif
