// The pattern view window, pattern files and the pattern brush commands.
#pragma once
#include <windows.h>

extern HWND patternViewWindow;
extern HDC patternViewDC;

// Creates the view at (x, y) of the main window's client area, with a blank white 64 x 64 pattern.
void createPatternView(int x, int y);
void repaintPatternView();
int loadPattern(const char *fileName);

void loadPatternCommand();
// A new pen colour (chosen or picked): the colour panel shows it, and the brush follows it when it is tinted
// with the pen colour.
void penColorChanged();
void usePatternCommand();
void useColorCommand();
