// Every call into a model plugin runs under a guard: a fault inside the plugin (an access violation, a division
// by zero, an illegal instruction, a stack overflow, a C++ exception it lets escape) ends that call instead of
// the program. The plugin is then abandoned: its slot is emptied and the user told which function failed.
#pragma once
#include <windows.h>

#include "plugins/plugin_api.h"

// Each runs one call into the plugin in the slot and returns false when the plugin faulted; the fault is then
// pending until reportPluginFault or forgetPluginFault.
bool guardedLoad(const char *path);
bool guardedGetInfo(int *triangleCount, int *hasTexCoords);
bool guardedGetTexCoord(TexCoordTriangle **&table);
bool guardedFreeTexCoordTab(int triangleCount, TexCoordTriangle **table);
bool guardedDraw();
bool guardedFileFilter(const char *&filters);
// The Plugins dialog's description of a library it loaded for that alone.
bool guardedInfo(SkInfoFn info, const char *&text);
// LoadLibraryA and FreeLibrary, which run the library's DllMain.
bool guardedLoadLibrary(const char *path, HMODULE &module);
bool guardedFreeLibrary(HMODULE module);

bool pluginFaultPending();
// Empties the plugin slot, leaving the faulted library mapped, then tells the user which function stopped
// working: "The plugin 'NAME' stopped working in FUNCTION and was unloaded." Nothing when no fault is pending.
void reportPluginFault();
// Drops a pending fault that the caller reports its own way.
void forgetPluginFault();
