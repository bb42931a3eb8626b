// The main window's layout as the window grows: where each item goes at a client size larger than the start
// size, and the start layout carried to another DPI.
#pragma once
#include <cstdint>
#include <vector>

#include "shell/dialog_layout.h"

// What an item is, for the way it follows the window's growth.
enum class LayoutRole : uint8_t {
    viewport,    // keeps its top-left corner; takes all of the extra height and as much of the extra width
    skinShown,    // takes the rest of the extra width and all of the extra height
    container,   // a group box: stretches with the items it frames
    stretch,     // a text box or label that takes the extra width of its row
    control,     // keeps its size and moves with the views
    // The strip under the viewport moves down with the viewport's bottom edge:
    belowViewport,        // keeps its left edge and its size
    belowViewportStretch, // takes the viewport's extra width
    belowViewportEnd,     // moves right with the viewport's right edge
    splitter,    // the bar between the viewport's column and the skin view's: follows the viewport's right edge
                 // and takes the extra height
};

struct LayoutItem {
    LayoutBox start;   // where it lies at the start size, in pixels of the client area
    LayoutRole role;
};

struct ClientSize {
    int32_t width;
    int32_t height;
};

// How far the window has grown past its start size (never less than nothing), and how much wider the viewport
// is than at the start (less than nothing when the splitter gave some of its width to the skin view).
struct LayoutGrowth {
    int32_t width;
    int32_t height;
    int32_t viewport;
};

// The splitter's place: the viewport's share of the width the viewport and the skin view have together, in
// ten-thousandths. NO_VIEWPORT_SHARE (never dragged) shares it as at the start, so both views grow in proportion.
enum : int32_t { VIEWPORT_SHARE_WHOLE = 10000, NO_VIEWPORT_SHARE = -1 };

// The viewport's width follows the share, within limits: never narrower than half its start width (nor than a
// strip under it can follow, keeping 16 pixels), never so wide that the skin view is narrower than at the start.
LayoutGrowth layoutGrowth(const std::vector<LayoutItem> &items, ClientSize start, ClientSize now,
                          int32_t viewportShare = NO_VIEWPORT_SHARE);

// The share that gives the viewport this width at the client size `now` (within the limits above).
int32_t viewportShareFor(const std::vector<LayoutItem> &items, ClientSize start, ClientSize now,
                         int32_t viewportWidth);

// The box of every item at the client size `now` with the splitter at viewportShare; a size below the start size
// lays out as the start size.
// Every right or bottom edge moves by no more than the window grew, so what fitted at the start fits, and items
// that did not overlap at the start never do:
// - the viewport's right edge (and the splitter beside it) moves with the viewport's growth, its bottom edge with
//   the window's;
// - the skin view's left edge moves with the viewport's right edge, its right and bottom edges with the window's;
// - an item whose left edge lies at or right of the skin view's right edge moves with the window's right edge,
//   every other item with the viewport's right edge; one whose top lies at or below the skin view's bottom moves
//   down with the window's bottom;
// - a stretching item's right edge moves with the window's right edge when every item to its right on its row
//   does (otherwise it moves as a control);
// - a container's left edge moves with the viewport, its right edge with the window; its bottom edge moves with
//   the window's when it holds the skin view.
std::vector<LayoutBox> layoutAtSize(const std::vector<LayoutItem> &items, ClientSize start, ClientSize now,
                                    int32_t viewportShare = NO_VIEWPORT_SHARE);

// The start layout laid out again for another DPI: every edge scaled by `to` / `from`, rounded to the nearest
// pixel, so items that touched still touch.
void scaleLayout(std::vector<LayoutItem> &items, ClientSize &start, int32_t from, int32_t to);
