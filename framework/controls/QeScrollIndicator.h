// The thin translucent bar that a scroll view draws along its right edge (Y axis) or bottom edge
// (X axis) while its content moves, and fades out afterwards. Not a window: the view owns two and
// draws them after its content.
//
// Rules callers rely on:
//   - rectangles are in the view's local coordinates;
//   - content no larger than the view (none at all included) gives a bar over the whole track;
//   - the fade's last tick clears its timer, and the destructor removes a timer still running;
//   - the fade goes down in kFadeSteps even steps of alpha, each a change a user can see, and its
//     timer lets pass the ticks between two steps: each step repaints once and nothing between.
#pragma once

#include <algorithm>
#include <cstdint>

#include "framework/ui/drawing/QeDC.h"
#include "framework/ui/motion/QeTween.h"

class QeKineticScroller;
class QeMarkupElement;
class QeScrollView;

class QeScrollIndicator {
public:
    static constexpr COLORREF kBarColor = 0x808080;
    static constexpr uint8_t kShownAlpha = 192;
    // Steps of the fade below the shown alpha; 0 is the last.
    static constexpr int32_t kFadeSteps = 6;

    QeScrollIndicator();
    QeScrollIndicator(const QeScrollIndicator&) = delete;
    QeScrollIndicator& operator=(const QeScrollIndicator&) = delete;

    // Stores the view and the axis shown and makes the grey bar; false when the bar cannot be made
    // (the indicator then draws nothing).
    bool Bind(QeScrollView* owner, QeKineticScroller* axis);
    // The optional keys Enabled (the text "True"), Thick and Margin; 1.
    int Load(const QeMarkupElement& element);

    // 0 for an axis that stopped: fades out a bar that is shown, else nothing. 1: fades out the
    // bar from its full alpha (content changed).
    void Show(bool flag);
    // The next fade tick repaints the whole track (the content size changed), at its usual time,
    // unless a frame repaints it first.
    void Refresh() {
        m_wholeTrack = 1;
        m_fade.Wake();
    }
    // A frame repainted the whole track.
    void TrackPainted() { m_wholeTrack = 0; }
    // Stops the fade.
    void Reset() { m_fade.Stop(); }
    // The alpha the bar would be drawn with now; 0 when it would draw nothing.
    uint8_t AlphaNow() const;

    RECT TrackRect() const;
    RECT BarRect() const;
    // Blends the bar into the surface, the view's top-left at `origin` (surface coordinates):
    // at the shown alpha while the axis moves, else at the fade's alpha while it runs. True when
    // a bar was blended.
    bool Draw(QeDC& surface, POINT origin);

    void SetEnabled(bool on) { m_enabled = on ? 1 : 0; }
    bool IsEnabled() const { return m_enabled != 0; }
    int32_t Thickness() const { return m_thickness; }
    int32_t Margin() const { return m_margin; }
    void SetThickness(int32_t thickness) { m_thickness = thickness < 0 ? 0 : thickness; }
    void SetMargin(int32_t margin) { m_margin = margin < 0 ? 0 : margin; }
    bool IsShown() const { return m_shown != 0; }
    bool IsFading() const { return m_fade.IsRunning(); }
    // The fade counts the steps gone, from 0 to kFadeSteps.
    uint8_t FadeAlpha() const {
        const int32_t left = kFadeSteps - std::clamp(m_fade.Current(), 0, kFadeSteps);
        return static_cast<uint8_t>(kShownAlpha * left / kFadeSteps);
    }

private:
    static void OnFadeTick(void* user);
    void FadeStep();
    void RepaintChange();
    bool IsVertical() const;

    QeScrollView* m_owner = nullptr;
    QeKineticScroller* m_axis = nullptr;
    uint8_t m_enabled = 1;
    QeSurface m_bar;
    bool m_barReady = false;
    int32_t m_thickness = 8;
    int32_t m_margin = 2;
    QeTween m_fade;
    uint8_t m_shown = 0;
    uint8_t m_wholeTrack = 0;
    // What the last Draw left on the surface: the alpha (0: no bar) and where.
    uint8_t m_drawnAlpha = 0;
    RECT m_drawnBar{0, 0, 0, 0};
};
