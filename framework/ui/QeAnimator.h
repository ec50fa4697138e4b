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
#include "framework/ui/QeEasing.h"
#include "platform/win_types.h"

class QeWindow;

// How the next SetVisible or SetRect of a window is animated; the flag is cleared by that call.
struct QeAnimationParams {
    uint8_t animated = 0;
    uint32_t easingKind = kDefaultEasingKind;
    float duration = 0;  // seconds

    QeAnimationParams() = default;
    QeAnimationParams(float seconds, uint32_t kind) : animated(1), easingKind(kind), duration(seconds) {}
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
    // A timer and time left.
    bool IsRunning() const;

    UINT TimerId() const { return m_timer; }
    float Duration() const { return m_duration; }

private:
    float Elapsed() const;

    QeEasingFunction m_ease = QeEasingOrDefault(kDefaultEasingKind);
    float m_duration = 0;
    DWORD m_start = 0;
    UINT m_timer = 0;
};

class QeAlphaAnimator {
public:
    explicit QeAlphaAnimator(QeWindow& owner) : m_owner(owner) {}

    // Fades from `from` to `to`; the owner is invalidated at every step and, once a fade to 0 is
    // over, stops being visible.
    void Start(uint8_t from, uint8_t to, float duration, uint32_t easingKind);
    // Stops and stands at the alpha.
    void Snap(uint8_t alpha);

    uint8_t Current() const { return m_current; }
    uint8_t From() const { return m_from; }
    uint8_t To() const { return m_to; }
    bool IsRunning() const { return m_timing.IsRunning(); }
    UINT TimerId() const { return m_timing.TimerId(); }

private:
    static void OnTick(void* user);
    void Step();

    QeWindow& m_owner;
    uint8_t m_from = 0;
    uint8_t m_to = 0;
    uint8_t m_current = 0;
    QeAnimationTiming m_timing;
};

class QeRectAnimator {
public:
    explicit QeRectAnimator(QeWindow& owner) : m_owner(owner) {}

    // Moves the owner from `from` to `to` (parent coordinates), setting its rectangle and
    // invalidating what it left and entered at every step.
    void Start(const RECT& from, const RECT& to, float duration, uint32_t easingKind);
    void Snap(const RECT& rect);

    const RECT& Current() const { return m_current; }
    const RECT& From() const { return m_from; }
    const RECT& To() const { return m_to; }
    bool IsRunning() const { return m_timing.IsRunning(); }
    UINT TimerId() const { return m_timing.TimerId(); }

private:
    static void OnTick(void* user);
    void Step();

    QeWindow& m_owner;
    RECT m_from{0, 0, 0, 0};
    RECT m_to{0, 0, 0, 0};
    RECT m_current{0, 0, 0, 0};
    QeAnimationTiming m_timing;
};
