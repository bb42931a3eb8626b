// What painting has left to bring to the skin view and to the GL texture since each was last refreshed.
#pragma once
#include <cstdint>

#include "texture/skin_store.h"

// A mouse message changes the buffers at once (the view's buffer with the grid back over the paint); the refresh
// that follows (upload, view repaint) waits until no further mouse message is queued, so a burst of them is
// refreshed once and only where it painted.
struct PendingRefresh {
    SkinRect view;      // skinShown texels painted since the view was last drawn
    SkinRect texture;   // skinGL texels the GL texture's level 0 has not received yet
    bool repaint;       // a dab asked for the view to be redrawn
    bool upload;        // a dab asked for the texture to be uploaded ("Texture on the fly")
};

extern PendingRefresh pendingRefresh;

// Empties the record: nothing is waiting.
void resetSkinRefresh();

// Records a dab that passed the button rule and changed these texels (possibly none).
void noteDab(const SkinRect &changed, bool onTheFly);

// Records that the GL texture's level 0 now holds all of skinGL.
void noteTextureUploaded();

// What the shell has to do for one refresh.
struct RefreshWork {
    SkinRect view;      // skinShown texels to draw again (none: nothing to draw)
    bool upload;        // send rows [firstRow, firstRow + rowCount) of skinGL to the texture's level 0
    int32_t firstRow;
    int32_t rowCount;   // 0 when level 0 already holds every row
};

// Takes what is pending and says what to draw and what to upload. The rows stay pending until
// noteTextureUploaded.
RefreshWork takePendingRefresh();
