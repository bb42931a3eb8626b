// Writes the default pattern brush, super_pattern_01.bmp, to the path given on the command line.
#include <cstdio>

#include "tools/pattern_art.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_pattern <output.bmp>\n");
        return 2;
    }
    const std::vector<uint8_t> bytes = encodeDefaultPattern();
    std::FILE *file = std::fopen(argv[1], "wb");
    if (!file) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    // fclose flushes; a failure there is a failed write too.
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "%s: write failed\n", argv[1]);
        return 1;
    }
    return 0;
}
