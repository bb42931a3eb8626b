// make_island_obj: writes the island models' OBJ text, for painting on the model by hand or under Wine.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/island_models.h"

namespace {

const char USAGE[] =
    "usage: make_island_obj sphere OUT   a sphere of 12,288 triangles in six texture islands\n"
    "       make_island_obj box OUT      a box symmetric about x = 0: ten islands with 2- to 6-texel gutters\n"
    "                                    and three never-visible patches (charts listed in its comments)\n";

bool writeText(const char *path, const std::string &text)
{
    std::FILE *file = std::fopen(path, "wb");
    if (file == nullptr)
        return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    ok = std::fflush(file) == 0 && ok;
    ok = std::ferror(file) == 0 && ok;
    return std::fclose(file) == 0 && ok;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3 || (std::strcmp(argv[1], "sphere") != 0 && std::strcmp(argv[1], "box") != 0)) {
        std::fputs(USAGE, stderr);
        return 2;
    }
    IslandModel model = std::strcmp(argv[1], "sphere") == 0 ? makeIslandSphere(32) : makeGutterBox();
    if (!writeText(argv[2], model.obj)) {
        std::fprintf(stderr, "make_island_obj: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
