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
};

struct LayoutItem {
    LayoutBox start;   // where it lies at the start size, in pixels of the client area
    LayoutRole role;
};

struct ClientSize {
    int32_t width;
    int32_t height;
};

// How far the window has grown past its start size (never less than nothing), and how much of the extra width
// the viewport takes: as much as the extra height, so it grows as a square while the width allows.
struct LayoutGrowth {
    int32_t width;
    int32_t height;
    int32_t viewport;
};

LayoutGrowth layoutGrowth(ClientSize start, ClientSize now);

// The box of every item at the client size `now`; a size below the start size lays out as the start size.
// Every right or bottom edge moves by no more than the window grew, so what fitted at the start fits, and items
// that did not overlap at the start never do:
// - the viewport's right edge moves with the extra width it takes, its bottom edge with the window's;
// - the skin view's left edge moves with the viewport's right edge, its right and bottom edges with the window's;
// - an item whose left edge lies at or right of the skin view's right edge moves with the window's right edge,
//   every other item with the viewport's right edge; one whose top lies at or below the skin view's bottom moves
//   down with the window's bottom;
// - a stretching item's right edge moves with the window's right edge when every item to its right on its row
//   does (otherwise it moves as a control);
// - a container's left edge moves with the viewport, its right edge with the window; its bottom edge moves with
//   the window's when it holds the skin view.
std::vector<LayoutBox> layoutAtSize(const std::vector<LayoutItem> &items, ClientSize start, ClientSize now);

// The start layout laid out again for another DPI: every edge scaled by `to` / `from`, rounded to the nearest
// pixel, so items that touched still touch.
void scaleLayout(std::vector<LayoutItem> &items, ClientSize &start, int32_t from, int32_t to);
