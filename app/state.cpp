// Program-wide state of the application shell and the brush settings, with the reset to defaults.
#include "app/state.h"

#include <cstring>

#include "pattern/pattern_store.h"
#include "skin/history.h"
#include "skin/skin_refresh.h"
#include "skin/stroke.h"
#include "viewport/camera.h"
#include "viewport/model_paint.h"

int32_t running;
int32_t clientOriginX;
int32_t clientOriginY;

uint8_t penColor[3];
int32_t penSize;
uint8_t eraserColor[3];
int32_t eraserSize;
ColorRef customColors[16];

int32_t textureOnTheFly;
int32_t modelReady;
int32_t hasTexCoords;

void resetToDefaults()
{
    running = 0;
    clientOriginX = 0;
    clientOriginY = 0;

    penColor[0] = 0;
    penColor[1] = 119;
    penColor[2] = 170;
    penSize = 3;
    eraserColor[0] = eraserColor[1] = eraserColor[2] = 255;
    eraserSize = 7;
    std::memset(customColors, 0, sizeof customColors);

    textureOnTheFly = 1;
    modelReady = 0;
    hasTexCoords = 0;

    resetCamera();
    resetPatternStore();
    resetPendingRefresh();
    resetStroke();
    resetHistory();
    resetModelStroke();
}

void decodeClientOrigin(uint32_t lParam, int32_t &x, int32_t &y)
{
    x = static_cast<int16_t>(lParam & 0xFFFFu);
    y = static_cast<int16_t>((lParam >> 16) & 0xFFFFu);
}
