// The "New Texture" dialog: the sides of a new white texture.
#pragma once
#include <cstdint>

// Asks for the sides, the current ones preselected; false when the user cancels. Sides the dialog refuses
// (not whole numbers from 8 to 2048) are said so there, and the dialog stays open.
bool askNewTextureSize(int32_t &width, int32_t &height);
