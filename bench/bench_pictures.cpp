// Speed of reading the largest texture from a file: a 2048 x 2048 PNG and BMP, made here with the program's
// own encoders.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "picture/bmp.h"
#include "picture/picture.h"

namespace {

const int32_t SIDE = 2048;

// Smooth gradients with a little noise in the low bits, as a painted skin has: neither a flat colour that
// compresses to nothing nor noise that does not compress at all.
Picture skinLikePicture()
{
    Picture picture;
    picture.width = SIDE;
    picture.height = SIDE;
    picture.pixels.resize(size_t(SIDE) * SIDE * 3);
    uint32_t noise = 2463534242u;
    for (size_t y = 0; y < size_t(SIDE); ++y)
        for (size_t x = 0; x < size_t(SIDE); ++x) {
            noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
            uint8_t *p = &picture.pixels[(y * SIDE + x) * 3];
            p[0] = static_cast<uint8_t>(x / 8 + (noise & 7));
            p[1] = static_cast<uint8_t>(y / 8 + ((noise >> 3) & 7));
            p[2] = static_cast<uint8_t>((x + y) / 16 + ((noise >> 6) & 7));
        }
    return picture;
}

void decodeBenchmark(benchmark::State &state, const char *path, const std::vector<uint8_t> &file)
{
    for (auto _ : state) {
        Picture picture;
        const char *refusal = decodeTextureFile(path, file.data(), file.size(), picture);
        if (refusal != nullptr || picture.width != SIDE) {
            state.SkipWithError("the file was refused");
            break;
        }
        benchmark::DoNotOptimize(picture.pixels.data());
    }
    state.counters["file_MB"] = double(file.size()) / 1e6;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size_t(SIDE) * SIDE * 3));
}

void BM_DecodePng2048(benchmark::State &state)
{
    static const std::vector<uint8_t> file = encodePicture(PictureFormat::Png, skinLikePicture());
    decodeBenchmark(state, "texture.png", file);
}
BENCHMARK(BM_DecodePng2048)->Unit(benchmark::kMillisecond);

void BM_DecodeBmp2048(benchmark::State &state)
{
    static const std::vector<uint8_t> file = [] {
        const Picture picture = skinLikePicture();
        const std::vector<uint8_t> rgb = swappedRedAndBlue(picture.pixels.data(), picture.pixels.size());
        BitmapHeader header;
        setupBitmapHeader(header, SIDE, SIDE);
        return encodeTexture(rgb.data(), header);
    }();
    decodeBenchmark(state, "texture.bmp", file);
}
BENCHMARK(BM_DecodeBmp2048)->Unit(benchmark::kMillisecond);

} // namespace
