// What painting has left to bring to the skin view and to the GL texture since each was last refreshed.
#include "texture/skin_refresh.h"

PendingRefresh pendingRefresh = {noTexels(), noTexels(), false, false};

void resetSkinRefresh()
{
    pendingRefresh = PendingRefresh{noTexels(), noTexels(), false, false};
}

void noteDab(const SkinRect &changed, bool onTheFly)
{
    pendingRefresh.view = joinRects(pendingRefresh.view, changed);
    pendingRefresh.texture = joinRects(pendingRefresh.texture, changed);
    pendingRefresh.repaint = true;
    pendingRefresh.upload = pendingRefresh.upload || onTheFly;
}

void noteTextureUploaded()
{
    pendingRefresh.texture = noTexels();
}

RefreshWork takePendingRefresh()
{
    RefreshWork work = {noTexels(), pendingRefresh.upload, 0, 0};
    if (pendingRefresh.repaint)
        work.view = pendingRefresh.view;
    if (work.upload && !isEmptyRect(pendingRefresh.texture)) {
        work.firstRow = pendingRefresh.texture.bottom;
        work.rowCount = pendingRefresh.texture.top - pendingRefresh.texture.bottom + 1;
    }
    if (pendingRefresh.repaint)
        pendingRefresh.view = noTexels();
    pendingRefresh.repaint = pendingRefresh.upload = false;
    return work;
}
