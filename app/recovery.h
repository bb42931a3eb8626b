// Keeping the painting through a crash, a kill or a power cut: the crash writer, the autosave written from the
// frame loop's idle time, and the offer at start-up to load what either left behind.
#pragma once

// Notes the working folder, where both files go whatever folder a chooser moves the process into, prepares the
// crash writer's header, and installs it as the handler of every exception nothing else handles.
void startRecovery();

// At start-up, once the main window is shown: when a recovered or autosaved texture is in the working folder,
// asks whether to load it. Yes loads it as a changed texture (one undo step); No sets the file aside as
// pelterine-recovered-N.bmp, so it is neither lost nor asked about again.
void offerRecoveredTexture();

// A recovered or autosaved texture is in the working folder: offerRecoveredTexture will offer it.
bool recoveryPending();

// From the frame loop's idle time: writes the autosave when it is due, removes it once the texture is saved.
void autosaveIfDue();

// The texture was saved, or the user chose at close not to keep it: the autosave is not needed any more.
void removeAutosave();
