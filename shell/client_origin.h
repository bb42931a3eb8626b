// Where the main window's client area lies on the screen, kept up to date from its moves.
#pragma once
#include <cstdint>

extern int32_t clientOriginX;
extern int32_t clientOriginY;

void resetClientOrigin();

// WM_MOVE carries the client origin as two signed 16-bit halves of lParam.
void decodeClientOrigin(uint32_t lParam, int32_t &x, int32_t &y);
