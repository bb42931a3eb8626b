// What the program knows of the model the plugin has loaded.
#include "plugins/model_state.h"

ModelState modelState;

void resetModelState()
{
    const uint32_t generation = modelState.generation;
    modelState = ModelState();
    modelState.generation = generation + 1;
}
