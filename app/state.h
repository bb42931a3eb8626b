// Program-wide state of the application shell and the brush settings, with the reset to defaults.
#pragma once
#include <cstdint>

// A COLORREF as GDI stores it: red in the low byte, then green, then blue.
typedef uint32_t ColorRef;

extern int32_t running;
extern int32_t clientOriginX;
extern int32_t clientOriginY;

// Colours are red, green, blue here and in the settings file.
extern uint8_t penColor[3];
extern int32_t penSize;
extern uint8_t eraserColor[3];
extern int32_t eraserSize;
extern ColorRef customColors[16];

extern int32_t textureOnTheFly;
extern int32_t modelReady;
extern int32_t hasTexCoords;

// Sets every program-wide item of every subsystem to its start value.
void resetToDefaults();

// WM_MOVE carries the client origin as two signed 16-bit halves of lParam.
void decodeClientOrigin(uint32_t lParam, int32_t &x, int32_t &y);
