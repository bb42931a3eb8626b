// The texture through the clipboard.
#include "app/clipboard.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "picture/dib.h"
#include "shell/message.h"
#include "shell/window_helpers.h"
#include "skin/skin_view.h"
#include "texture/history.h"
#include "texture/layer_edits.h"
#include "texture/skin_refresh.h"
#include "texture/skin_store.h"

void copyTextureToClipboard()
{
    const std::vector<uint8_t> dib = encodeDib(skinBase, skinWidth, skinHeight);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, dib.size());
    void *bytes = block ? GlobalLock(block) : nullptr;
    if (!bytes) {
        if (block)
            GlobalFree(block);
        MessageBeep(MB_ICONWARNING);
        return;
    }
    std::memcpy(bytes, dib.data(), dib.size());
    GlobalUnlock(block);
    // The clipboard owns the block once it took it; not taken, it is still ours to free.
    if (!OpenClipboard(mainWindow)) {
        GlobalFree(block);
        MessageBeep(MB_ICONWARNING);
        return;
    }
    EmptyClipboard();
    if (!SetClipboardData(CF_DIB, block)) {
        GlobalFree(block);
        MessageBeep(MB_ICONWARNING);
    }
    CloseClipboard();
}

// A copy of the clipboard's bitmap, the clipboard closed again at once: another program may be waiting for it.
static bool readClipboardBitmap(std::vector<uint8_t> &dib)
{
    const UINT format = IsClipboardFormatAvailable(CF_DIBV5) ? CF_DIBV5 : CF_DIB;
    if (!IsClipboardFormatAvailable(format) || !OpenClipboard(mainWindow))
        return false;
    HANDLE block = GetClipboardData(format);
    const void *bytes = block ? GlobalLock(block) : nullptr;
    if (bytes) {
        const uint8_t *first = static_cast<const uint8_t *>(bytes);
        dib.assign(first, first + GlobalSize(block));
        GlobalUnlock(block);
    }
    CloseClipboard();
    return bytes != nullptr;
}

// The picture as the new layer's pixels from its top-left corner, cropped to the texture, its alpha kept.
static void fillFromPicture(Layer &layer, const void *context)
{
    const DibPicture &picture = *static_cast<const DibPicture *>(context);
    const int32_t width = std::min(picture.width, skinWidth), height = std::min(picture.height, skinHeight);
    for (int32_t row = 0; row < height; ++row) {
        const uint8_t *src = picture.bgra.data() + static_cast<size_t>(row) * static_cast<size_t>(picture.width) * 4;
        uint8_t *dst = layer.pixels.data() + static_cast<size_t>(skinHeight - 1 - row) * static_cast<size_t>(skinWidth) * 4;
        std::memcpy(dst, src, static_cast<size_t>(width) * 4);
    }
}

void pasteFromClipboard()
{
    std::vector<uint8_t> dib;
    if (!readClipboardBitmap(dib))
        return;
    DibPicture picture;
    if (const char *refusal = decodeDib(dib.data(), dib.size(), picture)) {
        showMessage(refusal, "Paste", MB_ICONERROR);
        return;
    }
    finishStroke();
    // A layer of its own, "Pasted", so the picture can be moved under others, faded or taken away again.
    if (const char *refusal = addFilledLayerEdit("Pasted", fillFromPicture, &picture)) {
        showMessage(refusal, "Paste", MB_ICONERROR);
        return;
    }
    updateUndoButtons();
    noteDab(allTexels(), true);
    flushPaintedRefresh();
}
