// The frame loop's flag and the reset of every subsystem's program-wide state to its start value.
#include "app/state.h"

#include "paint/paint_options.h"
#include "paint/pattern_store.h"
#include "plugins/model_state.h"
#include "shell/client_origin.h"
#include "paint/brush.h"
#include "texture/history.h"
#include "texture/layers.h"
#include "texture/skin_refresh.h"
#include "paint/stroke.h"
#include "viewport/camera.h"
#include "viewport/model_paint.h"

int32_t running;

void resetToDefaults()
{
    running = 0;
    resetClientOrigin();
    resetBrushSettings();
    resetPaintOptions();
    resetSkinRefresh();
    resetModelState();
    resetCamera();
    resetPatternStore();
    resetStroke();
    resetHistory();
    // Empty: the first painting makes it one layer of the texture as the store then holds it.
    layerStack = LayerStack();
    resetModelStroke();
}
