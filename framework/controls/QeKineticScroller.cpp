#include "framework/controls/QeKineticScroller.h"

#include <cmath>
#include <cstdlib>

#include "framework/base/QeClock.h"
#include "framework/base/QeTrace.h"
#include "framework/controls/QeScrollView.h"

namespace {

uint32_t Now() {
    QeClock* clock = QeClock::Instance();
    return clock != nullptr ? clock->current : 0;
}

int32_t Scaled(int32_t size, float scale) {
    const double scaled = std::trunc(static_cast<double>(size) * scale);
    return static_cast<int32_t>(std::clamp(scaled, -2147483648.0, 2147483647.0));
}

}  // namespace

QeKineticScroller::QeKineticScroller()
    : m_fling(kDefaultEasingKind, kFlingSeconds, 0, 0), m_bounce(kDefaultEasingKind, kBounceSeconds, 0, 0) {}

void QeKineticScroller::Bind(QeScrollView* owner, bool vertical) {
    m_owner = owner;
    m_vertical = vertical;
}

// ---- pen

void QeKineticScroller::PenDown(int32_t c) {
    if (!m_dragEnabled) return;
    StopTweens();
    m_dragging = 0;
    m_dragOrigin = c;
    // Only the moves of this gesture say how fast it goes: a flick whose one move begins the drag
    // must not fly with the last gesture's speed.
    m_fling.to = 0;
}

void QeKineticScroller::PenMove(int32_t c) {
    if (!m_dragEnabled) return;
    const uint32_t now = Now();
    if (m_dragging && now - m_lastMoveTime > m_flingWindow) {
        m_dragging = 0;
        m_dragOrigin = c;
    }
    if (!m_dragging) {
        if (std::llabs(static_cast<int64_t>(c) - m_dragOrigin) >= m_dragThreshold) {
            m_dragging = 1;
            m_lastPen = c;
            m_lastMoveTime = now;
            if (m_owner != nullptr) m_owner->OnDragBegin(*this);
        }
        return;
    }
    if (c == m_lastPen) return;
    const int32_t step = c - m_lastPen;
    m_fling.to = Scaled(step, m_velocityFactor);
    MoveBy(m_boundsEnabled && IsOutOfBounds() ? step / 2 : step);
    m_lastPen = c;
    m_lastMoveTime = now;
    Tick();
}

void QeKineticScroller::PenUp(int32_t) {
    if (!m_dragEnabled) return;
    // A fling of no distance would only keep the axis busy for its whole length.
    if (Now() - m_lastMoveTime <= m_flingWindow && m_fling.to != 0) {
        m_fling.from = 0;
        m_fling.duration = kFlingSeconds;
        m_fling.easingKind = kDefaultEasingKind;
        m_dragging = 0;
        m_fling.Start(&OnFlingTick, this);
        if (m_owner != nullptr) m_owner->WakeAxes();
        return;
    }
    m_dragging = 0;
    BounceBack();
}

// ---- fling and spring-back

void QeKineticScroller::OnFlingTick(void* user) { static_cast<QeKineticScroller*>(user)->FlingStep(); }
void QeKineticScroller::OnBounceTick(void* user) { static_cast<QeKineticScroller*>(user)->BounceStep(); }

int64_t QeKineticScroller::Braking(int32_t o, uint32_t now) const {
    if (o < 1) return 0;
    // The time since the last braking may be the whole clock (the first fling): keep it in range.
    const double b = std::trunc(static_cast<double>(now - m_lastBrakingTime) * o * m_friction);
    return static_cast<int64_t>(std::min(b, 4294967296.0));
}

void QeKineticScroller::FlingStep() {
    bool stopped = false;
    if (m_boundsEnabled) {
        const uint32_t now = Now();
        const int64_t s = Braking(m_position, now) + Braking(Overshoot(), now);
        const int64_t distance = m_fling.to;
        int64_t braked = 0;
        if (std::llabs(distance) >= s) braked = distance < 1 ? distance + s : distance - s;
        m_fling.to = static_cast<int32_t>(braked);
        m_lastBrakingTime = now;
        if (braked == 0) {
            m_fling.Stop();
            stopped = true;
        }
    }
    if (!stopped) {
        const int32_t previous = m_fling.Current();
        const int32_t next = m_fling.Update();
        if (std::llabs(previous) <= std::llabs(next)) {
            MoveBy(next - previous);
        } else {
            m_fling.Stop();
        }
    }
    if (!m_fling.IsRunning()) BounceBack();
    Tick();
    // Within the bounds the braking is nothing, however long since the last tick.
    if (!m_boundsEnabled || (m_position < 1 && Overshoot() < 1)) SleepQuietTicks(m_fling);
}

void QeKineticScroller::BounceBack() {
    if (!m_boundsEnabled) return;
    int32_t target = 0;
    const int32_t end = m_viewSize - m_scaledContentSize;
    if (m_position > 0 || m_scaledContentSize < m_viewSize) {
        target = 0;
    } else if (m_position < end) {
        target = end;
    } else {
        return;
    }
    if (m_position == target) return;
    m_bounce.from = m_position;
    m_bounce.to = target;
    m_bounce.duration = kBounceSeconds;
    m_bounce.easingKind = kDefaultEasingKind;
    m_bounce.Start(&OnBounceTick, this);
    if (m_owner != nullptr) m_owner->WakeAxes();
}

void QeKineticScroller::BounceStep() {
    MoveTo(m_bounce.Update());
    Tick();
    SleepQuietTicks(m_bounce);
}

void QeKineticScroller::SleepQuietTicks(QeTween& tween) {
    // Bounds the search: a tween that stays still longer wakes once in so many ticks.
    constexpr UINT kMostTicks = 100;
    if (tween.IsRunning() && (m_owner == nullptr || m_owner->QuietTicksMaySleep(*this))) {
        tween.SleepUnchanged(kMostTicks);
    }
}

void QeKineticScroller::WakeTicks() {
    m_bounce.Wake();
    if (m_fling.Wake()) {
        // Each tick let pass would have braked nothing and restarted the braking's clock.
        const uint32_t tick = QeAnimationTiming::kTickMs;
        m_lastBrakingTime += (Now() - m_lastBrakingTime) / tick * tick;
    }
}

void QeKineticScroller::StopTweens() {
    m_fling.Stop();
    m_bounce.Stop();
}

// ---- position and extent

void QeKineticScroller::MoveBy(int32_t delta) {
    if (delta == 0) return;
    if (m_owner != nullptr) m_owner->MoveChildren(m_vertical ? 0 : delta, m_vertical ? delta : 0);
    m_position += delta;
}

void QeKineticScroller::MoveTo(int32_t p) {
    if (p != m_position) WakeTicks();
    MoveBy(p - m_position);
}

void QeKineticScroller::SetPosition(int32_t p) {
    // Its last tick may still wait in the queue after its time is up.
    const bool bouncing = m_bounce.HoldsTimer();
    m_bounce.Stop();
    MoveTo(p);
    if (bouncing) BounceBack();
}

void QeKineticScroller::SetViewSize(int32_t size) {
    if (size != m_viewSize) WakeTicks();
    m_viewSize = size;
}

void QeKineticScroller::SetBoundsEnabled(bool on) {
    if (on != (m_boundsEnabled != 0)) WakeTicks();
    m_boundsEnabled = on ? 1 : 0;
}

void QeKineticScroller::SetContentSize(int32_t size) {
    const bool changed = size != m_contentSize || Scaled(size, m_scale) != m_scaledContentSize;
    if (changed) WakeTicks();
    m_contentSize = size;
    m_scaledContentSize = Scaled(size, m_scale);
    if (changed && m_bounce.HoldsTimer()) {
        m_bounce.Stop();
        BounceBack();
    }
}

bool QeKineticScroller::SetScale(float scale) {
    if (!(scale > 0) || !std::isfinite(scale)) {
        QeTrace(L"[QE+] QeKineticScroller::SetScale, The scale must be a positive number.\n");
        return false;
    }
    if (Scaled(m_contentSize, scale) != m_scaledContentSize) WakeTicks();
    m_scale = scale;
    m_scaledContentSize = Scaled(m_contentSize, m_scale);
    return true;
}

void QeKineticScroller::Clear() {
    WakeTicks();
    m_contentSize = 0;
    m_scaledContentSize = 0;
    m_reserved = 0;
    m_position = 0;
}

int32_t QeKineticScroller::Overshoot() const { return m_viewSize - m_position - m_scaledContentSize; }

bool QeKineticScroller::IsOutOfBounds() const {
    return m_position > 0 || m_position < m_viewSize - m_scaledContentSize;
}

bool QeKineticScroller::IsMoving() const { return m_dragging != 0 || m_fling.IsRunning() || m_bounce.IsRunning(); }

void QeKineticScroller::Tick() {
    if (m_owner != nullptr) m_owner->OnAxisTick();
}
