// The Layers panel's operations on the program's stack, each one undo step, the composite shown again after it.
#include "texture/layer_edits.h"

#include <utility>
#include <vector>

#include "texture/active_layer.h"
#include "texture/history.h"
#include "texture/layers.h"

namespace {

// The opacity a drag started at, on which layer; none while no drag is under way.
bool dragging;
size_t dragLayer;
int32_t dragStart;

void showEdit()
{
    showAllLayers();
    markTextureChanged();
}

// A layer's settings changed from `before`: one step.
bool keepSettings(size_t index, const Layer &before)
{
    keepSettingsStep(index, before);
    invalidateLayerCache(layerStack);
    showEdit();
    return true;
}

Layer settingsOf(const Layer &layer)
{
    return Layer{layer.name, layer.visible, layer.opacity, layer.mode, {}};
}

// A layer added above the active one (by a core operation that returned `refusal`): one step.
const char *keepAdded(const char *refusal, size_t activeBefore)
{
    if (refusal != nullptr)
        return refusal;
    keepLayersStep(layerStack.active, 1, {}, activeBefore);
    showEdit();
    return nullptr;
}

} // namespace

const char *addLayerEdit()
{
    paintLayer();
    const size_t active = layerStack.active;
    return keepAdded(newLayer(layerStack), active);
}

const char *addFilledLayerEdit(const std::string &name, void (*fill)(Layer &layer, const void *context),
                               const void *context)
{
    paintLayer();
    const size_t active = layerStack.active;
    if (const char *refusal = newLayer(layerStack))
        return refusal;
    Layer &added = layerStack.layers[layerStack.active];
    added.name = name;
    fill(added, context);
    return keepAdded(nullptr, active);
}

const char *duplicateLayerEdit()
{
    paintLayer();
    const size_t active = layerStack.active;
    return keepAdded(duplicateLayer(layerStack), active);
}

bool deleteLayerEdit()
{
    paintLayer();
    if (layerStack.layers.size() <= 1)
        return false;
    const size_t at = layerStack.active;
    std::vector<Layer> removed;
    removed.push_back(std::move(layerStack.layers[at]));
    layerStack.layers.erase(layerStack.layers.begin() + static_cast<std::ptrdiff_t>(at));
    layerStack.active = at > 0 ? at - 1 : 0;
    invalidateLayerCache(layerStack);
    keepLayersStep(at, 0, std::move(removed), at);
    showEdit();
    return true;
}

bool moveLayerEdit(bool up)
{
    paintLayer();
    const size_t active = layerStack.active;
    if (!moveLayer(layerStack, up))
        return false;
    keepMoveStep(up ? active : active - 1, active);
    showEdit();
    return true;
}

bool mergeDownEdit()
{
    paintLayer();
    const size_t active = layerStack.active;
    if (active == 0)
        return false;
    // Both layers as they were: the merge rewrites the lower one and drops the upper.
    std::vector<Layer> before(layerStack.layers.begin() + static_cast<std::ptrdiff_t>(active - 1),
                              layerStack.layers.begin() + static_cast<std::ptrdiff_t>(active + 1));
    mergeLayerDown(layerStack);
    keepLayersStep(active - 1, 1, std::move(before), active);
    showEdit();
    return true;
}

bool renameLayerEdit(size_t index, const std::string &name)
{
    if (index >= layerStack.layers.size() || name.empty() || layerStack.layers[index].name == name)
        return false;
    const Layer before = settingsOf(layerStack.layers[index]);
    layerStack.layers[index].name = name;
    keepSettingsStep(index, before);
    ++layersRevision;
    markTextureChanged();
    return true;
}

// One setting of a layer that changes its picture, set to `value` as one step; nothing when it has that value.
template <typename T>
static bool settingEdit(size_t index, T Layer::*setting, T value)
{
    if (index >= layerStack.layers.size() || layerStack.layers[index].*setting == value)
        return false;
    const Layer before = settingsOf(layerStack.layers[index]);
    layerStack.layers[index].*setting = value;
    return keepSettings(index, before);
}

bool showLayerEdit(size_t index, bool visible)
{
    return settingEdit(index, &Layer::visible, visible);
}

bool layerModeEdit(size_t index, BlendMode mode)
{
    return settingEdit(index, &Layer::mode, mode);
}

bool layerOpacityEdit(size_t index, int32_t opacity)
{
    opacity = opacity < 0 ? 0 : opacity > 100 ? 100 : opacity;
    if (index >= layerStack.layers.size() || layerStack.layers[index].opacity == opacity)
        return false;
    if (!dragging || dragLayer != index) {
        dragging = true;
        dragLayer = index;
        dragStart = layerStack.layers[index].opacity;
    }
    layerStack.layers[index].opacity = opacity;
    invalidateLayerCache(layerStack);
    showEdit();
    return true;
}

bool endOpacityDrag()
{
    if (!dragging)
        return false;
    dragging = false;
    if (dragLayer >= layerStack.layers.size() || layerStack.layers[dragLayer].opacity == dragStart)
        return false;
    Layer before = settingsOf(layerStack.layers[dragLayer]);
    before.opacity = dragStart;
    keepSettingsStep(dragLayer, before);
    return true;
}
