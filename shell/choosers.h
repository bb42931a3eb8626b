// The open, save and colour choosers. Each is owned by the main window: modal to it and on top of it, so
// nothing else can be started from it (a painting click, another chooser) until the chooser is closed.
#pragma once
#include <windows.h>

// The returned path is a new copy in UTF-8 that the caller releases with free(); nullptr when cancelled.
char *chooseOpenPath(const char *filterText, const char *filterPattern);
// The open chooser with a whole filter list as the common dialogs take it: "text\0pattern\0...\0\0".
char *chooseOpenPathFrom(const char *filters);
// The save chooser with a whole filter list; defaultExtension is without its dot ("bmp").
char *chooseSavePath(const char *filters, const char *defaultExtension);
// After an open or save chooser returned nullptr: true when it failed (CommDlgExtendedError had a code), false
// when the user cancelled it.
bool lastFileChooserFailed();
// The same, proposing the file `proposed` (a UTF-8 path; its name in the box, its folder shown); empty: none.
char *chooseSavePathFrom(const char *filters, const char *defaultExtension, const char *proposed);
// The colour chooser, opening on `color`; it edits the 16 custom colour slots in place. True when the user
// confirmed, and `color` is then the colour chosen.
bool chooseColor(COLORREF &color, COLORREF customColors[16]);
