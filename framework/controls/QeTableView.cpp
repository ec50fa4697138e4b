#include "framework/controls/QeTableView.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "framework/ui/drawing/QeDC.h"
#include "framework/ui/view/QeRect.h"
#include "framework/ui/drawing/QeSkinElements.h"

namespace {

constexpr RECT kNoRect{0, 0, 0, 0};

int64_t Bottom(const TableItem& row) { return static_cast<int64_t>(row.y) + row.EffectiveShownHeight(); }

int32_t Saturate(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, 0, std::numeric_limits<int32_t>::max()));
}

int32_t Truncate(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<int32_t>(std::clamp(std::trunc(v), -2147483648.0, 2147483647.0));
}

}  // namespace

// ---- liveness of the table across its parent's OnNotify

struct QeTableView::Alive {
    explicit Alive(QeTableView& table) : table(table), outer(table.m_alive) { table.m_alive = this; }
    ~Alive() {
        if (alive) table.m_alive = outer;
    }
    Alive(const Alive&) = delete;
    Alive& operator=(const Alive&) = delete;

    QeTableView& table;
    Alive* outer;
    bool alive = true;
};

// ---- row animator

QeTableRowAnimator::QeTableRowAnimator(QeTableView& owner)
    : m_owner(owner), m_tween(kDefaultEasingKind, kSeconds, 0.0f, 0.0f) {}

int QeTableRowAnimator::Start(uint32_t mode, int32_t index) {
    if (!m_owner.ValidIndex(index)) return 0;
    float from = 0.0f, to = 0.0f;
    switch (mode) {
    case kInsert: to = 1.0f; break;
    case kRemove: from = 1.0f; break;
    case kExpand:
    case kCollapse: {
        int64_t h = 0;
        for (int32_t i = index + 1, end = m_owner.GroupEnd(index); i <= end; ++i) {
            h += m_owner.m_rows[i].EffectiveFullHeight();
        }
        (mode == kExpand ? to : from) = static_cast<float>(h);
        break;
    }
    default: return 0;
    }
    m_mode = mode;
    m_index = index;
    m_tween.easingKind = kDefaultEasingKind;
    m_tween.duration = kSeconds;
    m_tween.from = from;
    m_tween.to = to;
    m_tween.Start(&OnTick, this);
    return 1;
}

void QeTableRowAnimator::Finish() {
    if (!m_tween.HoldsTimer()) return;
    m_tween.Stop();
    Apply(m_tween.to, true);
}

void QeTableRowAnimator::OnTick(void* user) {
    auto* self = static_cast<QeTableRowAnimator*>(user);
    const float value = self->m_tween.Update();
    self->Apply(value, !self->m_tween.HoldsTimer());
}

void QeTableRowAnimator::Apply(float value, bool ended) {
    QeTableView& table = m_owner;
    if (!table.ValidIndex(m_index)) return;
    std::vector<TableItem>& rows = table.m_rows;
    const int32_t end = m_mode == kExpand || m_mode == kCollapse ? table.GroupEnd(m_index) : m_index;
    switch (m_mode) {
    case kInsert:
    case kRemove: {
        TableItem& row = rows[m_index];
        row.shownHeight = Truncate(static_cast<double>(row.fullHeight) * value);
        break;
    }
    case kExpand: {
        // The revealed amount is shared out row by row, so that the heights given add up to it.
        int64_t remainingFull = 0;
        for (int32_t i = m_index + 1; i <= end; ++i) remainingFull += rows[i].EffectiveFullHeight();
        double remaining = value;
        for (int32_t i = m_index + 1; i <= end; ++i) {
            TableItem& row = rows[i];
            if (row.hidden) {
                row.shownHeight = row.fullHeight;
                continue;
            }
            // full x remaining / remaining full: exact at the end, where the two are equal.
            const int32_t given =
                remainingFull > 0 ? Truncate(static_cast<double>(row.fullHeight) * remaining / remainingFull) : 0;
            row.shownHeight = given;
            remaining -= given;
            remainingFull -= row.fullHeight;
        }
        break;
    }
    case kCollapse: {
        const float h = m_tween.from;
        const float f = value == 0.0f || h == 0.0f ? value : value / h;
        for (int32_t i = m_index + 1; i <= end; ++i) {
            TableItem& row = rows[i];
            row.shownHeight = row.hidden ? 0 : Truncate(static_cast<double>(row.fullHeight) * f);
        }
        break;
    }
    default: return;
    }
    table.Relayout(m_index);
    table.InvalidateItems(m_index, -1);
    if (ended && m_mode == kRemove) {
        // Its height is 0 by now: nothing below moves.
        table.EraseRow(m_index);
        table.Relayout(m_index);
        m_index = -1;
    }
    if (ended && (m_mode == kRemove || m_mode == kCollapse)) table.AxisY().BounceBack();
    table.IndicatorY().Show(true);
}

// ---- table view

QeTableView::QeTableView() : m_animator(*this) { AxisX().SetDragEnabled(false); }

QeTableView::~QeTableView() {
    for (Alive* a = m_alive; a != nullptr; a = a->outer) a->alive = false;
    RemoveAllItems();
}

void QeTableView::OnRectChanged(const RECT& rect) {
    QeScrollView::OnRectChanged(rect);
    const int32_t width = std::max<int32_t>(0, (rect.right - rect.left) - IndicatorY().Thickness());
    SetContentSize(width, AxisY().ContentSize());
}

int QeTableView::OnPenDown(int x, int y) {
    Alive guard(*this);
    const int taken = QeScrollView::OnPenDown(x, y);
    if (!guard.alive || !taken) return taken;
    SetSelection(ItemAtY(y));
    return taken;
}

int QeTableView::OnPenUp(int x, int y) {
    Alive guard(*this);
    const int result = QeScrollView::OnPenUp(x, y);
    if (!guard.alive || !result) return result;
    if (const TableItem* row = GetItem(m_selection); row != nullptr && row->kind == TableItem::kHeader) {
        ToggleGroup(m_selection);
    }
    return result;
}

int QeTableView::OnNotify(QeWindow*, int code) {
    if (code == kNotifyPenDown) SetSelection(ItemAtY(QeLastEventArgs().second));
    return 1;
}

void QeTableView::OnDragBegin(QeKineticScroller&) { ClearSelection(); }

void QeTableView::ToggleGroup(int32_t index) { SetGroupExpanded(index, m_rows[index].expanded == 0); }

// ---- drawing

int QeTableView::DrawContent(QeSurface* surface, const RECT& rect, const RECT& content) {
    if (surface == nullptr || m_rows.empty()) return 1;
    // The rows that meet the content area; an area above row 0 or below the last row still draws
    // the rows it meets.
    const auto first = std::partition_point(m_rows.begin(), m_rows.end(),
                                            [&](const TableItem& r) { return Bottom(r) <= content.top; });
    const auto end = std::partition_point(first, m_rows.end(), [&](const TableItem& r) { return r.y < content.bottom; });
    const int32_t width = AxisX().ContentSize();
    for (auto it = first; it != end; ++it) {
        if (it->hidden || it->shownHeight <= 0) continue;
        const RECT row = ContentToSurface(RECT{0, it->y, width, Saturate(Bottom(*it))});
        RECT clip;
        if (!QeIntersectRect(row, rect, clip)) continue;
        const int32_t index = static_cast<int32_t>(it - m_rows.begin());
        if (!DrawItem(surface, index, clip, QeOffsetRect(clip, -row.left, -row.top))) return 0;
    }
    return 1;
}

int QeTableView::DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT&) {
    const TableItem* row = GetItem(index);
    if (surface == nullptr || row == nullptr) return 1;
    const int m = index % 4;
    if (row->kind == TableItem::kHeader) {
        const int s = 255 - 32 * m;
        // The divisions by 255 are multiplications by this float, as the shades were first made.
        constexpr float kBy255 = 0.003921569f;
        const auto part = [&](int c) { return static_cast<BYTE>(static_cast<float>(s * c) * kBy255); };
        surface->FillSolid(RGB(part(82), part(127), part(195)), clip);
    } else if (row->kind == TableItem::kItem) {
        const auto v = static_cast<BYTE>(164 + 16 * m);
        surface->FillSolid(RGB(v, v, v), clip);
    }
    return 1;
}

bool QeTableView::MatchesFilter(const TableItem&, const std::wstring&) { return true; }

// ---- rows

TableItem* QeTableView::GetItem(int32_t index) { return ValidIndex(index) ? &m_rows[index] : nullptr; }
const TableItem* QeTableView::GetItem(int32_t index) const { return ValidIndex(index) ? &m_rows[index] : nullptr; }

int QeTableView::AddItem(const TableItem& row) {
    m_animator.Finish();
    ClearSelection();
    PlaceNewRow(row, GetItemCount());
    return 1;
}

int QeTableView::InsertItem(const TableItem& row, int32_t index) {
    m_animator.Finish();
    ClearSelection();
    if (!ValidIndex(index)) return 0;
    PlaceNewRow(row, index);
    return 1;
}

void QeTableView::PlaceNewRow(const TableItem& row, int32_t index) {
    const bool folded = row.kind != TableItem::kHeader && !IsGroupExpanded(index);
    TableItem copy = row;
    // A height from the skin may be anything: a negative one would put rows out of order.
    copy.fullHeight = std::max<int32_t>(0, copy.fullHeight);
    copy.shownHeight = 0;
    copy.y = index == 0 ? 0 : Saturate(Bottom(m_rows[index - 1]));
    m_rows.insert(m_rows.begin() + index, std::move(copy));
    if (folded) {
        Relayout(index);
    } else {
        m_animator.Start(QeTableRowAnimator::kInsert, index);
    }
}

int QeTableView::RemoveItem(int32_t index) {
    m_animator.Finish();
    ClearSelection();
    if (!ValidIndex(index)) return 0;
    if (m_rows[index].kind != TableItem::kHeader && !IsGroupExpanded(index)) return EraseItem(index);
    m_animator.Start(QeTableRowAnimator::kRemove, index);
    return 1;
}

int QeTableView::EraseItem(int32_t index) {
    const bool apart = m_animator.IsRunning() && m_animator.Index() < index &&
                       (m_animator.Mode() == QeTableRowAnimator::kInsert || m_animator.Mode() == QeTableRowAnimator::kRemove);
    if (!apart) m_animator.Finish();
    if (!ValidIndex(index)) return 0;
    InvalidateItems(index, -1);
    EraseRow(index);
    Relayout(index);
    AxisY().BounceBack();
    return 1;
}

void QeTableView::EraseRow(int32_t index) {
    m_rows.erase(m_rows.begin() + index);
    // A row selected while the animation ran keeps its selection; the erased one loses it.
    if (m_selection == index) {
        m_selection = -1;
    } else if (m_selection > index) {
        --m_selection;
    }
}

void QeTableView::RemoveAllItems() {
    m_animator.Stop();
    Reset();
    m_selection = -1;
    m_rows.clear();
    AxisY().Clear();
    IndicatorY().Refresh();
}

int QeTableView::ExpandGroup(int32_t index) { return SetGroupExpanded(index, true); }
int QeTableView::CollapseGroup(int32_t index) { return SetGroupExpanded(index, false); }

int QeTableView::SetGroupExpanded(int32_t index, bool expand) {
    m_animator.Finish();
    if (!ValidIndex(index) || m_rows[index].kind != TableItem::kHeader) return 0;
    m_rows[index].expanded = expand ? 1 : 0;
    m_animator.Start(expand ? QeTableRowAnimator::kExpand : QeTableRowAnimator::kCollapse, index);
    return 1;
}

bool QeTableView::IsGroupExpanded(int32_t index) const {
    for (int32_t i = std::min(index, GetItemCount()) - 1; i >= 0; --i) {
        if (m_rows[i].kind == TableItem::kHeader) return m_rows[i].expanded != 0;
    }
    return true;
}

int32_t QeTableView::FindGroupHeader(int32_t index) const {
    if (index < 0) return -1;
    for (int32_t i = std::min(index, GetItemCount() - 1); i >= 0; --i) {
        if (m_rows[i].kind == TableItem::kHeader) return i;
    }
    return -1;
}

int32_t QeTableView::GroupEnd(int32_t header) const {
    int32_t last = header;
    while (last + 1 < GetItemCount() && m_rows[last + 1].kind != TableItem::kHeader) ++last;
    return last;
}

// ---- selection and filter

int QeTableView::SetSelection(int32_t index) {
    if (index == m_selection) return 1;
    if (index < -1 || index >= GetItemCount()) return 0;
    const int32_t old = m_selection;
    m_selection = index;
    if (old >= 0) InvalidateItem(old);
    if (index >= 0) InvalidateItem(index);
    return 1;
}

void QeTableView::SetFilter(const std::wstring& text) {
    // A running animation works on heights the filter is about to change.
    m_animator.Finish();
    m_filter = text;
    for (TableItem& row : m_rows) {
        if (row.kind == TableItem::kItem) row.hidden = text.empty() || MatchesFilter(row, text) ? 0 : 1;
    }
    Relayout(0);
    AxisY().BounceBack();
    Invalidate(kNoRect, true);
}

// ---- geometry

void QeTableView::UpdateItemPositions(int32_t index) {
    const int32_t count = GetItemCount();
    for (int32_t i = std::max(0, index); i < count; ++i) m_rows[i].y = i == 0 ? 0 : Saturate(Bottom(m_rows[i - 1]));
}

void QeTableView::Relayout(int32_t index) {
    UpdateItemPositions(index);
    SetContentHeight(ContentBottom());
}

int32_t QeTableView::ContentBottom() const { return m_rows.empty() ? 0 : Saturate(Bottom(m_rows.back())); }

void QeTableView::SetContentHeight(int32_t height) { SetContentSize(AxisX().ContentSize(), height); }

RECT QeTableView::GetItemRect(int32_t index) const {
    const TableItem* row = GetItem(index);
    if (row == nullptr) return kNoRect;
    const int32_t top = row->y + AxisY().Position();
    return RECT{0, top, AxisX().ContentSize(), top + row->EffectiveShownHeight()};
}

RECT QeTableView::GetItemScreenRect(int32_t index) const {
    return ValidIndex(index) ? LocalToScreen(GetItemRect(index)) : kNoRect;
}

int32_t QeTableView::FirstEndingAtOrAfter(int32_t y) const {
    const auto it = std::partition_point(m_rows.begin(), m_rows.end(), [&](const TableItem& r) { return Bottom(r) < y; });
    return static_cast<int32_t>(it - m_rows.begin());
}

int32_t QeTableView::ItemAtY(int y) const {
    const int64_t content = static_cast<int64_t>(ScreenToLocal(POINT{0, y}).y) - AxisY().Position();
    if (content < 0) return -1;
    const int32_t at = Saturate(content);
    // The first row reaching the point contains it unless it takes no height, which happens only
    // at content y 0 (hidden or folded rows at the top): the last row starting at or before the
    // point is then the one.
    const int32_t k = FirstEndingAtOrAfter(at);
    if (k == GetItemCount()) return -1;
    if (m_rows[k].EffectiveShownHeight() > 0 && m_rows[k].y <= at) return k;
    const auto after = std::partition_point(m_rows.begin() + k, m_rows.end(), [&](const TableItem& r) { return r.y <= at; });
    const int32_t last = static_cast<int32_t>(after - m_rows.begin()) - 1;
    return last >= k && m_rows[last].EffectiveShownHeight() > 0 ? last : -1;
}

bool QeTableView::PointToItem(int32_t index, POINT screen, POINT& out) const {
    if (!ValidIndex(index)) return false;
    const RECT r = GetItemScreenRect(index);
    out = POINT{screen.x - r.left, screen.y - r.top};
    return true;
}

// ---- repainting

void QeTableView::InvalidateItem(int32_t index) {
    RECT part;
    if (ValidIndex(index) && QeIntersectRect(GetItemRect(index), GetClientRect(), part)) Invalidate(part, true);
}

void QeTableView::InvalidateItems(int32_t first, int32_t last) {
    const int32_t count = GetItemCount();
    if (first < -1 || first >= count || last < -1) return;
    if (last >= count) last = count - 1;
    if (first >= 0 && last >= 0 && first > last) return;
    const LONG top = first < 0 ? 0 : GetItemRect(first).top;
    const LONG bottom = last < 0 ? Height() : GetItemRect(last).bottom;
    RECT part;
    if (QeIntersectRect(RECT{0, top, Width(), bottom}, GetClientRect(), part)) Invalidate(part, true);
}

// ---- cell

QeCell::QeCell(QeTableView& table, QeSurface& surface, int32_t index, const RECT& clip, const RECT& inRow)
    : m_table(table),
      m_surface(surface),
      m_index(index),
      m_clip(clip),
      m_inRow(inRow),
      m_screenRect(table.GetItemScreenRect(index)) {}

bool QeCell::Place(const RECT& rect, RECT& inSurface, RECT& visible) const {
    inSurface = QeOffsetRect(rect, m_clip.left - m_inRow.left, m_clip.top - m_inRow.top);
    return QeIntersectRect(inSurface, m_clip, visible);
}

bool QeCell::DrawImage(QeSkinImage& image, const RECT& rect) {
    RECT inSurface, visible;
    if (image.Image() == nullptr || !Place(rect, inSurface, visible)) return false;
    return image.Draw(m_surface, visible, QeOffsetRect(visible, -inSurface.left, -inSurface.top),
                      SIZE{rect.right - rect.left, rect.bottom - rect.top});
}

bool QeCell::DrawText(QeSkinText& text, const RECT& rect) {
    RECT inSurface, visible;
    if (text.Text().empty() || !Place(rect, inSurface, visible)) return false;
    return text.Draw(m_surface, inSurface, visible);
}

bool QeCell::DrawWindow(QeWindow& window, const RECT& rect) {
    RECT inSurface, visible;
    if (!Place(rect, inSurface, visible)) return false;
    return window.DrawInto(&m_surface, visible, POINT{visible.left - inSurface.left, visible.top - inSurface.top}) != 0;
}
