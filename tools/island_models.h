// Models whose texture layouts are made of separate islands, as OBJ text with the triangles obj.dll reports
// for them: for the layout, fill and bleed tests, the benchmarks and painting on the model under Wine.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "texture/skin_store.h"
#include "uv/uv_layout.h"

// A part of the layout: the texels (of a 256 x 256 texture) whose centres its triangles cover.
struct IslandChart {
    std::string name;
    SkinRect texels;
    bool visible;  // false: every corner of its triangles lies at one point in space, so it is never drawn
};

struct IslandModel {
    std::string obj;                   // the OBJ text
    std::vector<UvTriangle> triangles; // in the order of the faces, as decodeObj lays out its mesh
    std::vector<IslandChart> charts;   // listed in the text too, as "# chart name left bottom right top visible"
};

// A sphere made of a cube's six faces, each split into steps x steps quads of two triangles (12 x steps^2
// triangles; 12,288 for 32), each face one island of its own size whose bottom and top edges bow. No charts.
IslandModel makeIslandSphere(int32_t steps);

// A box of side 2 centred on the origin, symmetric about the plane x = 0: the front, back, top and bottom faces
// are each cut at x = 0 into a left and a right half; with the two side faces, ten islands, each a 2 x 2 grid of
// quads. Their charts lie on texel boundaries of a 256 x 256 texture with gutters of 2 to 6 texels between
// them, and three never-visible triangles, at 2 texels from visible charts, sit in the gutters and beside them.
IslandModel makeGutterBox();
