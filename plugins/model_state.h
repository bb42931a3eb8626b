// What the program knows of the model the plugin has loaded.
#pragma once
#include <cstdint>

struct ModelState {
    int32_t modelReady;     // a model is loaded: the frame draws it through the plugin
    int32_t hasTexCoords;   // it reports texture coordinates, so the mapping grid can be drawn
};

extern ModelState modelState;

// No model.
void resetModelState();
