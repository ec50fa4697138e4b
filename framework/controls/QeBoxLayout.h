// Places child windows in rows and columns. Each item names the windows next to it on each side
// and has along each axis either a fixed size in pixels or a weight that shares out what is left
// after the margins, the spacings and the fixed sizes. Not a window: its owner applies it from its
// OnRectChanged.
//
// Rules callers rely on:
//   - a neighbour is the first item whose window is the one named; a name that no item has ends
//     the walk along that side, and no walk takes more steps than there are items, so links that
//     run in a circle cannot hang the layout;
//   - a row without weights gives weighted sizes of 0 (nothing is divided by 0).
#pragma once

#include <cstdint>
#include <deque>

#include "platform/win_types.h"

class QeWindow;

struct QeBoxLayoutItem {
    QeWindow* window = nullptr;
    QeWindow* left = nullptr;
    QeWindow* top = nullptr;
    QeWindow* right = nullptr;
    QeWindow* bottom = nullptr;
    float xValue = 1.0f;  // width in pixels when x is fixed, else the horizontal weight
    float yValue = 1.0f;  // height in pixels when y is fixed, else the vertical weight
    uint32_t xFixed = 0;
    uint32_t yFixed = 0;
};

class QeBoxLayout {
public:
    virtual ~QeBoxLayout() = default;

    // All four margins.
    void SetMargins(int32_t v) { leftMargin = topMargin = rightMargin = bottomMargin = v; }
    // Appends an item; it stays where it is while the layout lives.
    QeBoxLayoutItem* Add(QeWindow* window, QeWindow* left, QeWindow* top, QeWindow* right, QeWindow* bottom,
                         float xValue, float yValue, bool xFixed, bool yFixed);
    // Appends a weighted item (1.0, 1.0) to the right of the last one, linking the two. 1.
    int AppendToRow(QeWindow* window);
    // The first item of the window, or null.
    QeBoxLayoutItem* FindItem(const QeWindow* window);
    const QeBoxLayoutItem* FindItem(const QeWindow* window) const;

    // Where the item goes in an area of the given size (parent coordinates).
    RECT Place(const QeBoxLayoutItem& item, int32_t width, int32_t height) const;
    // Sets every item's window to its place and repaints what it left and where it went.
    void Apply(int32_t width, int32_t height);

    const std::deque<QeBoxLayoutItem>& Items() const { return m_items; }

    int32_t leftMargin = 0;
    int32_t topMargin = 0;
    int32_t rightMargin = 0;
    int32_t bottomMargin = 0;
    int32_t horizontalSpacing = 0;
    int32_t verticalSpacing = 0;

private:
    struct Axis;
    // The item's start and end along one axis.
    void Span(const QeBoxLayoutItem& item, const Axis& axis, int32_t extent, LONG& start, LONG& end) const;

    std::deque<QeBoxLayoutItem> m_items;
};

// Item `index` of `count` items the size of `item` spread over the area: the outer margin equals
// the vertical one and the items are evenly spaced between.
RECT QeLayoutSpreadItem(const RECT& area, const RECT& item, int32_t index, int32_t count);
// Item `index` of `count` items the size of `item` in a row centred in the area with `gap` pixels
// between them; a row wider than the area starts at its left edge.
RECT QeLayoutCenteredRowItem(const RECT& area, const RECT& item, int32_t index, int32_t count, int32_t gap);
