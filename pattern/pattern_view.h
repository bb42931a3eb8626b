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
void usePatternCommand();
void useColorCommand();
