#include "framework/controls/QeScrollView.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "framework/base/QeMarkup.h"
#include "framework/ui/drawing/QeDC.h"
#include "framework/ui/shell/QeInputPanel.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/view/QeRect.h"

namespace {

constexpr COLORREF kBackgroundColor = RGB(255, 255, 255);
constexpr COLORREF kContentColor = RGB(0, 0, 0);

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

// The union of two rectangles, either of which may be empty.
RECT Join(const RECT& a, const RECT& b) {
    if (IsEmpty(a)) return b;
    if (IsEmpty(b)) return a;
    return QeUnionRect(a, b);
}

RECT Clip(const RECT& r, const RECT& to) {
    RECT out{0, 0, 0, 0};
    return QeIntersectRect(r, to, out) ? out : RECT{0, 0, 0, 0};
}

// A content extent widened to whole multiples of the scale, in unscaled units.
void Unscale(LONG& start, LONG& end, float scale) {
    if (scale == 1.0f) return;
    start = static_cast<LONG>(std::floor(start / scale + 0.001f));
    end = static_cast<LONG>(std::ceil(end / scale - 0.001f));
}

}  // namespace

QeScrollView::QeScrollView() {
    m_x.Bind(this, false);
    m_y.Bind(this, true);
    m_indicatorX.Bind(this, &m_x);
    m_indicatorY.Bind(this, &m_y);
}

QeScrollView::~QeScrollView() = default;

int QeScrollView::Load(const QeMarkupElement& element) {
    if (const QeMarkupElement* x = element.FindChild(L"XIndicator")) m_indicatorX.Load(*x);
    if (const QeMarkupElement* y = element.FindChild(L"YIndicator")) m_indicatorY.Load(*y);
    return 1;
}

// ---- window operations

void QeScrollView::OnRectChanged(const RECT& rect) {
    m_x.SetViewSize(rect.right - rect.left);
    m_y.SetViewSize(rect.bottom - rect.top);
}

int QeScrollView::OnParentSize(int, int) {
    m_lastSurface = nullptr;
    return 1;
}

int QeScrollView::OnPenDown(int x, int y) {
    m_x.PenDown(x);
    m_y.PenDown(y);
    return QeWindow::OnPenDown(x, y);
}

int QeScrollView::OnPenUp(int x, int y) {
    m_x.PenUp(x);
    m_y.PenUp(y);
    HideStoppedIndicators();
    return QeWindow::OnPenUp(x, y);
}

int QeScrollView::OnPenMove(int x, int y) {
    m_x.PenMove(x);
    m_y.PenMove(y);
    return QeWindow::OnPenMove(x, y);
}

// ---- content

void QeScrollView::SetContentSize(int32_t width, int32_t height) {
    m_x.SetContentSize(width);
    m_indicatorX.Refresh();
    m_y.SetContentSize(height);
    m_indicatorY.Refresh();
}

void QeScrollView::Reset() {
    m_x.StopTweens();
    m_y.StopTweens();
    m_indicatorX.Reset();
    m_indicatorY.Reset();
    m_lastX = -1;
    m_lastY = -1;
    m_lastSurface = nullptr;
    m_tickCount = 0;
}

void QeScrollView::InvalidateContent(const RECT& content) {
    const RECT local = Clip(ContentToLocal(content), GetClientRect());
    if (!IsEmpty(local)) Invalidate(local, true);
}

POINT QeScrollView::ScreenToContent(POINT point) const {
    const POINT local = ScreenToLocal(point);
    return POINT{local.x - m_x.Position(), local.y - m_y.Position()};
}

RECT QeScrollView::ContentToLocal(const RECT& content) const {
    return QeOffsetRect(content, m_x.Position(), m_y.Position());
}

RECT QeScrollView::ContentToSurface(const RECT& content) const {
    const POINT offset = SurfaceOffset();
    return QeOffsetRect(ContentToLocal(content), offset.x, offset.y);
}

// ---- axes

void QeScrollView::MoveChildren(int32_t dx, int32_t dy) {
    for (QeWindow* child = FirstChild(); child != nullptr; child = child->Next()) {
        const RECT& r = child->Rect();
        child->SetPosition(r.left + dx, r.top + dy);
        if (child->IsVisible()) child->Invalidate(RECT{0, 0, 0, 0}, true);
    }
}

void QeScrollView::OnAxisTick() {
    ++m_tickCount;
    const uint32_t moving = (m_x.IsMoving() ? 1u : 0u) + (m_y.IsMoving() ? 1u : 0u);
    // A tick that left the content where it was last drawn (a slow fling's end moves a pixel
    // every few ticks) would draw and present the same picture again.
    const bool moved = m_lastSurface == nullptr || m_x.Position() != m_lastX || m_y.Position() != m_lastY;
    if (m_tickCount >= moving) {
        m_tickCount = 0;
        // Added to the dirty rectangle: the paint path draws only what meets it, and a view
        // without children would otherwise never be drawn while it scrolls. It is not a change:
        // copying moves what was drawn, and only what the copy uncovers is drawn afresh.
        QeMainWindow* main = QeMainWindow::Instance();
        if (main != nullptr && moved) main->InvalidateMoved(LocalToScreen(GetClientRect()));
    }
    HideStoppedIndicators();
}

bool QeScrollView::QuietTicksMaySleep(const QeKineticScroller& axis) const {
    const bool vertical = &axis == &m_y;
    const QeScrollIndicator& otherBar = vertical ? m_indicatorX : m_indicatorY;
    return !(vertical ? m_x : m_y).IsMoving() && !(otherBar.IsEnabled() && otherBar.IsShown());
}

void QeScrollView::WakeAxes() {
    m_x.WakeTicks();
    m_y.WakeTicks();
}

void QeScrollView::HideStoppedIndicators() {
    if (m_indicatorX.IsEnabled() && !m_x.IsMoving()) m_indicatorX.Show(false);
    if (m_indicatorY.IsEnabled() && !m_y.IsMoving()) m_indicatorY.Show(false);
}

// ---- drawing

int QeScrollView::DrawBackground(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(kBackgroundColor, rect);
    return 1;
}

int QeScrollView::DrawContent(QeSurface* surface, const RECT& rect, const RECT&) {
    if (surface != nullptr) surface->FillSolid(kContentColor, rect);
    return 1;
}

int QeScrollView::Draw(QeSurface* surface, const RECT& rect) {
    if (surface == nullptr) return 1;
    uint32_t mode = m_drawMode;
    // While the input panel comes or goes, the view's area changes under it: draw it whole.
    if (QeInputPanel* panel = QeInputPanel::Instance(); panel != nullptr && panel->IsActive()) mode = kDrawWhole;
    int result = 1;
    if (mode == kDrawByCopy) {
        result = DrawByCopy(*surface, rect);
    } else if (mode == kDrawWhole) {
        result = DrawWhole(*surface, rect);
    }
    m_lastX = m_x.Position();
    m_lastY = m_y.Position();
    m_lastSurface = surface;
    m_lastTenancy = surface->Tenancy();
    return result;
}

int QeScrollView::DrawWhole(QeSurface& surface, const RECT& rect) {
    if (!DrawBackgroundBands(surface, rect)) return 0;
    const POINT offset = SurfaceOffset();
    if (!DrawContentLocal(surface, QeOffsetRect(rect, -offset.x, -offset.y))) return 0;
    DrawIndicators(surface, rect);
    return 1;
}

int QeScrollView::DrawByCopy(QeSurface& surface, const RECT& rect) {
    const POINT offset = SurfaceOffset();
    const RECT client = GetClientRect();
    const int32_t dx = m_x.Position() - m_lastX;
    const int32_t dy = m_y.Position() - m_lastY;
    // What a window drawn before this one into the surface they share (an ancestor's background,
    // an earlier sibling) drew over the last frame this frame (local): drawn again, and nothing
    // worth copying when the view also moved. Without the main window nobody keeps count: all of it.
    QeMainWindow* main = QeMainWindow::Instance();
    RECT over = client;
    if (main != nullptr) over = HasOwnDC() ? RECT{0, 0, 0, 0} : ScreenToLocal(main->DrawnOver(&surface, LocalToScreen(client)));
    const bool moved = dx != 0 || dy != 0;

    // The block of the last frame that is still good, moved to where it now belongs (local).
    RECT kept{0, 0, 0, 0};
    if ((!moved || IsEmpty(over)) && m_lastSurface == &surface && m_lastTenancy == surface.Tenancy()) {
        if (!moved) {
            kept = client;
        } else {
            const int32_t width = Width();
            const int32_t height = Height();
            const int64_t ax = std::min<int64_t>(std::llabs(static_cast<int64_t>(dx)), width);
            const int64_t ay = std::min<int64_t>(std::llabs(static_cast<int64_t>(dy)), height);
            // The indicator tracks go along: what they held is content except under last frame's
            // bars, drawn afresh below. Whole rows so copied move as one block of memory.
            const int64_t keptWidth = width - ax;
            const int64_t keptHeight = height - ay;
            if (keptWidth > 0 && keptHeight > 0) {
                const LONG fromX = dx >= 0 ? 0 : static_cast<LONG>(ax), toX = dx >= 0 ? static_cast<LONG>(ax) : 0;
                const LONG fromY = dy >= 0 ? 0 : static_cast<LONG>(ay), toY = dy >= 0 ? static_cast<LONG>(ay) : 0;
                const RECT from{fromX, fromY, fromX + static_cast<LONG>(keptWidth), fromY + static_cast<LONG>(keptHeight)};
                kept = RECT{toX, toY, toX + static_cast<LONG>(keptWidth), toY + static_cast<LONG>(keptHeight)};
                QeDC::Blit(surface, surface, QeOffsetRect(kept, offset.x, offset.y),
                           QeOffsetRect(from, offset.x, offset.y), SRCCOPY);
            }
        }
    }

    // What the block does not cover: full-width bands above and below it, and beside it over its rows.
    RECT strips[4] = {client, {}, {}, {}};
    if (!IsEmpty(kept)) {
        strips[0] = RECT{client.left, client.top, client.right, kept.top};
        strips[1] = RECT{client.left, kept.bottom, client.right, client.bottom};
        strips[2] = RECT{client.left, kept.top, kept.left, kept.bottom};
        strips[3] = RECT{kept.right, kept.top, client.right, kept.bottom};
    }
    for (const RECT& strip : strips) {
        if (!Repaint(surface, strip)) return 0;
    }
    // What was asked to be repainted since the last frame (a row changed during a fling), at its
    // old place in the content and at its new one. Not the whole area drawn: the view's own
    // repaint request for the scroll changes nothing.
    RECT fresh{0, 0, 0, 0};
    if (main != nullptr && !IsEmpty(main->changedRect)) {
        const RECT changed = ScreenToLocal(main->changedRect);
        fresh = Join(changed, QeOffsetRect(changed, dx, dy));
    }
    if (!Repaint(surface, Join(fresh, over))) return 0;
    // Last frame's bars, where the copy carried them (unless a strip just drawn covers them): then
    // the view holds content alone, and the bars are blended afresh.
    for (const RECT& bar : m_lastBars) {
        const RECT moved = QeOffsetRect(bar, dx, dy);
        const bool covered = std::any_of(std::begin(strips), std::end(strips),
                                         [&moved](const RECT& strip) { return QeRectContains(strip, moved); });
        if (!IsEmpty(kept) && !covered && !Repaint(surface, moved)) return 0;
    }
    DrawIndicators(surface, rect);
    return 1;
}

int QeScrollView::DrawBackgroundBands(QeSurface& surface, const RECT& rect) {
    const POINT offset = SurfaceOffset();
    const int32_t width = Width();
    const int32_t height = Height();
    const int32_t above = m_y.Position();
    const int32_t below = m_y.Overshoot();
    const int32_t left = m_x.Position();
    const int32_t right = m_x.Overshoot();
    RECT bands[4];
    int count = 0;
    if (above > 0) bands[count++] = RECT{0, 0, width, std::min(above, height)};
    if (below > 0) bands[count++] = RECT{0, height - std::min(below, height), width, height};
    if (left > 0) bands[count++] = RECT{0, 0, std::min(left, width), height};
    if (right > 0) bands[count++] = RECT{width - std::min(right, width), 0, width, height};
    for (int i = 0; i < count; ++i) {
        const RECT band = Clip(QeOffsetRect(bands[i], offset.x, offset.y), rect);
        if (!IsEmpty(band) && !DrawBackground(&surface, band)) return 0;
    }
    return 1;
}

int QeScrollView::Repaint(QeSurface& surface, const RECT& local) {
    const RECT part = Clip(local, GetClientRect());
    if (IsEmpty(part)) return 1;
    const POINT offset = SurfaceOffset();
    return DrawBackgroundBands(surface, QeOffsetRect(part, offset.x, offset.y)) && DrawContentLocal(surface, part) ? 1 : 0;
}

int QeScrollView::DrawContentLocal(QeSurface& surface, const RECT& local) {
    const RECT part = Clip(local, GetClientRect());
    if (IsEmpty(part)) return 1;
    const POINT offset = SurfaceOffset();
    RECT content = QeOffsetRect(part, -m_x.Position(), -m_y.Position());
    Unscale(content.left, content.right, m_x.Scale());
    Unscale(content.top, content.bottom, m_y.Scale());
    return DrawContent(&surface, QeOffsetRect(part, offset.x, offset.y), content);
}

void QeScrollView::DrawIndicators(QeSurface& surface, const RECT& rect) {
    const POINT offset = SurfaceOffset();
    QeScrollIndicator* indicators[2] = {&m_indicatorX, &m_indicatorY};
    for (int i = 0; i < 2; ++i) {
        m_lastBars[i] = RECT{0, 0, 0, 0};
        if (!indicators[i]->IsEnabled()) continue;
        const RECT track = QeOffsetRect(indicators[i]->TrackRect(), offset.x, offset.y);
        if (rect.left <= track.left && rect.top <= track.top && rect.right >= track.right && rect.bottom >= track.bottom) {
            indicators[i]->TrackPainted();
        }
        const RECT bar = indicators[i]->BarRect();
        RECT meets;
        if (QeIntersectRect(QeOffsetRect(bar, offset.x, offset.y), rect, meets) &&
            indicators[i]->Draw(surface, offset)) {
            m_lastBars[i] = bar;
        }
    }
}
