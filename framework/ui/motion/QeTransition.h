// A screen switch drawn as an animation: the leaving window (source) and the arriving one (target)
// are captured once into their own surfaces and hidden; until the animation ends the paint path
// draws a blend of the two captures over the source's screen rectangle every frame, and at the end
// the target is shown for real.
//
// Rules callers rely on:
//   - the progress p runs from 1 (only the source shows) to 0 (only the target shows); the
//     renderers never draw outside the source's screen rectangle, even on curves that overshoot;
//   - while it runs both windows are invisible and their surfaces pinned, so no other window is
//     handed them; the end, however it comes (the last tick, a refused start, no length), unpins
//     both, hides the source, shows the target and then tells each window itself, source first,
//     with code 7 (kNotifyTransitionDone). The source may delete itself there: nothing of the
//     transition touches it afterwards;
//   - a transition removes its timer when it is destroyed, so no tick reaches one that is gone;
//   - a window still arriving or leaving in another transition is captured from the surface that
//     transition holds (the window is hidden and draws nothing meanwhile); that surface is then
//     pinned by both and stays pinned until both have let it go;
//   - a window destroyed while a transition names it ends that transition at once (through the
//     manager): the switch is made without the window, which hears nothing of it.
#pragma once

#include <cstdint>

#include "framework/ui/motion/QeAnimator.h"
#include "platform/win_types.h"

class QeDC;
class QeSurface;
class QeWindow;

enum QeTransitionEffect : uint32_t {
    kTransitionPush = 0,     // both move together
    kTransitionCover = 1,    // the target slides in over the source
    kTransitionUncover = 2,  // the source slides out, uncovering the target
    kTransitionFade = 3,     // the source fades out over the target
    kTransitionShrink = 4,   // the source shrinks to the centre over the target
    kTransitionGrow = 5,     // the target grows from the centre over the source
};

// The way the moving content travels (push, cover and uncover).
enum QeTransitionDirection : uint32_t {
    kTransitionRightwards = 0,
    kTransitionLeftwards = 1,
    kTransitionDownwards = 2,
    kTransitionUpwards = 3,
};

// One screen switch; navigation keeps them as its history.
struct QeTransitionParams {
    QeWindow* source = nullptr;
    QeWindow* target = nullptr;
    uint32_t effect = kTransitionPush;
    uint32_t direction = kTransitionRightwards;
    QeAnimationParams animation{0.5f, kDefaultEasingKind};

    // The way back: windows swapped, cover and uncover swapped, shrink and grow swapped, and the
    // direction turned round.
    QeTransitionParams Reverse() const;
    bool operator==(const QeTransitionParams&) const = default;
};

class QeTransition {
public:
    QeTransition() = default;
    explicit QeTransition(const QeTransitionParams& params) : m_params(params) {}
    // Unpins what it holds; the timer goes with it.
    virtual ~QeTransition();
    QeTransition(const QeTransition&) = delete;
    QeTransition& operator=(const QeTransition&) = delete;

    // Checks the windows and the effect, captures both windows and starts the timer. False (traced)
    // when a check fails, a capture fails or no timer can be had. A transition of no length (or
    // not animated) passes the checks, captures nothing and is over at once.
    bool Start();
    // The switch without animation, as at the end: see the rules above.
    void Finish();

    // Draws the present state onto the DC by the effect; false when it cannot.
    virtual bool Render(QeDC& dc);
    // The screen rectangle the transition draws over.
    virtual RECT Area() const { return m_area; }

    // Its last step has not run: until then the windows are hidden and pinned, even when the clock
    // is already past the end and the last tick still waits in the queue.
    bool IsRunning() const { return m_timing.HoldsTimer(); }
    bool Names(const QeWindow* window) const { return m_params.source == window || m_params.target == window; }
    // The surface captured of the window; null when it names no such window or captured nothing.
    QeSurface* CaptureOf(const QeWindow* window) const;
    // The window is going: nothing of the transition touches it from now on.
    void Forget(const QeWindow* window);
    float Progress() const { return m_progress; }
    const QeTransitionParams& Params() const { return m_params; }

private:
    static void OnTick(void* user);
    void Step();
    bool Capture(QeWindow& window, bool show, QeSurface*& captured);
    void Unpin();

    bool RenderPush(QeDC& dc);
    bool RenderCover(QeDC& dc);
    bool RenderUncover(QeDC& dc);
    bool RenderFade(QeDC& dc);
    bool RenderShrink(QeDC& dc);
    bool RenderGrow(QeDC& dc);

    QeTransitionParams m_params;
    RECT m_area{0, 0, 0, 0};  // the source's screen rectangle at the start
    QeSurface* m_source = nullptr;
    QeSurface* m_target = nullptr;
    float m_progress = 1.0f;
    QeAnimationTiming m_timing;
};
