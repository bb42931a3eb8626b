// What the program knows of the model the plugin has loaded.
#pragma once
#include <cstdint>
#include <string>

struct ModelState {
    int32_t modelReady;     // a model is loaded: the frame draws it through the plugin
    int32_t hasTexCoords;   // it reports texture coordinates, so the mapping grid can be drawn
    std::string shownPath;  // the path the loaded model came from, as the model box had it; "" for none
};

extern ModelState modelState;

// No model, and none shown.
void resetModelState();
