// Where the main window's client area lies on the screen, kept up to date from its moves.
#include "shell/client_origin.h"

int32_t clientOriginX;
int32_t clientOriginY;

void resetClientOrigin()
{
    clientOriginX = 0;
    clientOriginY = 0;
}

void decodeClientOrigin(uint32_t lParam, int32_t &x, int32_t &y)
{
    x = static_cast<int16_t>(lParam & 0xFFFFu);
    y = static_cast<int16_t>((lParam >> 16) & 0xFFFFu);
}
