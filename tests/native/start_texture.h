// The start texture's side, texels and bytes, as the tests that paint on it count them.
#pragma once
#include <cstddef>
#include <cstdint>

#include "texture/skin_store.h"
#include "tests/native/start_texture.h"

enum : int32_t { SKIN_SIDE = SKIN_START_SIDE };
enum : size_t { SKIN_PIXELS = size_t{SKIN_START_SIDE} * SKIN_START_SIDE, SKIN_BYTES = SKIN_PIXELS * 3 };
