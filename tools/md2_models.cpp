// Writing MD2 files for the tests and the fuzzer.
#include "tools/md2_models.h"

#include <cstring>

namespace {

void appendI32(std::vector<uint8_t> &out, int32_t value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(uint8_t(bits >> shift));
}

void appendU16(std::vector<uint8_t> &out, uint16_t value)
{
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void appendFloat(std::vector<uint8_t> &out, float value)
{
    int32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    appendI32(out, bits);
}

// A NUL-padded name of exactly `size` bytes.
void appendName(std::vector<uint8_t> &out, const std::string &name, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        out.push_back(i < name.size() && i + 1 < size ? uint8_t(name[i]) : 0);
}

size_t frameBytes(const Md2Model &model)
{
    return 40 + (model.frames.empty() ? 0 : model.frames[0].vertices.size());
}

// Offsets of the sections, in the order they are written after the 68-byte header.
struct Md2Offsets {
    size_t skins, texCoords, triangles, frames, glCommands, end;
};

Md2Offsets md2Offsets(const Md2Model &model)
{
    Md2Offsets at;
    at.skins = 68;
    at.texCoords = at.skins + model.skins.size() * 64;
    at.triangles = at.texCoords + model.texCoords.size() * 2;
    at.frames = at.triangles + model.triangles.size() * 2;
    at.glCommands = at.frames + model.frames.size() * frameBytes(model);
    at.end = at.glCommands + model.glCommands.size() * 4;
    return at;
}

void appendHeader(std::vector<uint8_t> &out, const Md2Model &model)
{
    Md2Offsets at = md2Offsets(model);
    const char magic[4] = {'I', 'D', 'P', '2'};
    out.insert(out.end(), magic, magic + 4);
    const size_t fields[] = {8, size_t(model.skinWidth), size_t(model.skinHeight), frameBytes(model),
                             model.skins.size(), model.frames.empty() ? 0 : model.frames[0].vertices.size() / 4,
                             model.texCoords.size() / 2, model.triangles.size() / 6, model.glCommands.size(),
                             model.frames.size(), at.skins, at.texCoords, at.triangles, at.frames, at.glCommands,
                             at.end};
    for (size_t field : fields)
        appendI32(out, int32_t(field));
}

} // namespace

std::vector<uint8_t> encodeMd2(const Md2Model &model)
{
    std::vector<uint8_t> out;
    appendHeader(out, model);
    for (const std::string &skin : model.skins)
        appendName(out, skin, 64);
    for (int16_t value : model.texCoords)
        appendU16(out, uint16_t(value));
    for (uint16_t value : model.triangles)
        appendU16(out, value);
    for (const Md2Frame &frame : model.frames) {
        for (float value : frame.scale)
            appendFloat(out, value);
        for (float value : frame.translate)
            appendFloat(out, value);
        appendName(out, frame.name, 16);
        out.insert(out.end(), frame.vertices.begin(), frame.vertices.end());
    }
    for (int32_t command : model.glCommands)
        appendI32(out, command);
    return out;
}

Md2Model makeMd2Sample()
{
    Md2Model model;
    model.skinWidth = 64;
    model.skinHeight = 32;
    model.skins = {"models/sample/skin.pcx"};
    model.texCoords = {0, 0, 16, 8, 64, 32, 32, -8, 8, 24};
    model.triangles = {0, 2, 1, 0, 1, 2,   // one corner of (v0, st0), reused below
                       0, 1, 3, 0, 2, 3,   // (v1, st2) again
                       0, 3, 2, 4, 3, 1};  // v0 with another texture coordinate
    Md2Frame first = {{0.5f, 2.0f, 0.25f}, {-3.0f, 1.5f, 10.0f}, "stand01",
                      {0, 0, 0, 7, 10, 0, 0, 1, 0, 20, 0, 2, 0, 0, 40, 3, 255, 255, 255, 4}};
    Md2Frame second = {{1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 0.0f}, "stand02",
                       {9, 9, 9, 0, 8, 8, 8, 0, 7, 7, 7, 0, 6, 6, 6, 0, 5, 5, 5, 0}};
    model.frames = {first, second};
    model.glCommands = {3, 0, 0, 1, 0, 0, 0, 0, 0, 0, 2, 0};
    return model;
}
