// Keeping the painting through a crash, a kill or a power cut: the crash writer, the autosave written from the
// frame loop's idle time, and the offer at start-up to load what either left behind.
#pragma once

#include "app/recovery_rules.h"

// Notes the working folder, where both files go whatever folder a chooser moves the process into, prepares the
// crash writer's header, and installs it as the handler of every exception nothing else handles.
void startRecovery();

// At start-up, once the main window is shown and pelterine.ini read (whose autosave interval it takes): when a
// recovered or autosaved texture is in the working folder, asks whether to load it, naming the texture file, model
// and plugin the autosave's record (pelterine-autosave.ini) gives. Yes loads it as a changed texture (one undo
// step) and makes the record's texture file the one Ctrl+S saves to; No sets the file aside as
// pelterine-recovered-N.bmp, so it is neither lost nor asked about again. Returns the record of the texture loaded
// (empty when none was, or it had none), whose plugin and model the caller brings back.
AutosaveRecord offerRecoveredTexture();

// A recovered or autosaved texture is in the working folder: offerRecoveredTexture will offer it.
bool recoveryPending();

// From the frame loop's idle time: writes the autosave and its record when due, removes them once the texture is
// saved.
void autosaveIfDue();

// The texture was saved, or the user chose at close not to keep it: the autosave and its record are not needed
// any more.
void removeAutosave();
