// What the program knows of the model the plugin has loaded.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The most frames of a model that are used: a count beyond it is taken as this many.
enum : int32_t { MODEL_MAX_FRAMES = 65536 };

struct ModelState {
    int32_t modelReady = 0;   // a model is loaded: the frame draws it through the plugin
    int32_t hasTexCoords = 0; // it reports texture coordinates, so the mapping grid can be drawn
    int32_t frameCount = 0;   // its frames (poses), from sk_framecount; below 2 it is still
    std::vector<std::string> frameNames; // one per frame when the plugin names them, otherwise none
    std::string shownPath;    // the path the loaded model came from, as the model box had it; "" for none
    uint32_t generation = 0;  // counts every change of model (a load, a plugin switch), so views can follow
    // Mirror on the model mirrors across the plane x = mirrorX of the coordinates the plugin draws with: the model
    // file's own x = 0, which placing the model for the view may have moved (sk_fileorigin); 0 when unknown.
    float mirrorX = 0.0f;
};

extern ModelState modelState;

// No model, and none shown.
void resetModelState();
