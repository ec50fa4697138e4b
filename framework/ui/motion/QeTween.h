// Timed scalars: a value that runs from one number to another over a duration, shaped by an easing
// curve, on a timer of QeTimerManager ticking every 0.01 s. Kinetic scrolling, the scroll
// indicator's fade, table-row animations and screen transitions are made of them. QeTween holds
// whole numbers (each value truncated toward zero), QeFloatTween single-precision ones.
//
// Rules callers rely on:
//   - the value is taken from the frame clock when asked for (Update), so a late tick only skips
//     frames;
//   - a duration of 0 or less, or a timer that cannot be had, ends the tween at once: Start calls
//     the tick itself, once, and the value is then `to`. No scale of time is ever 0;
//   - the update that reaches the end removes the timer and clears the id; Stop, a new Start and
//     the destructor remove a running timer first. So no tick reaches a tween that is gone, and a
//     later Stop never removes a timer that has since been given to someone else.
#pragma once

#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "framework/base/QeTimerManager.h"
#include "framework/ui/motion/QeAnimator.h"
#include "framework/ui/motion/QeEasing.h"

template <class T>
class QeBasicTween {
public:
    explicit QeBasicTween(uint32_t easingKind = kDefaultEasingKind, float duration = 0, T from = 0, T to = 0)
        : easingKind(easingKind), duration(duration), from(from), to(to) {}
    QeBasicTween(const QeBasicTween&) = delete;
    QeBasicTween& operator=(const QeBasicTween&) = delete;

    // From `from` over `duration` with `easingKind`, calling tick(user) every 0.01 s until the end.
    // With no length or no timer the tween is over at once and tick(user) has run once.
    void Start(QeTimerCallback tick, void* user) {
        m_current = from;
        if (!m_timing.Start(duration, easingKind, tick, user) && tick != nullptr) tick(user);
    }

    // The value now: (1 - e) x from + e x to with e the eased share of the time gone. At the end
    // (or once stopped) it is `to` and the timer is gone.
    T Update() {
        bool ended = false;
        const float e = m_timing.Advance(ended);
        m_current = Mix(e);
        return m_current;
    }

    // Lets pass the coming ticks (at most `most`) that would find the value as it is now, stopping
    // short of the end's tick, and returns how many. For a caller that only follows the value: the
    // next tick that comes is the first that changes it, at its usual time. Until Wake, or a tick.
    UINT SleepUnchanged(UINT most) {
        UINT ticks = 0;
        for (bool ended = false; ticks < most; ++ticks) {
            const T next = Mix(m_timing.ProgressAfter((ticks + 1) * QeAnimationTiming::kTickMs, ended));
            if (ended || next != m_current) break;
        }
        if (ticks != 0) m_timing.Defer(ticks);
        return ticks;
    }
    // Brings back the next usual tick after SleepUnchanged; true when ticks were being let pass.
    bool Wake() { return m_timing.Wake(); }

    // A timer and time left.
    bool IsRunning() const { return m_timing.IsRunning(); }
    // The last tick has not run yet (see QeAnimationTiming::HoldsTimer).
    bool HoldsTimer() const { return m_timing.HoldsTimer(); }
    void Stop() { m_timing.Stop(); }

    T Current() const { return m_current; }
    UINT TimerId() const { return m_timing.TimerId(); }

    uint32_t easingKind;
    float duration;  // seconds
    T from;
    T to;

private:
    T Mix(float e) const {
        const float mixed = (1 - e) * static_cast<float>(from) + e * static_cast<float>(to);
        if constexpr (std::is_integral_v<T>) {
            // Overshooting curves may carry a value past what 32 bits hold.
            return static_cast<T>(std::clamp(static_cast<double>(mixed), -2147483648.0, 2147483647.0));
        } else {
            return mixed;
        }
    }

    QeAnimationTiming m_timing;
    T m_current = 0;
};

using QeTween = QeBasicTween<int32_t>;
using QeFloatTween = QeBasicTween<float>;
