// The two animations every window has: the fade of SetVisible and the move of SetRect. Both run on
// a timer of QeTimerManager ticking every 0.01 s and take their progress from the frame clock, so a
// late tick only skips frames.
//
// Rules callers rely on:
//   - progress is eased by the kind's curve (kind 19 for a kind without one); overshooting curves
//     are clamped to what the value can hold (alpha 0-255, rectangle edges to 32 bits);
//   - a duration of 0 or less, or a timer that cannot be had, puts the animation at its end at
//     once, with the same effects as its last tick;
//   - the tick that reaches the end removes the timer and clears the id; starting again, snapping
//     and destroying all remove a running timer first.
#pragma once

#include <cstdint>

#include "framework/base/QeTimerManager.h"
#include "framework/ui/motion/QeEasing.h"
#include "platform/win_types.h"

class QeWindow;

// How the next SetVisible or SetRect of a window is animated; the flag is cleared by that call.
struct QeAnimationParams {
    uint8_t animated = 0;
    uint32_t easingKind = kDefaultEasingKind;
    float duration = 0;  // seconds

    QeAnimationParams() = default;
    // Animated over the duration with the kind's curve.
    QeAnimationParams(float seconds, uint32_t kind) : animated(1), easingKind(kind), duration(seconds) {}
    bool operator==(const QeAnimationParams&) const = default;
};

// The clock and timer half of an animation.
class QeAnimationTiming {
public:
    QeAnimationTiming() = default;
    ~QeAnimationTiming() { Stop(); }
    QeAnimationTiming(const QeAnimationTiming&) = delete;
    QeAnimationTiming& operator=(const QeAnimationTiming&) = delete;

    // Removes a running timer, then starts from the clock's current time. False when the
    // animation is already over: no length, or no timer.
    bool Start(float duration, uint32_t easingKind, QeTimerCallback tick, void* user);
    // As if it had ended: no timer, the duration 1 s (the state of an animator that snapped).
    void Stop();
    // The eased progress now: 0 at the start, 1 at the end (beyond on overshooting curves). When
    // the end is reached the timer is removed and `ended` is set.
    float Advance(bool& ended);
    // The eased progress as Advance would find it `ms` after the clock's current time, with `ended`
    // set when the end is reached by then.
    float ProgressAfter(DWORD ms, bool& ended) const;
    // The timer's next `ticks` ticks do not come (QeTimerManager::Defer), until Wake.
    void Defer(UINT ticks);
    // Brings back the next usual tick; true when ticks were being let pass.
    bool Wake();
    // A timer and time left.
    bool IsRunning() const;
    // The last tick has not run yet, whatever the clock says: a tick may still wait in the queue
    // after the time is up.
    bool HoldsTimer() const { return m_timer != 0; }

    UINT TimerId() const { return m_timer; }
    float Duration() const { return m_duration; }

    static constexpr DWORD kTickMs = 10;

private:
    float Elapsed(DWORD later = 0) const;

    QeEasingFunction m_ease = QeEasingOrDefault(kDefaultEasingKind);
    float m_duration = 0;
    DWORD m_start = 0;
    UINT m_timer = 0;
    bool m_deferred = false;  // ticks are let pass; a tick, a start or a stop ends that
};

// A value of the owner window animated from one value to another: alpha (its fade) or its
// rectangle (its move). Each step sets the value at the eased progress and repaints what changed:
// the whole window for alpha (a fade to 0 that is over also hides the window), the union of what
// it left and what it entered for the rectangle (set without OnRectChanged: the owner told the
// target when the move began). A step that changes nothing repaints nothing, except a fade's first.
template <class Value>
class QeAnimator {
public:
    explicit QeAnimator(QeWindow& owner) : m_owner(owner) {}

    void Start(const Value& from, const Value& to, float duration, uint32_t easingKind) {
        m_from = from;
        m_to = to;
        m_current = from;
        m_first = true;
        if (!m_timing.Start(duration, easingKind, &OnTick, this)) Step();
    }
    // Stops and stands at the value.
    void Snap(const Value& value) {
        m_timing.Stop();
        m_from = m_to = m_current = value;
    }

    const Value& Current() const { return m_current; }
    const Value& From() const { return m_from; }
    const Value& To() const { return m_to; }
    bool IsRunning() const { return m_timing.IsRunning(); }
    UINT TimerId() const { return m_timing.TimerId(); }

private:
    static void OnTick(void* user) { static_cast<QeAnimator*>(user)->Step(); }
    void Step();

    QeWindow& m_owner;
    Value m_from{};
    Value m_to{};
    Value m_current{};
    bool m_first = false;  // no step has run since the start
    QeAnimationTiming m_timing;
};

template <>
void QeAnimator<uint8_t>::Step();
template <>
void QeAnimator<RECT>::Step();

using QeAlphaAnimator = QeAnimator<uint8_t>;
using QeRectAnimator = QeAnimator<RECT>;
