// A view whose content is larger than the view and is dragged with the pen. Each axis is a
// QeKineticScroller; child windows move with the content, and content the view draws itself
// (DrawContent) is offset by the scroll position. Two scroll indicators show the position while it
// moves. The table view and the edit control derive from it.
//
// Rules callers rely on:
//   - content coordinate = local coordinate - position, per axis;
//   - the view asks for a repaint (added to the dirty rectangle) once per set of axis ticks, not
//     once per axis tick; the main window does not count that request as a change;
//   - draw mode 0 scrolls by copying the previous frame within the surface and redraws only what
//     the copy cannot give: the uncovered bands, what the main window counts as changed since the
//     last frame (moved and unmoved) and what lay under last frame's bars; on an ancestor's
//     surface, or with no main window to count changes, also all of the part being drawn. Every
//     pixel that reaches the screen is therefore what mode 1 draws, provided DrawContent and
//     DrawBackground draw inside the rectangle they are given and draw the same for the same
//     content coordinates;
//   - a copy builds only on the view's own last frame: not on a surface handed to another window
//     since (QeSurface::Tenancy);
//   - the pen reaches the axes before the parent hears of it: the parent may delete the view
//     inside its OnNotify.
#pragma once

#include <cstdint>

#include "framework/controls/QeKineticScroller.h"
#include "framework/controls/QeScrollIndicator.h"
#include "framework/ui/view/QeWindow.h"

class QeMarkupElement;

class QeScrollView : public QeWindow {
public:
    enum DrawMode : uint32_t {
        kDrawByCopy = 0,
        kDrawWhole = 1,
        // Any other value draws nothing and only records the position.
    };

    QeScrollView();
    ~QeScrollView() override;

    void OnRectChanged(const RECT& rect) override;
    int OnParentSize(int width, int height) override;
    int Draw(QeSurface* surface, const RECT& rect) override;
    int OnPenDown(int x, int y) override;
    int OnPenUp(int x, int y) override;
    int OnPenMove(int x, int y) override;

    // Called when an axis starts dragging.
    virtual void OnDragBegin(QeKineticScroller& /*axis*/) {}
    // Fills the part of the view the content does not cover (surface coordinates) white.
    virtual int DrawBackground(QeSurface* surface, const RECT& rect);
    // Draws the content: `rect` in surface coordinates, `content` the same area in content
    // coordinates. Fills black; subclasses draw their content here.
    virtual int DrawContent(QeSurface* surface, const RECT& rect, const RECT& content);

    // Loads the indicators from the element's XIndicator and YIndicator children, when present.
    int Load(const QeMarkupElement& element);

    void SetContentSize(int32_t width, int32_t height);
    // Both axes stopped, indicators reset, the next frame drawn whole.
    void Reset();
    // The content rectangle to local coordinates, clipped to the view, repainted (added to dirty).
    void InvalidateContent(const RECT& content);

    POINT ScreenToContent(POINT point) const;
    RECT ContentToLocal(const RECT& content) const;
    RECT ContentToSurface(const RECT& content) const;

    void SetDrawMode(uint32_t mode) { m_drawMode = mode; }
    uint32_t GetDrawMode() const { return m_drawMode; }
    QeKineticScroller& AxisX() { return m_x; }
    QeKineticScroller& AxisY() { return m_y; }
    const QeKineticScroller& AxisX() const { return m_x; }
    const QeKineticScroller& AxisY() const { return m_y; }
    QeScrollIndicator& IndicatorX() { return m_indicatorX; }
    QeScrollIndicator& IndicatorY() { return m_indicatorY; }

    // ---- for the axes
    // Moves every child by (dx, dy) and repaints each visible one where it now is.
    void MoveChildren(int32_t dx, int32_t dy);
    // One step of an axis: repaints the view once every axis that moves has stepped, and fades
    // out the indicators of axes that stopped.
    void OnAxisTick();
    // A tick of `axis` that moves nothing does nothing here while the other axis is still and its
    // indicator is not left to hide, so the axis may let such ticks pass.
    bool QuietTicksMaySleep(const QeKineticScroller& axis) const;
    // An axis starts moving: both axes tick again, so the steps alternate as they always do.
    void WakeAxes();

private:
    int DrawByCopy(QeSurface& surface, const RECT& rect);
    int DrawWhole(QeSurface& surface, const RECT& rect);
    int DrawBackgroundBands(QeSurface& surface, const RECT& rect);
    // DrawContent over a local rectangle (clipped to the view; nothing when empty).
    int DrawContentLocal(QeSurface& surface, const RECT& local);
    // The background bands, then the content, over a local rectangle: as a whole frame draws it.
    int Repaint(QeSurface& surface, const RECT& local);
    void DrawIndicators(QeSurface& surface, const RECT& rect);
    void HideStoppedIndicators();

    uint32_t m_drawMode = kDrawByCopy;
    QeKineticScroller m_x;
    QeKineticScroller m_y;
    QeScrollIndicator m_indicatorX;
    QeScrollIndicator m_indicatorY;
    uint32_t m_tickCount = 0;
    int32_t m_lastX = -1;
    int32_t m_lastY = -1;
    const QeSurface* m_lastSurface = nullptr;
    uint64_t m_lastTenancy = 0;  // of the last surface: it still holds the last frame
    RECT m_lastBars[2] = {};     // where the indicators' bars were in the last frame (local)
};
