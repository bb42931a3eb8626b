// The main window's layout as the window grows, and the start layout carried to another DPI.
#include "shell/window_layout.h"

#include <algorithm>
#include <climits>

namespace {

// The edges that decide how the other items move: the skin view's right and bottom edges.
struct Landmarks {
    int32_t skinRight;
    int32_t skinBottom;
    LayoutBox skin;
    bool hasSkin;
};

Landmarks findLandmarks(const std::vector<LayoutItem> &items)
{
    Landmarks marks = {INT32_MAX, INT32_MAX, LayoutBox{0, 0, 0, 0, false}, false};
    for (const LayoutItem &item : items) {
        if (item.role != LayoutRole::skinShown)
            continue;
        marks = {item.start.right, item.start.bottom, item.start, true};
        break;
    }
    return marks;
}

struct Shift {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

bool sameRow(const LayoutBox &a, const LayoutBox &b)
{
    return a.top < b.bottom && b.top < a.bottom;
}

bool holds(const LayoutBox &outer, const LayoutBox &inner)
{
    return outer.left <= inner.left && outer.top <= inner.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

int32_t acrossShift(const LayoutBox &box, const Landmarks &marks, const LayoutGrowth &growth)
{
    return box.left >= marks.skinRight ? growth.width : growth.viewport;
}

int32_t downShift(const LayoutBox &box, const Landmarks &marks, const LayoutGrowth &growth)
{
    return box.top >= marks.skinBottom ? growth.height : 0;
}

// A stretching item may only reach as far right as the items after it on its row move.
bool rowFollowsWindow(const std::vector<LayoutItem> &items, size_t index, const Landmarks &marks)
{
    const LayoutBox &own = items[index].start;
    for (size_t i = 0; i < items.size(); ++i) {
        const LayoutItem &other = items[i];
        if (i == index || other.role == LayoutRole::container || !sameRow(own, other.start) ||
            other.start.left < own.right)
            continue;
        if (other.start.left < marks.skinRight)
            return false;
    }
    return true;
}

Shift shiftOf(const std::vector<LayoutItem> &items, size_t index, const Landmarks &marks, const LayoutGrowth &growth)
{
    const LayoutItem &item = items[index];
    const LayoutBox &box = item.start;
    switch (item.role) {
    case LayoutRole::viewport:
        return {0, 0, growth.viewport, growth.height};
    case LayoutRole::skinShown:
        return {growth.viewport, 0, growth.width, growth.height};
    case LayoutRole::container: {
        const int32_t bottom = marks.hasSkin && holds(box, marks.skin) ? growth.height : 0;
        return {growth.viewport, 0, growth.width, bottom};
    }
    case LayoutRole::stretch: {
        const int32_t across = acrossShift(box, marks, growth);
        const int32_t down = downShift(box, marks, growth);
        const int32_t right = rowFollowsWindow(items, index, marks) ? growth.width : across;
        return {across, down, right, down};
    }
    case LayoutRole::belowViewport:
        return {0, growth.height, 0, growth.height};
    case LayoutRole::belowViewportStretch:
        return {0, growth.height, growth.viewport, growth.height};
    case LayoutRole::belowViewportEnd:
        return {growth.viewport, growth.height, growth.viewport, growth.height};
    case LayoutRole::splitter:
        return {growth.viewport, 0, growth.viewport, growth.height};
    case LayoutRole::control:
        break;
    }
    const int32_t across = acrossShift(box, marks, growth);
    const int32_t down = downShift(box, marks, growth);
    return {across, down, across, down};
}

int32_t scaleEdge(int32_t edge, int32_t from, int32_t to)
{
    const int64_t scaled = int64_t{edge} * to;
    const int64_t half = from / 2;
    return static_cast<int32_t>(scaled >= 0 ? (scaled + half) / from : -((-scaled + half) / from));
}

} // namespace

namespace {

// The two views' start widths, and how much narrower than at the start the viewport may become.
struct ViewWidths {
    int32_t viewport;
    int32_t skin;
    int32_t mayGiveUp;
};

ViewWidths viewWidths(const std::vector<LayoutItem> &items)
{
    ViewWidths widths = {0, 0, INT32_MAX};
    const int32_t keep = 16;
    for (const LayoutItem &item : items) {
        const int32_t width = item.start.right - item.start.left;
        if (item.role == LayoutRole::viewport)
            widths.viewport = width;
        else if (item.role == LayoutRole::skinShown)
            widths.skin = width;
        else if (item.role == LayoutRole::belowViewportStretch)
            widths.mayGiveUp = std::min(widths.mayGiveUp, std::max(0, width - keep));
    }
    widths.mayGiveUp = std::max(0, std::min(widths.mayGiveUp, widths.viewport / 2));
    return widths;
}

int32_t extraWidth(ClientSize start, ClientSize now)
{
    return std::max(0, now.width - start.width);
}

} // namespace

LayoutGrowth layoutGrowth(const std::vector<LayoutItem> &items, ClientSize start, ClientSize now, int32_t viewportShare)
{
    const int32_t width = extraWidth(start, now);
    const int32_t height = std::max(0, now.height - start.height);
    const ViewWidths views = viewWidths(items);
    const int64_t both = int64_t{views.viewport} + views.skin;
    int64_t grown = 0;
    if (viewportShare < 0 || viewportShare > VIEWPORT_SHARE_WHOLE)
        grown = both > 0 ? (int64_t{width} * views.viewport + both / 2) / both : 0;
    else
        grown = ((both + width) * viewportShare + VIEWPORT_SHARE_WHOLE / 2) / VIEWPORT_SHARE_WHOLE - views.viewport;
    grown = std::max<int64_t>(-views.mayGiveUp, std::min<int64_t>(grown, width));
    return {width, height, static_cast<int32_t>(grown)};
}

int32_t viewportShareFor(const std::vector<LayoutItem> &items, ClientSize start, ClientSize now, int32_t viewportWidth)
{
    const ViewWidths views = viewWidths(items);
    const int64_t both = int64_t{views.viewport} + views.skin + extraWidth(start, now);
    if (both <= 0)
        return NO_VIEWPORT_SHARE;
    const int64_t lowest = int64_t{views.viewport} - views.mayGiveUp, highest = both - views.skin;
    const int64_t width = std::max(lowest, std::min<int64_t>(viewportWidth, highest));
    return static_cast<int32_t>((width * VIEWPORT_SHARE_WHOLE + both / 2) / both);
}

std::vector<LayoutBox> layoutAtSize(const std::vector<LayoutItem> &items, ClientSize start, ClientSize now,
                                    int32_t viewportShare)
{
    const LayoutGrowth growth = layoutGrowth(items, start, now, viewportShare);
    const Landmarks marks = findLandmarks(items);
    std::vector<LayoutBox> placed;
    placed.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        const LayoutBox &box = items[i].start;
        const Shift shift = shiftOf(items, i, marks, growth);
        placed.push_back({box.left + shift.left, box.top + shift.top, box.right + shift.right,
                          box.bottom + shift.bottom, box.container});
    }
    return placed;
}

void scaleLayout(std::vector<LayoutItem> &items, ClientSize &start, int32_t from, int32_t to)
{
    if (from <= 0 || to <= 0 || from == to)
        return;
    for (LayoutItem &item : items) {
        LayoutBox &b = item.start;
        b = {scaleEdge(b.left, from, to), scaleEdge(b.top, from, to), scaleEdge(b.right, from, to),
             scaleEdge(b.bottom, from, to), b.container};
    }
    start = {scaleEdge(start.width, from, to), scaleEdge(start.height, from, to)};
}
