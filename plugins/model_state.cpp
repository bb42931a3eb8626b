// What the program knows of the model the plugin has loaded.
#include "plugins/model_state.h"

ModelState modelState;

void resetModelState()
{
    modelState = ModelState{0, 0, std::string()};
}
