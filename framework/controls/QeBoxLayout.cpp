#include "framework/controls/QeBoxLayout.h"

#include <algorithm>
#include <cmath>

#include "framework/ui/view/QeRect.h"
#include "framework/ui/view/QeWindow.h"

namespace {

LONG Truncate(float v) {
    if (!(v == v)) return 0;
    return static_cast<LONG>(std::clamp(std::trunc(static_cast<double>(v)), -2147483648.0, 2147483647.0));
}

}  // namespace

// One axis of an item: the links before and after it, its value and fixed flag, and the layout's
// margins and spacing along it.
struct QeBoxLayout::Axis {
    QeWindow* QeBoxLayoutItem::*before;
    QeWindow* QeBoxLayoutItem::*after;
    float QeBoxLayoutItem::*value;
    uint32_t QeBoxLayoutItem::*fixed;
    int32_t marginBefore;
    int32_t marginAfter;
    int32_t spacing;
};

QeBoxLayoutItem* QeBoxLayout::Add(QeWindow* window, QeWindow* left, QeWindow* top, QeWindow* right,
                                  QeWindow* bottom, float xValue, float yValue, bool xFixed, bool yFixed) {
    m_items.push_back(QeBoxLayoutItem{window, left, top, right, bottom, xValue, yValue, xFixed ? 1u : 0u,
                                      yFixed ? 1u : 0u});
    return &m_items.back();
}

int QeBoxLayout::AppendToRow(QeWindow* window) {
    QeBoxLayoutItem* previous = m_items.empty() ? nullptr : &m_items.back();
    QeBoxLayoutItem* item = Add(window, nullptr, nullptr, nullptr, nullptr, 1.0f, 1.0f, false, false);
    if (previous != nullptr) {
        item->left = previous->window;
        previous->right = window;
    }
    return 1;
}

const QeBoxLayoutItem* QeBoxLayout::FindItem(const QeWindow* window) const {
    for (const QeBoxLayoutItem& item : m_items) {
        if (item.window == window) return &item;
    }
    return nullptr;
}

QeBoxLayoutItem* QeBoxLayout::FindItem(const QeWindow* window) {
    return const_cast<QeBoxLayoutItem*>(static_cast<const QeBoxLayout*>(this)->FindItem(window));
}

void QeBoxLayout::Span(const QeBoxLayoutItem& item, const Axis& axis, int32_t extent, LONG& start, LONG& end) const {
    // Calls `visit` for each item reached from `from` through the link, at most one step per item.
    auto walk = [this](const QeBoxLayoutItem& from, QeWindow* QeBoxLayoutItem::*link, auto visit) {
        const QeBoxLayoutItem* at = &from;
        for (size_t steps = 0; steps < m_items.size(); ++steps) {
            QeWindow* next = at->*link;
            if (next == nullptr) return;
            at = FindItem(next);
            if (at == nullptr) return;
            visit(*at);
        }
    };
    float fixed = static_cast<float>(axis.marginBefore) + static_cast<float>(axis.marginAfter);
    float weight = 0;
    auto total = [&](const QeBoxLayoutItem& it) {
        if (it.*axis.fixed) {
            fixed += it.*axis.value;
        } else {
            weight += it.*axis.value;
        }
    };
    auto neighbour = [&](const QeBoxLayoutItem& it) {
        total(it);
        fixed += static_cast<float>(axis.spacing);
    };
    total(item);
    walk(item, axis.before, neighbour);
    walk(item, axis.after, neighbour);
    // The bias keeps truncation from losing a pixel at the far end.
    const float unit = weight != 0 ? (static_cast<float>(extent) - fixed) / weight + 0.001f : 0.0f;
    auto size = [&](const QeBoxLayoutItem& it) { return it.*axis.fixed ? it.*axis.value : it.*axis.value * unit; };
    float at = static_cast<float>(axis.marginBefore);
    walk(item, axis.before, [&](const QeBoxLayoutItem& it) { at += static_cast<float>(axis.spacing) + size(it); });
    start = Truncate(at);
    end = Truncate(at + size(item));
}

RECT QeBoxLayout::Place(const QeBoxLayoutItem& item, int32_t width, int32_t height) const {
    const Axis x{&QeBoxLayoutItem::left, &QeBoxLayoutItem::right, &QeBoxLayoutItem::xValue, &QeBoxLayoutItem::xFixed,
                 leftMargin, rightMargin, horizontalSpacing};
    const Axis y{&QeBoxLayoutItem::top, &QeBoxLayoutItem::bottom, &QeBoxLayoutItem::yValue, &QeBoxLayoutItem::yFixed,
                 topMargin, bottomMargin, verticalSpacing};
    RECT placed{0, 0, 0, 0};
    Span(item, x, width, placed.left, placed.right);
    Span(item, y, height, placed.top, placed.bottom);
    return placed;
}

void QeBoxLayout::Apply(int32_t width, int32_t height) {
    for (const QeBoxLayoutItem& item : m_items) {
        if (item.window == nullptr) continue;
        const RECT placed = Place(item, width, height);
        const RECT old = item.window->Rect();
        item.window->SetRect(placed);
        item.window->Invalidate(QeOffsetRect(QeUnionRect(old, placed), -placed.left, -placed.top), true);
    }
}

RECT QeLayoutSpreadItem(const RECT& area, const RECT& item, int32_t index, int32_t count) {
    const LONG w = item.right - item.left;
    const LONG h = item.bottom - item.top;
    const LONG margin = (area.bottom - area.top - h) / 2;
    const LONG step = count > 1 ? w + (area.right - area.left - 2 * margin - w * count) / (count - 1) : 0;
    const LONG x = area.left + margin + index * step;
    const LONG y = area.top + margin;
    return RECT{x, y, x + w, y + h};
}

RECT QeLayoutCenteredRowItem(const RECT& area, const RECT& item, int32_t index, int32_t count, int32_t gap) {
    const LONG w = item.right - item.left;
    const LONG h = item.bottom - item.top;
    const LONG offset = std::max<LONG>((area.right - area.left - (count - 1) * gap - w * count) / 2, 0);
    const LONG x = area.left + offset + index * (w + gap);
    const LONG y = area.top + (area.bottom - area.top - h) / 2;
    return RECT{x, y, x + w, y + h};
}
