// The pattern view window, pattern files and the pattern brush commands.
#pragma once
#include <windows.h>

extern HWND patternViewWindow;
extern HDC patternViewDC;

void createPatternView();
void repaintPatternView();
int loadPattern(const char *fileName);

void loadPatternCommand();
void colorsCommand();
// A new penColor (chosen or picked): the brush follows it when it is tinted with the pen colour.
void penColorChanged();
void usePatternCommand();
void useColorCommand();
