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
#include "texture/active_layer.h"
#include "texture/history.h"
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

// The picture laid over the active layer from its top-left corner, cropped to the texture: each texel becomes the
// picture's colour over what the layer held there, by the picture's alpha, as painting over it would.
static SkinRect layOverTexture(const DibPicture &picture)
{
    const int32_t width = std::min(picture.width, skinWidth), height = std::min(picture.height, skinHeight);
    for (int32_t row = 0; row < height; ++row) {
        const uint8_t *src = picture.bgra.data() + static_cast<size_t>(row) * static_cast<size_t>(picture.width) * 4;
        for (int32_t x = 0; x < width; ++x, src += 4) {
            uint8_t *dst = paintTexel(x, skinHeight - 1 - row);
            const int32_t sa = src[3], da = dst[3] * (255 - sa) / 255, out = sa + da;
            if (out == 0)
                continue;
            for (int c = 0; c < 3; ++c)
                dst[c] = static_cast<uint8_t>((src[c] * sa + dst[c] * da + out / 2) / out);
            dst[3] = static_cast<uint8_t>(out);
        }
    }
    return SkinRect{0, skinHeight - height, width - 1, skinHeight - 1};
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
    beginHistoryStep();
    const SkinRect changed = layOverTexture(picture);
    showLayersIn(changed);
    endHistoryStep();
    markTextureChanged();
    updateUndoButtons();
    noteDab(changed, true);
    flushPaintedRefresh();
}
