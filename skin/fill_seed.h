// Where a fill clicked on the flat view starts: a click that lands just beside a part of the model's texture
// belongs to that part.
#pragma once
#include <cstdint>

#include "paint/brush.h"
#include "skin/skin_view_map.h"
#include "uv/uv_layout.h"

// A click this many screen pixels or nearer from an island belongs to it.
enum : int32_t { FILL_CLICK_REACH = 3 };

// The texel the fill of a click on view pixel (x, y) starts from: the texel under the click when an island covers
// it or none lies within `reach` screen pixels of the click; otherwise the covered texel shown by the nearest pixel
// within that reach (nearest by distance on the screen, ties in reading order), so a click in a gap narrower than
// the reach between islands fills the nearer island rather than the whole gap. layout must be laid out at the
// map's texture size (otherwise the texel under the click is returned).
TexelPoint fillSeedAt(const ViewMap &map, const UvLayout &layout, int32_t x, int32_t y, int32_t reach);
