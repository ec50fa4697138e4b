#include "framework/ui/motion/QeTransition.h"

#include <algorithm>

#include "framework/base/QeTrace.h"
#include "framework/ui/drawing/QeDC.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/view/QeRect.h"
#include "framework/ui/motion/QeTransitionManager.h"
#include "framework/ui/view/QeWindow.h"

namespace {

uint32_t Turned(uint32_t direction) { return direction <= kTransitionUpwards ? direction ^ 1u : direction; }

uint32_t Swapped(uint32_t effect) {
    switch (effect) {
    case kTransitionCover: return kTransitionUncover;
    case kTransitionUncover: return kTransitionCover;
    case kTransitionShrink: return kTransitionGrow;
    case kTransitionGrow: return kTransitionShrink;
    default: return effect;
    }
}

// ⌊extent × share⌋ in single precision.
int Portion(int extent, float share) { return static_cast<int>(static_cast<float>(extent) * share); }

// Copies a part of a surface to (x, y) of the DC. A part of no width or height is skipped: to a
// blit an empty extent means the whole bitmap, which would flash over the screen.
bool Put(QeDC& dc, QeSurface& surface, const RECT& part, int x, int y) {
    if (IsEmptyRect(part)) return true;
    const RECT to{x, y, x + part.right - part.left, y + part.bottom - part.top};
    return QeDC::Blit(dc, surface, to, part, SRCCOPY);
}

// The whole surface stretched into the rectangle; nothing for an empty one.
bool Stretch(QeDC& dc, QeSurface& surface, const RECT& to) {
    if (IsEmptyRect(to)) return true;
    return QeDC::Blit(dc, surface, to, RECT{0, 0, surface.Width(), surface.Height()}, SRCCOPY);
}

// The centred rectangle of a share of S's width and height (halves truncated toward zero).
RECT Centred(const RECT& area, int width, int height, float share) {
    const int w = Portion(width, share);
    const int h = Portion(height, share);
    const int left = area.left + (width - w) / 2;
    const int top = area.top + (height - h) / 2;
    return RECT{left, top, left + w, top + h};
}

// One axis of a slide: the span [from, from + length) of a surface goes to `to`.
struct Span {
    int from;
    int length;
    int to;
};

// Of N pixels the source shows n. Moving forward (rightwards, downwards) a moving source shows its
// leading n pixels at the far end; a staying one keeps its far n pixels where they are.
Span SourceSpan(bool moves, bool forward, int extent, int shown) {
    if (forward) return Span{moves ? 0 : extent - shown, shown, extent - shown};
    return Span{moves ? extent - shown : 0, shown, 0};
}

// The target fills the other N - n pixels.
Span TargetSpan(bool moves, bool forward, int extent, int shown) {
    if (forward) return Span{moves ? shown : 0, extent - shown, 0};
    return Span{moves ? 0 : shown, extent - shown, shown};
}

}  // namespace

QeTransitionParams QeTransitionParams::Reverse() const {
    QeTransitionParams back = *this;
    back.source = target;
    back.target = source;
    back.effect = Swapped(effect);
    back.direction = Turned(direction);
    return back;
}

QeTransition::~QeTransition() { Unpin(); }

bool QeTransition::Start() {
    QeWindow* source = m_params.source;
    QeWindow* target = m_params.target;
    const wchar_t* refusal = nullptr;
    if (source == nullptr) {
        refusal = L"Transition source must be given";
    } else if (target == nullptr) {
        refusal = L"Transition target must be given";
    } else if (!source->HasOwnDC()) {
        refusal = L"Transition source must have own dc";
    } else if (!target->HasOwnDC()) {
        refusal = L"Transition target must have own dc";
    } else if (source->Width() != target->Width() || source->Height() != target->Height()) {
        refusal = L"Transition source and target must be same size";
    } else if (m_params.effect > kTransitionGrow || m_params.direction > kTransitionUpwards) {
        refusal = L"Transition effect or direction is unknown";
    }
    if (refusal != nullptr) {
        QeTrace(L"[QE+] QeTransition::Start, %ls.\n", refusal);
        return false;
    }
    m_area = source->GetScreenRect();
    const QeAnimationParams& animation = m_params.animation;
    // Nothing to animate: the caller finishes it at once.
    if (animation.animated == 0 || !(animation.duration > 0)) return true;

    // The captures paint the source's area, all of it changed (a window coming back may have
    // changed while it was not drawn); what else was due for the next frame stays due, and so does
    // what the two windows' showing and hiding asked for elsewhere (a bar that follows the page).
    QeMainWindow* main = QeMainWindow::Instance();
    RECT dirty{0, 0, 0, 0};
    RECT changed{0, 0, 0, 0};
    if (main != nullptr) {
        main->paintRect = m_area;
        dirty = main->dirtyRect;
        changed = main->changedRect;
        main->dirtyRect = m_area;
        main->changedRect = m_area;
    }
    const bool captured = Capture(*source, false, m_source) && Capture(*target, true, m_target);
    if (main != nullptr) {
        const RECT asked = main->dirtyRect;
        main->dirtyRect = dirty;
        main->changedRect = changed;
        main->AddDirtyRect(asked);
    }
    if (!captured) {
        QeTrace(L"[QE+] QeTransition::Start, Transition windows could not be captured.\n");
        return false;
    }
    m_progress = 1.0f;
    if (!m_timing.Start(animation.duration, animation.easingKind, &OnTick, this)) {
        QeTrace(L"[QE+] QeTransition::Start, Transition timer could not be added.\n");
        return false;
    }
    return true;
}

bool QeTransition::Capture(QeWindow& window, bool show, QeSurface*& captured) {
    if (show) window.SetVisible(true);
    QeSurfacePool* pool = QeSurfacePool::Instance();
    if (pool == nullptr) return false;
    QeSurface* surface = nullptr;
    if (window.IsVisible()) {
        // Drawn afresh: the surface it drew into last may since have served another window of its
        // size, or gone with a resize.
        if (!QeWindow::PaintTree(&window)) return false;
        surface = window.GetDC();
    } else {
        // Hidden by a transition still running, its last picture is in the surface that one
        // pinned; the pool hands a pinned surface to no one, so GetDC would give a blank one.
        QeTransitionManager* manager = QeTransitionManager::Instance();
        surface = manager != nullptr ? manager->CaptureOf(&window) : nullptr;
        if (surface == nullptr) surface = window.GetDC();
    }
    if (surface == nullptr || !pool->Pin(surface)) return false;
    captured = surface;
    window.SetVisible(false);
    return true;
}

QeSurface* QeTransition::CaptureOf(const QeWindow* window) const {
    if (window == nullptr) return nullptr;
    if (m_params.source == window && m_source != nullptr) return m_source;
    if (m_params.target == window && m_target != nullptr) return m_target;
    return nullptr;
}

void QeTransition::Forget(const QeWindow* window) {
    if (window == nullptr) return;
    if (m_params.source == window) m_params.source = nullptr;
    if (m_params.target == window) m_params.target = nullptr;
}

void QeTransition::Unpin() {
    if (QeSurfacePool* pool = QeSurfacePool::Instance()) {
        pool->Unpin(m_source);
        pool->Unpin(m_target);
    }
    m_source = nullptr;
    m_target = nullptr;
}

void QeTransition::OnTick(void* user) { static_cast<QeTransition*>(user)->Step(); }

void QeTransition::Step() {
    bool ended = false;
    const float e = m_timing.Advance(ended);
    m_progress = (1 - e) * 1.0f + e * 0.0f;
    if (QeMainWindow* main = QeMainWindow::Instance()) main->Invalidate(m_area, true);
    if (!ended) return;
    if (QeTransitionManager* manager = QeTransitionManager::Instance()) manager->Finish(this);
}

void QeTransition::Finish() {
    m_timing.Stop();
    Unpin();
    m_progress = 0.0f;
    QeWindow* source = m_params.source;
    QeWindow* target = m_params.target;
    for (QeWindow* window : {source, target}) {
        if (window != nullptr) window->Invalidate(RECT{0, 0, 0, 0}, true);
    }
    if (source != nullptr) source->SetVisible(false);
    if (target != nullptr) target->SetVisible(true);
    if (source != nullptr) source->Notify(nullptr, kNotifyTransitionDone);
    if (target != nullptr) target->Notify(nullptr, kNotifyTransitionDone);
}

// ---- drawing

bool QeTransition::Render(QeDC& dc) {
    if (m_source == nullptr || m_target == nullptr) return false;
    switch (m_params.effect) {
    case kTransitionPush: return RenderPush(dc);
    case kTransitionCover: return RenderCover(dc);
    case kTransitionUncover: return RenderUncover(dc);
    case kTransitionFade: return RenderFade(dc);
    case kTransitionShrink: return RenderShrink(dc);
    case kTransitionGrow: return RenderGrow(dc);
    default: return false;
    }
}

namespace {

// Push, cover and uncover: the source's and the target's parts along the direction's axis, each
// at its place in the area.
bool Slide(QeDC& dc, const RECT& area, QeSurface& source, QeSurface& target, uint32_t direction, float p,
           bool sourceMoves, bool targetMoves) {
    const int width = source.Width();
    const int height = source.Height();
    const bool across = direction == kTransitionRightwards || direction == kTransitionLeftwards;
    const bool forward = direction == kTransitionRightwards || direction == kTransitionDownwards;
    const int extent = across ? width : height;
    const int shown = Portion(extent, p);
    auto put = [&](QeSurface& surface, const Span& span) {
        if (across) {
            return Put(dc, surface, RECT{span.from, 0, span.from + span.length, height}, area.left + span.to,
                       area.top);
        }
        return Put(dc, surface, RECT{0, span.from, width, span.from + span.length}, area.left,
                   area.top + span.to);
    };
    return put(source, SourceSpan(sourceMoves, forward, extent, shown)) &&
           put(target, TargetSpan(targetMoves, forward, extent, shown));
}

// Overshooting curves carry p past its ends; what is drawn stays inside the area.
float Clamped(float p) { return std::clamp(p, 0.0f, 1.0f); }

}  // namespace

bool QeTransition::RenderPush(QeDC& dc) {
    return Slide(dc, m_area, *m_source, *m_target, m_params.direction, Clamped(m_progress), true, true);
}

bool QeTransition::RenderCover(QeDC& dc) {
    return Slide(dc, m_area, *m_source, *m_target, m_params.direction, Clamped(m_progress), false, true);
}

bool QeTransition::RenderUncover(QeDC& dc) {
    return Slide(dc, m_area, *m_source, *m_target, m_params.direction, Clamped(m_progress), true, false);
}

bool QeTransition::RenderFade(QeDC& dc) {
    const float p = Clamped(m_progress);
    const RECT whole{0, 0, m_source->Width(), m_source->Height()};
    const RECT to = QeOffsetRect(whole, m_area.left, m_area.top);
    return Put(dc, *m_target, whole, m_area.left, m_area.top) &&
           QeDC::AlphaBlit(dc, *m_source, to, whole, static_cast<BYTE>(p * 255));
}

bool QeTransition::RenderShrink(QeDC& dc) {
    const int width = m_source->Width();
    const int height = m_source->Height();
    return Put(dc, *m_target, RECT{0, 0, width, height}, m_area.left, m_area.top) &&
           Stretch(dc, *m_source, Centred(m_area, width, height, Clamped(m_progress)));
}

bool QeTransition::RenderGrow(QeDC& dc) {
    const int width = m_source->Width();
    const int height = m_source->Height();
    return Put(dc, *m_source, RECT{0, 0, width, height}, m_area.left, m_area.top) &&
           Stretch(dc, *m_target, Centred(m_area, width, height, 1 - Clamped(m_progress)));
}
