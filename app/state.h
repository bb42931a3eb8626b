// The frame loop's flag and the reset of every subsystem's program-wide state to its start value.
#pragma once
#include <cstdint>

// The frame loop runs while this is non-zero.
extern int32_t running;

// Sets every program-wide item of every subsystem to its start value.
void resetToDefaults();
