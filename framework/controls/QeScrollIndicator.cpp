#include "framework/controls/QeScrollIndicator.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "framework/base/QeMarkup.h"
#include "framework/controls/QeKineticScroller.h"
#include "framework/controls/QeScrollView.h"
#include "framework/ui/view/QeRect.h"

namespace {

constexpr float kFadeSeconds = 1.0f;

// truncate(v / content x view) kept within [0, view].
int32_t Along(double v, int32_t content, int32_t view) {
    const double at = std::trunc(v / content * view);
    return static_cast<int32_t>(std::clamp(at, 0.0, static_cast<double>(std::max(view, 0))));
}

}  // namespace

QeScrollIndicator::QeScrollIndicator() : m_fade(kDefaultEasingKind, kFadeSeconds, 0, kFadeSteps) {}

bool QeScrollIndicator::Bind(QeScrollView* owner, QeKineticScroller* axis) {
    m_owner = owner;
    m_axis = axis;
    m_barReady = m_bar.Create(1, 1) && m_bar.Fill(kBarColor);
    return m_barReady;
}

int QeScrollIndicator::Load(const QeMarkupElement& element) {
    if (const QeMarkupElement* enabled = element.FindChild(L"Enabled")) m_enabled = ParseBool(enabled) ? 1 : 0;
    // A negative size from the skin would turn the bar inside out: none is kept.
    if (const QeMarkupElement* thick = element.FindChild(L"Thick")) m_thickness = std::max(ParseInt(thick), 0);
    if (const QeMarkupElement* margin = element.FindChild(L"Margin")) m_margin = std::max(ParseInt(margin), 0);
    return 1;
}

bool QeScrollIndicator::IsVertical() const { return m_axis != nullptr && m_axis->IsVertical(); }

void QeScrollIndicator::Show(bool flag) {
    if (!flag && !m_shown) return;
    m_fade.from = 0;
    m_fade.to = kFadeSteps;
    m_fade.duration = kFadeSeconds;
    m_fade.Start(&OnFadeTick, this);
}

void QeScrollIndicator::OnFadeTick(void* user) { static_cast<QeScrollIndicator*>(user)->FadeStep(); }

// Repaints only when the picture changes: a bar fading to a new alpha, moved, or gone on this
// tick. An indicator that drew nothing and draws nothing now (disabled, no bar) repaints nothing.
// A tick of a fine alpha would give pictures too alike to tell apart, or the same picture again
// over most content, at a present each: the fade's steps are few, and the ticks between them
// do not come.
void QeScrollIndicator::FadeStep() {
    // Bounds the search for the next step.
    constexpr UINT kMostTicks = 100;
    m_fade.Update();
    RepaintChange();
    if (m_fade.IsRunning()) m_fade.SleepUnchanged(kMostTicks);
}

void QeScrollIndicator::RepaintChange() {
    const bool wholeTrack = std::exchange(m_wholeTrack, 0) != 0;
    if (m_owner == nullptr || !m_enabled) return;
    // A view that is not on screen draws no bar; showing it again repaints it whole.
    for (const QeWindow* view = m_owner; view != nullptr; view = view->Parent()) {
        if (!view->IsVisible()) {
            m_drawnAlpha = 0;
            return;
        }
    }
    const uint8_t alpha = AlphaNow();
    const RECT bar = BarRect();
    if (alpha == 0 && m_drawnAlpha == 0) return;
    const bool moved = m_drawnAlpha != 0 && QeRectsDiffer(bar, m_drawnBar);
    if (!wholeTrack && alpha == m_drawnAlpha && !moved) return;
    RECT area = wholeTrack ? TrackRect() : alpha != 0 ? bar : m_drawnBar;
    if (!wholeTrack && alpha != 0 && m_drawnAlpha != 0) area = QeUnionRect(bar, m_drawnBar);
    if (area.right > area.left && area.bottom > area.top) m_owner->Invalidate(area, true);
}

uint8_t QeScrollIndicator::AlphaNow() const {
    const RECT bar = BarRect();
    if (!m_barReady || bar.right <= bar.left || bar.bottom <= bar.top) return 0;
    if (m_axis != nullptr && m_axis->IsMoving()) return kShownAlpha;
    return m_fade.IsRunning() ? FadeAlpha() : 0;
}

RECT QeScrollIndicator::TrackRect() const {
    if (m_owner == nullptr) return RECT{0, 0, 0, 0};
    const int32_t width = m_owner->Width();
    const int32_t height = m_owner->Height();
    if (IsVertical()) return RECT{width - m_thickness, 0, width, height};
    return RECT{0, height - m_thickness, width, height};
}

RECT QeScrollIndicator::BarRect() const {
    if (m_owner == nullptr || m_axis == nullptr) return RECT{0, 0, 0, 0};
    const int32_t view = m_axis->ViewSize();
    const int32_t content = m_axis->ScaledContentSize();
    int32_t start = 0;
    int32_t end = std::max(view, 0);
    if (content > view) {
        const double scrolled = -static_cast<double>(m_axis->Position());
        start = Along(scrolled, content, view);
        end = Along(scrolled + view, content, view);
    }
    if (IsVertical()) {
        const int32_t width = m_owner->Width();
        return RECT{width - m_thickness, start, width - m_margin, end};
    }
    const int32_t height = m_owner->Height();
    return RECT{start, height - m_thickness, end, height - m_margin};
}

bool QeScrollIndicator::Draw(QeDC& surface, POINT origin) {
    uint8_t alpha = 0;
    if (m_axis != nullptr && m_axis->IsMoving()) {
        m_fade.Stop();
        alpha = kShownAlpha;
        m_shown = 1;
    } else if (m_fade.IsRunning()) {
        alpha = FadeAlpha();
        m_shown = 0;
    } else {
        m_drawnAlpha = 0;
        return false;
    }
    const RECT bar = BarRect();
    // An empty extent would stand for the bar surface's own pixel.
    if (!m_barReady || bar.right <= bar.left || bar.bottom <= bar.top) {
        m_drawnAlpha = 0;
        return false;
    }
    QeDC::AlphaBlit(surface, m_bar, QeOffsetRect(bar, origin.x, origin.y), RECT{0, 0, 1, 1}, alpha);
    m_drawnAlpha = alpha;
    m_drawnBar = bar;
    return true;
}
