// Quake II MD2 models as their files lay them out, a writer of such files, and the small model the MD2 reader's
// tests and fuzzer start from.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Md2Frame {
    float scale[3];
    float translate[3];
    std::string name;              // up to 15 characters
    std::vector<uint8_t> vertices; // x, y, z, normal index per vertex
};

struct Md2Model {
    int32_t skinWidth = 256;
    int32_t skinHeight = 256;
    std::vector<std::string> skins;  // up to 63 characters each
    std::vector<int16_t> texCoords;  // s, t per texture coordinate
    std::vector<uint16_t> triangles; // vertices a, b, c, then texture coordinates a, b, c per triangle
    std::vector<Md2Frame> frames;    // every frame with as many vertices as the first
    std::vector<int32_t> glCommands;
};

// The file: header, skin names, texture coordinates, triangles, frames and GL commands, in that order, each
// frame 40 + 4 x vertices bytes.
std::vector<uint8_t> encodeMd2(const Md2Model &model);

// Five vertices (the last one unused) and three triangles clockwise from outside, on a 64 x 32 skin, whose
// corners share vertices with other texture coordinates; two frames, frame 1 unlike frame 0; a skin name
// and a few GL commands. Frame 0: scale (0.5, 2, 0.25), translation (-3, 1.5, 10); vertices (0, 0, 0),
// (10, 0, 0), (0, 20, 0), (0, 0, 40), (255, 255, 255).
Md2Model makeMd2Sample();
