// One axis of a scroll view: the content follows the pen one to one (half speed beyond an end), a
// quick release flings it on with a decaying speed, and content dragged or flung past an end
// springs back.
//
// Rules callers rely on:
//   - positions are scroll offsets: 0 at the start, negative when scrolled (content coordinate =
//     view coordinate - position); every change of position moves the owner's children with it;
//   - pen coordinates are screen pixels along the axis, times are the frame clock's milliseconds;
//   - a drag begins only once the pen is `dragThreshold` pixels from where it went down; a release
//     within `flingWindow` ms of the last move flings, a pause longer than that re-arms the drag;
//   - every step of a drag, fling or spring-back ends in the owner's axis tick; the tweens remove
//     their timers when they end and when the axis is destroyed;
//   - a spring-back runs between positions fixed when it began, so a move from outside (the caret
//     brought into view, text removed above the view) or a new extent ends it, and it starts again
//     from where the content is when that lies beyond an end: its next step would otherwise put
//     the content back where it was going before, off the text once the text is trimmed.
#pragma once

#include <cstdint>

#include "framework/ui/motion/QeTween.h"

class QeScrollView;

class QeKineticScroller {
public:
    QeKineticScroller();
    QeKineticScroller(const QeKineticScroller&) = delete;
    QeKineticScroller& operator=(const QeKineticScroller&) = delete;

    // The view whose children follow the content, and the axis this is (false: X, true: Y).
    void Bind(QeScrollView* owner, bool vertical);
    bool IsVertical() const { return m_vertical; }

    void PenDown(int32_t c);
    void PenMove(int32_t c);
    void PenUp(int32_t c);

    // Moves the owner's children by p - position, then position = p.
    void SetPosition(int32_t p);
    int32_t Position() const { return m_position; }
    void SetViewSize(int32_t size);
    int32_t ViewSize() const { return m_viewSize; }
    // The unscaled extent; the scaled one is truncate(size x scale).
    void SetContentSize(int32_t size);
    int32_t ContentSize() const { return m_contentSize; }
    int32_t ScaledContentSize() const { return m_scaledContentSize; }
    // The content zoom factor; anything but a positive finite number is refused (false), so the
    // scale is never 0.
    bool SetScale(float scale);
    float Scale() const { return m_scale; }
    // Content, scaled content and position 0 (the children are not moved).
    void Clear();

    // view size - position - scaled content: positive when the content's end lies inside the view.
    int32_t Overshoot() const;
    // Beyond either end: position > 0, or position < view size - scaled content.
    bool IsOutOfBounds() const;
    // Dragging, flinging or springing back.
    bool IsMoving() const;
    bool IsDragging() const { return m_dragging != 0; }
    bool IsFlinging() const { return m_fling.IsRunning(); }
    bool IsBouncing() const { return m_bounce.IsRunning(); }
    // Springs back to the nearest end when the content lies beyond one (or is smaller than the
    // view and not at 0); nothing without bounds.
    void BounceBack();
    // Stops flinging and springing back where the content is.
    void StopTweens();
    // The ticks of a fling or spring-back that would move nothing are let pass; anything that
    // changes what the coming ticks do brings them back with this.
    void WakeTicks();

    void SetDragEnabled(bool on) { m_dragEnabled = on ? 1 : 0; }
    bool IsDragEnabled() const { return m_dragEnabled != 0; }
    void SetBoundsEnabled(bool on);
    bool IsBoundsEnabled() const { return m_boundsEnabled != 0; }
    // The distance the next fling runs (its tween's target).
    int32_t FlingDistance() const { return m_fling.to; }

    static constexpr float kVelocityFactor = 30.0f;
    static constexpr uint32_t kFlingWindowMs = 50;
    static constexpr uint32_t kDragThreshold = 20;
    static constexpr float kFlingSeconds = 2.5f;
    static constexpr float kBounceSeconds = 0.5f;
    static constexpr float kFriction = 0.05f;

private:
    static void OnFlingTick(void* user);
    static void OnBounceTick(void* user);
    void FlingStep();
    void BounceStep();
    // Moves the content (and the owner's children) by delta.
    void MoveBy(int32_t delta);
    // SetPosition without its effect on a spring-back: the spring-back's own step.
    void MoveTo(int32_t p);
    // The braking that an overshoot of `o` pixels earns since the last braking.
    int64_t Braking(int32_t o, uint32_t now) const;
    void Tick();
    // After a step: lets the coming ticks of `tween` that would move nothing pass, when they would
    // change nothing else either.
    void SleepQuietTicks(QeTween& tween);

    QeScrollView* m_owner = nullptr;
    bool m_vertical = false;
    uint8_t m_dragEnabled = 1;
    QeTween m_fling;
    float m_velocityFactor = kVelocityFactor;
    uint32_t m_flingWindow = kFlingWindowMs;
    uint32_t m_dragThreshold = kDragThreshold;
    uint8_t m_dragging = 0;
    uint8_t m_boundsEnabled = 1;
    QeTween m_bounce;
    float m_friction = kFriction;
    uint32_t m_lastBrakingTime = 0;
    int32_t m_viewSize = 0;
    int32_t m_contentSize = 0;
    int32_t m_reserved = 0;
    float m_scale = 1.0f;
    int32_t m_scaledContentSize = 0;
    int32_t m_position = 0;
    int32_t m_dragOrigin = 0;
    int32_t m_lastPen = 0;
    uint32_t m_lastMoveTime = 0;
};
