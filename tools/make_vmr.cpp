// make_vmr: writes .vmr model files (the default box and test meshes) for the data folder and the tests.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tools/vmr_meshes.h"

namespace {

const char USAGE[] =
    "usage: make_vmr box OUT        the default textured box (data/_test_boite_tex.vmr)\n"
    "       make_vmr notex OUT      the same box without texture coordinates\n"
    "       make_vmr outside OUT    the box with texture coordinates reaching outside 0..1\n"
    "       make_vmr sphere N OUT   a UV sphere of radius 15 with N segments (3..2048)\n"
    "       make_vmr grid N OUT     a flat 30 x 30 grid of N x N quads (1..2048)\n";

// A whole decimal number within [low, high]; false for anything else.
bool parseCount(const char *text, long low, long high, int &value)
{
    char *end = nullptr;
    errno = 0;
    long number = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || number < low || number > high)
        return false;
    value = int(number);
    return true;
}

bool writeFile(const char *path, const std::vector<uint8_t> &bytes)
{
    std::FILE *file = std::fopen(path, "wb");
    if (file == nullptr)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fflush(file) == 0 && ok;
    ok = std::ferror(file) == 0 && ok;
    return std::fclose(file) == 0 && ok;
}

// Builds the mesh the arguments name; false on a usage error.
bool buildMesh(int argc, char **argv, Mesh &mesh, const char *&out)
{
    if (argc == 3) {
        out = argv[2];
        if (std::strcmp(argv[1], "box") == 0)
            mesh = makeDefaultBox();
        else if (std::strcmp(argv[1], "notex") == 0)
            mesh = makeUntexturedBox();
        else if (std::strcmp(argv[1], "outside") == 0)
            mesh = makeOutsideBox();
        else
            return false;
        return true;
    }
    int n = 0;
    if (argc != 4)
        return false;
    out = argv[3];
    if (std::strcmp(argv[1], "sphere") == 0 && parseCount(argv[2], SPHERE_MIN_SEGMENTS, SPHERE_MAX_SEGMENTS, n))
        mesh = makeSphereMesh(n, 15.0f);
    else if (std::strcmp(argv[1], "grid") == 0 && parseCount(argv[2], 1, GRID_MAX_CELLS, n))
        mesh = makeGridMesh(n, 15.0f);
    else
        return false;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    Mesh mesh;
    const char *out = nullptr;
    if (!buildMesh(argc, argv, mesh, out)) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    std::vector<uint8_t> bytes;
    VmrError error = encodeVmr(mesh, bytes);
    if (error != VmrError::None) {
        std::fprintf(stderr, "make_vmr: cannot encode the mesh: %s\n", vmrErrorText(error));
        return 1;
    }
    if (!writeFile(out, bytes)) {
        std::fprintf(stderr, "make_vmr: cannot write %s\n", out);
        return 1;
    }
    std::printf("%s: %zu vertices, %zu triangles, %zu bytes\n", out, meshVertexCount(mesh),
                meshTriangleCount(mesh), bytes.size());
    return 0;
}
