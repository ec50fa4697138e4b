#include "framework/ui/motion/QeAnimator.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "framework/base/QeClock.h"
#include "framework/ui/view/QeRect.h"
#include "framework/ui/view/QeWindow.h"

namespace {

constexpr float kTickSeconds = QeAnimationTiming::kTickMs * 0.001f;

// (1 - e) x from + e x to in single precision, truncated toward zero into what the value holds.
template <class T>
T Mix(float e, int32_t from, int32_t to, double low, double high) {
    const float mixed = (1 - e) * static_cast<float>(from) + e * static_cast<float>(to);
    return static_cast<T>(std::clamp(static_cast<double>(mixed), low, high));
}

int32_t MixEdge(float e, int32_t from, int32_t to) { return Mix<int32_t>(e, from, to, INT32_MIN, INT32_MAX); }

}  // namespace

// ---- timing

bool QeAnimationTiming::Start(float duration, uint32_t easingKind, QeTimerCallback tick, void* user) {
    Stop();
    m_ease = QeEasingOrDefault(easingKind);
    m_duration = duration;
    QeClock* clock = QeClock::Instance();
    m_start = clock != nullptr ? clock->current : 0;
    QeTimerManager* timers = QeTimerManager::Instance();
    if (!(duration > 0) || timers == nullptr) return false;
    m_timer = timers->Add(duration, kTickSeconds, tick, user);
    return m_timer != 0;
}

void QeAnimationTiming::Stop() {
    m_deferred = false;
    if (m_timer != 0) {
        if (QeTimerManager* timers = QeTimerManager::Instance()) timers->Remove(m_timer);
        m_timer = 0;
    }
    m_duration = 1.0f;
}

float QeAnimationTiming::Elapsed(DWORD later) const {
    QeClock* clock = QeClock::Instance();
    const DWORD now = clock != nullptr ? clock->current + later : m_start;
    return static_cast<float>(now - m_start) * 0.001f;
}

float QeAnimationTiming::ProgressAfter(DWORD ms, bool& ended) const {
    const float elapsed = Elapsed(ms);
    ended = m_timer == 0 || !(elapsed < m_duration);
    return ended ? 1.0f : m_ease(std::max(elapsed, 0.0f), 0, 1.0f, m_duration);
}

void QeAnimationTiming::Defer(UINT ticks) {
    QeTimerManager* timers = QeTimerManager::Instance();
    if (m_timer == 0 || timers == nullptr || !timers->Defer(m_timer, ticks)) return;
    m_deferred = ticks != 0;
}

bool QeAnimationTiming::Wake() {
    if (!m_deferred) return false;
    Defer(0);
    m_deferred = false;
    return true;
}

bool QeAnimationTiming::IsRunning() const { return m_timer != 0 && Elapsed() < m_duration; }

float QeAnimationTiming::Advance(bool& ended) {
    // Whatever ticks were let pass, this one came.
    m_deferred = false;
    const float e = ProgressAfter(0, ended);
    if (!ended) return e;
    // The timer manager would remove the timer after this tick anyway; removing it here means the
    // id is never kept past its timer's life (ids come back).
    Stop();
    return 1.0f;
}

// ---- the two values

template <>
void QeAnimator<uint8_t>::Step() {
    bool ended = false;
    const float e = m_timing.Advance(ended);
    const uint8_t old = m_current;
    const uint8_t wasVisible = m_owner.m_visible;
    m_current = Mix<uint8_t>(e, m_from, m_to, 0, 255);
    if (m_to == 0 && !m_timing.IsRunning()) m_owner.m_visible = 0;
    // A step that leaves the alpha (and the visibility) as it was would repaint the same picture.
    // The first step after a start repaints all the same: the start may have shown the window.
    const bool first = std::exchange(m_first, false);
    if (first || m_current != old || m_owner.m_visible != wasVisible) m_owner.Invalidate(RECT{0, 0, 0, 0}, true);
}

template <>
void QeAnimator<RECT>::Step() {
    bool ended = false;
    const float e = m_timing.Advance(ended);
    const RECT old = m_owner.m_rect;
    m_current = RECT{MixEdge(e, m_from.left, m_to.left), MixEdge(e, m_from.top, m_to.top),
                     MixEdge(e, m_from.right, m_to.right), MixEdge(e, m_from.bottom, m_to.bottom)};
    m_owner.m_rect = m_current;
    m_first = false;
    if (!QeRectsDiffer(old, m_current)) return;  // moved nothing: the picture is the same
    const RECT both = QeUnionRect(old, m_current);
    m_owner.Invalidate(QeOffsetRect(both, -m_current.left, -m_current.top), true);
}
