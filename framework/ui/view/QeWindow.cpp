#include "framework/ui/view/QeWindow.h"

#include "framework/base/QeTrace.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "framework/ui/motion/QeTransitionManager.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/view/QePopup.h"
#include "framework/ui/view/QePopupHolder.h"
#include "framework/ui/view/QeRect.h"
#include "platform/windows/input.h"

namespace {

QeWindow* g_pressed = nullptr;
QeWindow* g_focus = nullptr;
QeWindow* g_previousFocus = nullptr;
QeEventArgs g_lastEvent;
// Set while the pen is being routed into the open popup's tree.
bool g_popupReentry = false;
// The key whose key-down came while a popup was open, until its key-up (0: none).
WPARAM g_popupKey = 0;
// Counts destroyed and retired windows: a routing step that sees it move while a handler ran may
// have lost the window it runs on (a popup closing itself) and touches nothing more.
uint64_t g_windowsGone = 0;

void StorePenPosition(int x, int y) {
    if (QeMainWindow* main = QeMainWindow::Instance()) {
        main->lastPenX = x;
        main->lastPenY = y;
    }
}

// The open popup when pen input must go to it instead of the window it was sent to.
QePopup* PopupToRedirectTo() { return g_popupReentry ? nullptr : QePopup::Current(); }

RECT DirtyRect() {
    QeMainWindow* main = QeMainWindow::Instance();
    return main != nullptr ? main->dirtyRect : RECT{0, 0, 0, 0};
}

// Grows the surface's layer to take in one more part (surface coordinates) and its place on the
// screen; the part is first cut to the surface, which is all a blit of it can read.
void AddToLayer(QeSurface& surface, const RECT& clip, const RECT& target) {
    RECT part;
    if (IsEmptyRect(clip) || !QeIntersectRect(clip, RECT{0, 0, surface.Width(), surface.Height()}, part)) return;
    const RECT onScreen = QeOffsetRect(part, target.left - clip.left, target.top - clip.top);
    QeLayer& layer = surface.Layer();
    if (IsEmptyRect(layer.destination)) {
        layer.source = part;
        layer.destination = onScreen;
        return;
    }
    layer.source = QeUnionRect(layer.source, part);
    layer.destination = QeUnionRect(layer.destination, onScreen);
}

}  // namespace

QeEventArgs& QeLastEventArgs() { return g_lastEvent; }
QeWindow* QeGetPressedWindow() { return g_pressed; }
QeWindow* QeGetFocusWindow() { return g_focus; }
QeWindow* QeGetPreviousFocusWindow() { return g_previousFocus; }

void QeSetFocusWindow(QeWindow* view) {
    g_previousFocus = g_focus;
    g_focus = view;
}

QeWindow::QeWindow() : m_alphaAnimator(*this), m_rectAnimator(*this) {}

QeWindow::~QeWindow() {
    ++g_windowsGone;
    // Nothing may go on pointing at a window that is gone; screens read the previous focus later,
    // so the window is not recorded there either.
    if (g_pressed == this) g_pressed = nullptr;
    if (g_focus == this) g_focus = nullptr;
    if (g_previousFocus == this) g_previousFocus = nullptr;
    if (QePopupHolder* holder = QePopupHolder::Instance(); holder != nullptr) {
        if (holder->cover == this) holder->cover = nullptr;
        if (holder->focusAfter == this) holder->focusAfter = nullptr;
    }
    Unlink();
    for (QeWindow* child = m_firstChild; child != nullptr;) {
        QeWindow* next = child->m_next;
        child->m_parent = child->m_previous = child->m_next = nullptr;
        child = next;
    }
    m_firstChild = m_lastChild = nullptr;
    // A transition naming the window would touch it at its end; it ends now, without it, once
    // the window is out of the tree that the other window's handler may walk.
    if (QeTransitionManager* transitions = QeTransitionManager::Instance()) transitions->Forget(this);
}

// ---- tree

int QeWindow::AddChild(QeWindow* child) {
    if (child == nullptr) return 0;
    for (const QeWindow* up = this; up != nullptr; up = up->m_parent) {
        if (up == child) return 0;
    }
    child->Unlink();
    InsertChild(child, nullptr);
    return 1;
}

void QeWindow::InsertChild(QeWindow* child, QeWindow* before) {
    child->m_parent = this;
    child->m_next = before;
    child->m_previous = before != nullptr ? before->m_previous : m_lastChild;
    if (child->m_previous != nullptr) {
        child->m_previous->m_next = child;
    } else {
        m_firstChild = child;
    }
    if (before != nullptr) {
        before->m_previous = child;
    } else {
        m_lastChild = child;
    }
}

void QeWindow::Unlink() {
    if (m_parent != nullptr) m_parent->RemoveChild(this);
}

void QeWindow::RemoveChild(QeWindow* child) {
    if (child == nullptr || child->m_parent != this) return;
    if (child->m_previous != nullptr) {
        child->m_previous->m_next = child->m_next;
    } else {
        m_firstChild = child->m_next;
    }
    if (child->m_next != nullptr) {
        child->m_next->m_previous = child->m_previous;
    } else {
        m_lastChild = child->m_previous;
    }
    child->m_parent = child->m_previous = child->m_next = nullptr;
}

// ---- geometry

void QeWindow::SetRect(const RECT& rect) {
    const RECT old = m_rect;
    if (m_animation.animated != 0) {
        m_animation.animated = 0;
        m_rectAnimator.Start(m_rectAnimator.Current(), rect, m_animation.duration, m_animation.easingKind);
    } else {
        m_rect = rect;
        m_rectAnimator.Snap(rect);
    }
    if (QeRectsDiffer(rect, old)) OnRectChanged(rect);
}

void QeWindow::SetPosition(int x, int y) { SetRect(RECT{x, y, x + Width(), y + Height()}); }

void QeWindow::SetSize(int width, int height) {
    SetRect(RECT{m_rect.left, m_rect.top, m_rect.left + width, m_rect.top + height});
}

RECT QeWindow::GetScreenRect() const {
    const POINT origin = m_parent != nullptr ? m_parent->LocalToScreen(POINT{0, 0}) : POINT{0, 0};
    return QeOffsetRect(m_rect, origin.x, origin.y);
}

POINT QeWindow::LocalToScreen(POINT point) const {
    for (const QeWindow* w = this; w != nullptr; w = w->m_parent) {
        point.x += w->m_rect.left;
        point.y += w->m_rect.top;
    }
    return point;
}

POINT QeWindow::ScreenToParent(POINT point) const {
    if (m_parent == nullptr) return point;
    const POINT origin = m_parent->LocalToScreen(POINT{0, 0});
    return POINT{point.x - origin.x, point.y - origin.y};
}

POINT QeWindow::ParentToLocal(POINT point) const {
    if (m_parent == nullptr) return point;
    return POINT{point.x - m_rect.left, point.y - m_rect.top};
}

POINT QeWindow::ScreenToLocal(POINT point) const {
    const POINT origin = LocalToScreen(POINT{0, 0});
    return POINT{point.x - origin.x, point.y - origin.y};
}

POINT QeWindow::SurfaceOffset() const {
    POINT offset{0, 0};
    for (const QeWindow* w = this; w != nullptr && w->m_ownDC == 0; w = w->m_parent) {
        offset.x += w->m_rect.left;
        offset.y += w->m_rect.top;
    }
    return offset;
}

POINT QeWindow::ScreenToSurface(POINT point) const {
    const POINT local = ScreenToLocal(point);
    const POINT offset = SurfaceOffset();
    return POINT{local.x + offset.x, local.y + offset.y};
}

POINT QeWindow::SurfaceToScreen(POINT point) const {
    const POINT offset = SurfaceOffset();
    return LocalToScreen(POINT{point.x - offset.x, point.y - offset.y});
}

namespace {

// A rectangle variant of a point conversion: the top-left converted, the size kept.
template <POINT (QeWindow::*Convert)(POINT) const>
RECT ConvertRect(const QeWindow& window, const RECT& rect) {
    const POINT corner = (window.*Convert)(POINT{rect.left, rect.top});
    return QeOffsetRect(rect, corner.x - rect.left, corner.y - rect.top);
}

}  // namespace

RECT QeWindow::ScreenToParent(const RECT& rect) const { return ConvertRect<&QeWindow::ScreenToParent>(*this, rect); }
RECT QeWindow::ScreenToLocal(const RECT& rect) const { return ConvertRect<&QeWindow::ScreenToLocal>(*this, rect); }
RECT QeWindow::ParentToLocal(const RECT& rect) const { return ConvertRect<&QeWindow::ParentToLocal>(*this, rect); }
RECT QeWindow::LocalToScreen(const RECT& rect) const { return ConvertRect<&QeWindow::LocalToScreen>(*this, rect); }
RECT QeWindow::ScreenToSurface(const RECT& rect) const {
    return ConvertRect<&QeWindow::ScreenToSurface>(*this, rect);
}
RECT QeWindow::SurfaceToScreen(const RECT& rect) const {
    return ConvertRect<&QeWindow::SurfaceToScreen>(*this, rect);
}

// ---- state

void QeWindow::SetVisible(bool show) {
    const bool was = m_visible != 0;
    if (m_animation.animated != 0) {
        if (m_ownDC == 0) QeTrace(L"[QE+] QeWindow::SetVisible, It needs own dc to animate visibility.\n");
        m_animation.animated = 0;
        m_visible = 1;
        m_alphaAnimator.Start(Alpha(), show ? 255 : 0, m_animation.duration, m_animation.easingKind);
    } else {
        m_visible = show ? 1 : 0;
        m_alphaAnimator.Snap(show ? 255 : 0);
    }
    if (was != show) OnVisibleChanged(show);
}

void QeWindow::SetPressed(bool on) {
    if (on && g_pressed == this) return;
    // The view that loses the state hears it once, also when it is this one.
    if (g_pressed != nullptr && g_pressed != this) g_pressed->OnPressed(false);
    g_pressed = on ? this : nullptr;
    OnPressed(on);
}

void QeWindow::SetFocus(bool on) {
    // Beneath an open popup a view takes the focus back when the popup closes.
    QePopupHolder* holder = QePopupHolder::Instance();
    if (holder != nullptr && holder->popup != nullptr && !IsWithin(holder->popup)) {
        if (on) {
            holder->focusAfter = this;
        } else if (holder->focusAfter == this) {
            holder->focusAfter = nullptr;
        }
        if (g_focus != this) return;
    }
    if (on && g_focus == this) return;
    if (g_focus != nullptr && g_focus != this) g_focus->OnFocusChanged(false);
    QeSetFocusWindow(on ? this : nullptr);
    OnFocusChanged(on);
}

bool QeWindow::HasFocus() const { return g_focus == this; }

bool QeWindow::IsWithin(const QeWindow* ancestor) const {
    const QeWindow* w = this;
    while (w != nullptr && w != ancestor) w = w->m_parent;
    return w != nullptr;
}

void QeWindow::Retire() {
    ++g_windowsGone;
    auto inside = [this](const QeWindow* w) {
        while (w != nullptr && w != this) w = w->m_parent;
        return w != nullptr;
    };
    if (inside(g_pressed)) g_pressed = nullptr;
    if (inside(g_focus)) g_focus = nullptr;
    if (inside(g_previousFocus)) g_previousFocus = nullptr;
    if (QePopupHolder* holder = QePopupHolder::Instance(); holder != nullptr) {
        if (inside(holder->cover)) holder->cover = nullptr;
        if (inside(holder->focusAfter)) holder->focusAfter = nullptr;
    }
}

void QeWindow::Invalidate(const RECT& rect, bool addToDirty) {
    const RECT local = IsEmptyRect(rect) ? GetClientRect() : rect;
    if (QeMainWindow* main = QeMainWindow::Instance()) main->Invalidate(LocalToScreen(local), addToDirty);
}

// ---- surfaces

const QeWindow* QeWindow::OwnDCWindow() const {
    const QeWindow* w = this;
    while (w != nullptr && w->m_ownDC == 0) w = w->m_parent;
    return w;
}

QeSurface* QeWindow::HeldSurface() const {
    QeSurfacePool* pool = QeSurfacePool::Instance();
    if (pool == nullptr || m_surface == nullptr || m_surfaceGeneration != pool->Generation()) return nullptr;
    return pool->IsInUse(m_surface) ? m_surface : nullptr;
}

QeSurface* QeWindow::GetSurface(const RECT& clip, const RECT& target) {
    QeSurfacePool* pool = QeSurfacePool::Instance();
    if (pool == nullptr) return nullptr;
    if (m_ownDC == 0) {
        // The nearest ancestor's surface, acquired first when it has none for this frame (it may
        // not have drawn itself: hidden under a menu).
        QeWindow* owner = const_cast<QeWindow*>(OwnDCWindow());
        QeSurface* shared = nullptr;
        if (owner != nullptr) {
            shared = owner->HeldSurface();
            if (shared == nullptr) {
                shared = owner->GetSurface(clip, target);
            } else {
                AddToLayer(*shared, clip, target);
            }
        }
        m_surface = shared;
        m_surfaceGeneration = pool->Generation();
        return shared;
    }
    QeSurface* surface = HeldSurface();
    if (surface == nullptr) {
        // A surface kept from before the pool's generation moved may be gone: it is not offered.
        const QeSurface* previous = m_surfaceGeneration == pool->Generation() ? m_surface : nullptr;
        surface = pool->Acquire(Width(), Height(), previous);
        m_surface = surface;
        m_surfaceGeneration = pool->Generation();
        if (surface == nullptr) return nullptr;
        surface->Layer() = QeLayer{};
    }
    AddToLayer(*surface, clip, target);
    QeLayer& layer = surface->Layer();
    const uint8_t alpha = Alpha();
    layer.drawMethod = alpha < 255 ? kDrawAlphaBlend : kDrawBitBlt;
    layer.keyOrAlpha = alpha < 255 ? alpha : 0;
    return surface;
}

QeSurface* QeWindow::GetDC() { return GetSurface(RECT{0, 0, 0, 0}, RECT{0, 0, 0, 0}); }

// ---- painting

int QeWindow::PaintTree(QeWindow* window) {
    if (window == nullptr) return 1;
    QeWindow* first = window;
    while (first->m_previous != nullptr) first = first->m_previous;
    return PaintSiblings(first, window,
                         window->m_parent != nullptr ? window->m_parent->LocalToScreen(POINT{0, 0}) : POINT{0, 0});
}

int QeWindow::PaintSiblings(QeWindow* first, const QeWindow* last, POINT parentOrigin) {
    // Back to front: the earlier siblings first; iterating keeps long sibling lists off the stack.
    for (QeWindow* w = first; w != nullptr; w = w->m_next) {
        if (!PaintOne(w, DirtyRect(), parentOrigin)) return 0;
        if (w == last) break;
    }
    return 1;
}

bool QeWindow::PaintOne(QeWindow* w, const RECT& dirty, POINT parentOrigin) {
    if (w->m_visible == 0) return true;
    // Each window's place on the screen comes down the walk: a frame visits every shown window, and
    // climbing to the root from each of them was most of the walk's cost.
    RECT area;
    if (!QeIntersectRect(QeOffsetRect(w->m_rect, parentOrigin.x, parentOrigin.y), dirty, area)) return true;
    QePopupHolder* holder = QePopupHolder::Instance();
    QeWindow* cover = holder != nullptr ? holder->cover : nullptr;
    if (cover == nullptr || cover == w || !QeRectContains(cover->GetScreenRect(), area)) {
        const RECT clip = w->ScreenToSurface(area);
        if (QeSurface* surface = w->GetSurface(clip, area); surface != nullptr) {
            const uint64_t draws = surface->DrawCount();
            if (!w->Draw(surface, clip)) return false;
            QeMainWindow* main = QeMainWindow::Instance();
            if (main != nullptr && surface->DrawCount() != draws) main->NoteDrawn(surface, area);
        }
    }
    // The children from the first: finding it from the last would cross every sibling list twice.
    return w->m_lastChild == nullptr ||
           PaintSiblings(w->m_firstChild, w->m_lastChild,
                         POINT{parentOrigin.x + w->m_rect.left, parentOrigin.y + w->m_rect.top});
}

int QeWindow::DrawInto(QeSurface* surface, const RECT& target, const POINT& origin) {
    QeWindow* parent = m_parent;
    if (parent == nullptr) return 0;
    QeWindow* next = m_next;
    const RECT rect = m_rect;
    const uint8_t ownDC = m_ownDC;
    // A parentless stand-in with its own DC makes the window's surface offset its own position.
    QeWindow standIn;
    standIn.m_ownDC = 1;
    standIn.AddChild(this);
    m_rect = RECT{target.left - origin.x, target.top - origin.y, target.left - origin.x + (rect.right - rect.left),
                  target.top - origin.y + (rect.bottom - rect.top)};
    m_ownDC = 0;
    const int result = Draw(surface, target);
    standIn.RemoveChild(this);
    m_rect = rect;
    m_ownDC = ownDC;
    parent->InsertChild(this, next != nullptr && next->m_parent == parent ? next : nullptr);
    return result;
}

// ---- default input handlers

int QeWindow::NotifyParent(int code) { return m_parent != nullptr ? m_parent->OnNotify(this, code) : 1; }

bool QeWindow::HitByPen(int x, int y) const { return QePointInRect(m_rect, ScreenToParent(POINT{x, y})); }

int QeWindow::OnPenDown(int x, int y) {
    g_lastEvent = QeEventArgs{x, y};
    return NotifyParent(kNotifyPenDown);
}

int QeWindow::OnPenUp(int x, int y) {
    if (!HitByPen(x, y)) return 1;
    g_lastEvent = QeEventArgs{x, y};
    return NotifyParent(kNotifyClick);
}

int QeWindow::OnPenMove(int x, int y) {
    if (!HitByPen(x, y)) return 1;
    g_lastEvent = QeEventArgs{x, y};
    return NotifyParent(kNotifyPenMove);
}

int QeWindow::OnKeyDown(WPARAM key, LPARAM) {
    g_lastEvent = QeEventArgs{static_cast<std::int32_t>(key), 0};
    return NotifyParent(kNotifyKeyDown);
}

int QeWindow::OnKeyUp(WPARAM key, LPARAM) {
    g_lastEvent = QeEventArgs{static_cast<std::int32_t>(key), 0};
    return NotifyParent(kNotifyKeyUp);
}

int QeWindow::OnImeComposition(WPARAM character, LPARAM kind) {
    g_lastEvent = QeEventArgs{static_cast<std::int32_t>(character), static_cast<std::int32_t>(kind)};
    return NotifyParent(kNotifyImeComposition);
}

int QeWindow::OnChar(WPARAM character, LPARAM) {
    g_lastEvent = QeEventArgs{static_cast<std::int32_t>(character), 0};
    return NotifyParent(kNotifyChar);
}

// ---- routing

int QeWindow::RoutePenDown(int x, int y) {
    StorePenPosition(x, y);
    if (QePopup* popup = PopupToRedirectTo()) {
        g_popupReentry = true;
        const int result = popup->PenDownAt(x, y);
        g_popupReentry = false;
        return result;
    }
    return PenDownAt(x, y);
}

// Later siblings lie on top and are tried first: from the last sibling back to this window. A loop
// keeps long sibling lists off the stack, as painting does.
int QeWindow::PenDownAt(int x, int y) {
    const uint64_t gone = g_windowsGone;
    QeWindow* w = this;
    while (w->m_next != nullptr) w = w->m_next;
    while (true) {
        // Taken before the try: the handlers may relink the window they ran on.
        QeWindow* below = w != this ? w->m_previous : nullptr;
        if (w->PenDownHere(x, y)) return 1;
        if (g_windowsGone != gone || below == nullptr) return 0;
        w = below;
    }
}

int QeWindow::PenDownHere(int x, int y) {
    const uint64_t gone = g_windowsGone;
    if (m_disabled != 0 || m_visible == 0) return 0;
    if (HitByPen(x, y)) {
        if (m_firstChild != nullptr && m_firstChild->PenDownAt(x, y)) return 1;
        if (g_windowsGone != gone) return 0;
        SetPressed(true);
        SetFocus(true);
        m_pressed = 1;
        const int taken = OnPenDown(x, y);
        // A window that declines is not left pressed, or the pen-up would click it. Still being
        // the pressed view also says it was not destroyed or retired inside OnPenDown (both clear it).
        if (!taken && g_pressed == this) {
            m_pressed = 0;
            SetPressed(false);
        }
        return taken;
    }
    if (QePopup::Current() == this && static_cast<QePopup*>(this)->closeOnOutside != 0) {
        static_cast<QePopup*>(this)->Close(0);
    }
    return 0;
}

QeWindow* QeWindow::PressedAt(int x, int y) {
    QeWindow* w = this;
    while (w->m_next != nullptr) w = w->m_next;
    for (;; w = w->m_previous) {
        if (w->m_disabled == 0 && w->m_visible != 0 && w->HitByPen(x, y)) {
            if (w->m_firstChild != nullptr) {
                if (QeWindow* found = w->m_firstChild->PressedAt(x, y)) return found;
            }
            if (w->m_pressed != 0) return w;
        }
        if (w == this) return nullptr;
    }
}

int QeWindow::RoutePenUp(int x, int y) {
    StorePenPosition(x, y);
    QeWindow* from = PopupToRedirectTo();
    if (from == nullptr) from = this;
    QeWindow* target = g_pressed != nullptr ? g_pressed : from->PressedAt(x, y);
    if (target == nullptr) return 0;
    target->m_pressed = 0;
    target->SetPressed(false);
    return target->OnPenUp(x, y);
}

int QeWindow::RoutePenMove(int x, int y) {
    StorePenPosition(x, y);
    QeWindow* from = PopupToRedirectTo();
    if (from == nullptr) from = this;
    QeWindow* target = g_pressed != nullptr ? g_pressed : from->PressedAt(x, y);
    return target != nullptr ? target->OnPenMove(x, y) : 0;
}

// Keys go to an open popup, as the pen does: to its focus view, Enter and Escape to the popup itself,
// and none to a view beneath. A key whose key-down came while a popup was open keeps its character
// and key-up away from the view beneath too, also when the popup closed on it.
namespace {

QeWindow* KeyTarget() {
    QePopup* popup = QePopup::Current();
    return popup == nullptr || (g_focus != nullptr && g_focus->IsWithin(popup)) ? g_focus : popup;
}

}  // namespace

int QeWindow::RouteKeyDown(WPARAM key, LPARAM data) {
    QePopup* popup = QePopup::Current();
    g_popupKey = popup != nullptr ? key : 0;
    QeWindow* target = popup != nullptr && (key == VK_RETURN || key == VK_ESCAPE) ? popup : KeyTarget();
    return target != nullptr ? target->OnKeyDown(key, data) : 0;
}
int QeWindow::RouteKeyUp(WPARAM key, LPARAM data) {
    if (g_popupKey == key) {
        g_popupKey = 0;
        if (QePopup::Current() == nullptr) return 1;
    }
    QeWindow* target = KeyTarget();
    return target != nullptr ? target->OnKeyUp(key, data) : 0;
}
int QeWindow::RouteImeComposition(WPARAM character, LPARAM kind) {
    QeWindow* target = KeyTarget();
    return target != nullptr ? target->OnImeComposition(character, kind) : 0;
}
int QeWindow::RouteChar(WPARAM character, LPARAM data) {
    if (g_popupKey != 0 && QePopup::Current() == nullptr) return 1;
    QeWindow* target = KeyTarget();
    return target != nullptr ? target->OnChar(character, data) : 0;
}
int QeWindow::RouteGetSel(WPARAM wParam, LPARAM lParam) {
    return g_focus != nullptr ? g_focus->OnGetSel(wParam, lParam) : 1;
}
int QeWindow::RouteSetSel(WPARAM wParam, LPARAM lParam) {
    return g_focus != nullptr ? g_focus->OnSetSel(wParam, lParam) : 1;
}
int QeWindow::RouteReplaceSel(WPARAM wParam, LPARAM lParam) {
    return g_focus != nullptr ? g_focus->OnReplaceSel(wParam, lParam) : 1;
}

int QeWindow::BroadcastSipShown(const RECT& panel) {
    for (QeWindow* w = this; w != nullptr; w = w->m_next) {
        if (!w->OnSipShown(panel)) return 0;
        if (w->m_firstChild != nullptr && !w->m_firstChild->BroadcastSipShown(panel)) return 0;
    }
    return 1;
}

int QeWindow::BroadcastSipHidden() {
    for (QeWindow* w = this; w != nullptr; w = w->m_next) {
        if (!w->OnSipHidden()) return 0;
        if (w->m_firstChild != nullptr && !w->m_firstChild->BroadcastSipHidden()) return 0;
    }
    return 1;
}

int QeWindow::BroadcastParentSize(int width, int height) {
    for (QeWindow* w = this; w != nullptr; w = w->m_next) {
        if (!w->OnParentSize(width, height)) return 0;
        if (w->m_firstChild != nullptr && !w->m_firstChild->BroadcastParentSize(w->Width(), w->Height())) return 0;
    }
    return 1;
}
