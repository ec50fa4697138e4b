// Rectangle arithmetic of the view tree. Rectangles are left, top, right, bottom; right and bottom
// are exclusive for sizes, but a point on them counts as inside (a pen on a window's edge hits it).
#pragma once

#include <algorithm>

#include "platform/win_types.h"

// True when the two overlap with some area; `out` then holds the overlap.
inline bool QeIntersectRect(const RECT& a, const RECT& b, RECT& out) {
    if (!(a.left < b.right && a.top < b.bottom && a.right > b.left && a.bottom > b.top)) return false;
    out = RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    return true;
}

inline RECT QeUnionRect(const RECT& a, const RECT& b) {
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

// A wholly inside `outer` (edges may touch).
inline bool QeRectContains(const RECT& outer, const RECT& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
           outer.bottom >= inner.bottom;
}

inline bool QeRectsDiffer(const RECT& a, const RECT& b) {
    return a.left != b.left || a.top != b.top || a.right != b.right || a.bottom != b.bottom;
}

// Inclusive on all four edges.
inline bool QePointInRect(const RECT& r, const POINT& p) {
    return r.left <= p.x && p.x <= r.right && r.top <= p.y && p.y <= r.bottom;
}

inline RECT QeOffsetRect(const RECT& r, LONG dx, LONG dy) {
    return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}
