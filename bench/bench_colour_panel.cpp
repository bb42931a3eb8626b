// Speed of the colour panel's picture, drawn again at every mouse message of a drag in its square.
#include <benchmark/benchmark.h>

#include <vector>

#include "paint/colour_panel.h"

namespace {

// The panel at its size under Wine's stand-in font (about 241 x 154 pixels), with a game's 256 colours or none.
void BM_DrawColourPanel(benchmark::State &state)
{
    const int32_t width = 241, height = 154;
    std::vector<uint8_t> palette(size_t(state.range(0)) * 3);
    for (size_t i = 0; i < palette.size(); ++i)
        palette[i] = uint8_t(i * 7);
    const std::vector<Rgb> swatches = swatchesFromPalette(palette);
    RecentColours recent = {};
    for (int i = 0; i < RECENT_COLOURS; ++i)
        noteColourUsed(recent, {uint8_t(20 * i), 119, 170});
    const ColourPanelLayout layout = layoutColourPanel(width, height, swatches.size());
    std::vector<uint32_t> pixels(size_t(width) * height);
    ColourPanelLook look = {{198, 1, 0.66}, {0, 119, 170}, &recent, &swatches, {240, 240, 240}};
    for (auto _ : state) {
        look.shown.saturation = look.shown.saturation > 0.5 ? 0.2 : 0.9;   // as a drag moves the mark
        drawColourPanel(layout, look, width, height, pixels.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawColourPanel)->Arg(0)->Arg(256);

} // namespace
