#include "framework/ui/QeWindow.h"

#include "framework/ui/QeMainWindow.h"

namespace {

QeWindow* g_pressed = nullptr;
QeWindow* g_focus = nullptr;
QeWindow* g_previousFocus = nullptr;
QeEventArgs g_lastEvent;

void StorePenPosition(int x, int y) {
    if (QeMainWindow* main = QeMainWindow::Instance()) {
        main->lastPenX = x;
        main->lastPenY = y;
    }
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

QeWindow::~QeWindow() {
    // Nothing may keep pointing at a window that is gone; it is not recorded as a previous focus.
    if (g_pressed == this) g_pressed = nullptr;
    if (g_focus == this) g_focus = nullptr;
    if (g_previousFocus == this) g_previousFocus = nullptr;
    if (m_parent != nullptr) m_parent->RemoveChild(this);
    for (QeWindow* child = m_firstChild; child != nullptr; child = child->m_next) child->m_parent = nullptr;
}

// ---- tree

int QeWindow::AddChild(QeWindow* child) {
    if (child == nullptr) return 0;
    child->m_parent = this;
    child->m_previous = m_lastChild;
    child->m_next = nullptr;
    if (m_lastChild != nullptr) {
        m_lastChild->m_next = child;
    } else {
        m_firstChild = child;
    }
    m_lastChild = child;
    return 1;
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
    child->m_parent = nullptr;
    child->m_previous = nullptr;
    child->m_next = nullptr;
}

// ---- geometry

void QeWindow::SetRect(const RECT& rect) {
    const RECT old = m_rect;
    m_rect = rect;
    if (old.left != rect.left || old.top != rect.top || old.right != rect.right || old.bottom != rect.bottom) {
        OnRectChanged(rect);
    }
}

void QeWindow::SetSize(int width, int height) {
    SetRect(RECT{m_rect.left, m_rect.top, m_rect.left + width, m_rect.top + height});
}

RECT QeWindow::GetScreenRect() const {
    RECT rect = m_rect;
    for (const QeWindow* up = m_parent; up != nullptr; up = up->m_parent) {
        rect.left += up->m_rect.left;
        rect.right += up->m_rect.left;
        rect.top += up->m_rect.top;
        rect.bottom += up->m_rect.top;
    }
    return rect;
}

POINT QeWindow::ScreenToParent(int x, int y) const {
    POINT point{x, y};
    for (const QeWindow* up = m_parent; up != nullptr; up = up->m_parent) {
        point.x -= up->m_rect.left;
        point.y -= up->m_rect.top;
    }
    return point;
}

bool QeWindow::Contains(const POINT& p) const {
    return p.x >= m_rect.left && p.x <= m_rect.right && p.y >= m_rect.top && p.y <= m_rect.bottom;
}

// ---- state

void QeWindow::SetVisible(bool show) {
    const bool was = m_visible != 0;
    m_visible = show ? 1 : 0;
    m_alpha = show ? 255 : 0;
    if (was != show) OnVisibleChanged(show);
}

void QeWindow::SetPressed(bool on) {
    if (on && g_pressed == this) return;
    if (g_pressed != nullptr) g_pressed->OnPressed(false);
    g_pressed = on ? this : nullptr;
    OnPressed(on);
}

void QeWindow::SetFocus(bool on) {
    if (on && g_focus == this) return;
    if (g_focus != nullptr) g_focus->OnFocusChanged(false);
    QeSetFocusWindow(on ? this : nullptr);
    OnFocusChanged(on);
}

void QeWindow::Invalidate(const RECT& rect, bool addToDirty) {
    RECT local = rect;
    if (local.right == local.left || local.bottom == local.top) local = GetClientRect();
    const RECT screen = GetScreenRect();
    const RECT target{local.left + screen.left, local.top + screen.top, local.right + screen.left,
                      local.bottom + screen.top};
    if (QeMainWindow* main = QeMainWindow::Instance()) main->Invalidate(target, addToDirty);
}

// ---- default input handlers

int QeWindow::NotifyParent(int code) { return m_parent != nullptr ? m_parent->OnNotify(this, code) : 1; }

int QeWindow::OnPenDown(int x, int y) {
    g_lastEvent = QeEventArgs{x, y};
    return NotifyParent(kNotifyPenDown);
}

int QeWindow::OnPenUp(int x, int y) {
    if (!Contains(ScreenToParent(x, y))) return 1;
    g_lastEvent = QeEventArgs{x, y};
    return NotifyParent(kNotifyClick);
}

int QeWindow::OnPenMove(int x, int y) {
    if (!Contains(ScreenToParent(x, y))) return 1;
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
    return PenDownAt(x, y);
}

int QeWindow::PenDownAt(int x, int y) {
    // Later siblings lie on top and are tried first.
    if (m_next != nullptr && m_next->PenDownAt(x, y)) return 1;
    if (m_disabled != 0 || m_visible == 0) return 0;
    if (!Contains(ScreenToParent(x, y))) return 0;
    if (m_firstChild != nullptr && m_firstChild->PenDownAt(x, y)) return 1;
    SetPressed(true);
    SetFocus(true);
    m_pressed = 1;
    return OnPenDown(x, y);
}

QeWindow* QeWindow::PressedAt(int x, int y) {
    if (m_next != nullptr) {
        if (QeWindow* found = m_next->PressedAt(x, y)) return found;
    }
    if (m_disabled != 0 || m_visible == 0 || !Contains(ScreenToParent(x, y))) return nullptr;
    if (m_firstChild != nullptr) {
        if (QeWindow* found = m_firstChild->PressedAt(x, y)) return found;
    }
    return m_pressed != 0 ? this : nullptr;
}

int QeWindow::RoutePenUp(int x, int y) {
    StorePenPosition(x, y);
    QeWindow* target = g_pressed != nullptr ? g_pressed : PressedAt(x, y);
    if (target == nullptr) return 0;
    target->SetPressed(false);
    target->m_pressed = 0;
    return target->OnPenUp(x, y);
}

int QeWindow::RoutePenMove(int x, int y) {
    StorePenPosition(x, y);
    QeWindow* target = g_pressed != nullptr ? g_pressed : PressedAt(x, y);
    return target != nullptr ? target->OnPenMove(x, y) : 0;
}

int QeWindow::RouteKeyDown(WPARAM key, LPARAM data) { return g_focus != nullptr ? g_focus->OnKeyDown(key, data) : 0; }
int QeWindow::RouteKeyUp(WPARAM key, LPARAM data) { return g_focus != nullptr ? g_focus->OnKeyUp(key, data) : 0; }
int QeWindow::RouteImeComposition(WPARAM character, LPARAM kind) {
    return g_focus != nullptr ? g_focus->OnImeComposition(character, kind) : 0;
}
int QeWindow::RouteChar(WPARAM character, LPARAM data) {
    return g_focus != nullptr ? g_focus->OnChar(character, data) : 0;
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
    // Pre-order: the window, its subtree, then its later siblings.
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
