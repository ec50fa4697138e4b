// QeWindow: the base of every drawn view. There is one operating-system window (QeMainWindow);
// inside it the program keeps its own tree of views, whose root the application object holds. The
// main window's message table hands pen, key, character, input-method and edit-selection messages
// to the root's routing entry points, which find the view they are for.
//
// Rules callers rely on:
//   - the tree links never own: owners remove children before destroying them;
//   - rectangles are left, top, right, bottom in the parent's coordinates; a point on the right or
//     bottom edge of a window counts as inside it;
//   - pen input goes to the topmost visible, enabled window under the pen (later siblings first; a
//     window that declines lets the pen fall to the ones below) and then, until the pen is lifted,
//     to the pressed view; keys, characters, compositions and the edit-selection messages go to the
//     focus view;
//   - the default input handlers store the event's arguments (QeLastEventArgs) and report it to the
//     parent's OnNotify with the codes below; a window without a parent reports to nobody and
//     answers true.
#pragma once

#include <cstdint>

#include "framework/base/QeObject.h"
#include "platform/win_types.h"

class QeSurface;

// The codes a child reports to its parent's OnNotify.
enum QeNotifyCode : int {
    kNotifyPenDown = 0,
    kNotifyClick = 1,
    kNotifyPenMove = 2,
    kNotifyKeyDown = 3,
    kNotifyKeyUp = 4,
    kNotifyImeComposition = 5,
    kNotifyChar = 6,
    kNotifyTransitionDone = 7,
};

class QeWindow : public QeObject {
public:
    QeWindow() = default;
    ~QeWindow() override;
    QeWindow(const QeWindow&) = delete;
    QeWindow& operator=(const QeWindow&) = delete;

    // ---- the virtual operations, in their order
    virtual void OnPressed(bool) {}
    virtual void OnFocusChanged(bool) {}
    virtual void OnVisibleChanged(bool) {}
    virtual void OnRectChanged(const RECT&) {}
    virtual int OnParentSize(int /*width*/, int /*height*/) { return 1; }
    virtual int Draw(QeSurface* /*surface*/, const RECT& /*rect*/) { return 1; }
    virtual int OnPenDown(int x, int y);
    virtual int OnPenUp(int x, int y);
    virtual int OnPenMove(int x, int y);
    virtual int OnKeyDown(WPARAM key, LPARAM data);
    virtual int OnKeyUp(WPARAM key, LPARAM data);
    virtual int OnImeComposition(WPARAM character, LPARAM kind);
    virtual int OnChar(WPARAM character, LPARAM data);
    virtual int OnNotify(QeWindow* /*child*/, int /*code*/) { return 1; }
    virtual int OnGesture(int /*value*/, int /*direction*/) { return 1; }
    virtual int OnSipShown(const RECT& /*panel*/) { return 1; }
    virtual int OnSipHidden() { return 1; }
    virtual int OnGetSel(WPARAM, LPARAM) { return 1; }
    virtual int OnSetSel(WPARAM, LPARAM) { return 1; }
    virtual int OnReplaceSel(WPARAM, LPARAM) { return 1; }

    // ---- tree
    int AddChild(QeWindow* child);
    void RemoveChild(QeWindow* child);
    QeWindow* Parent() const { return m_parent; }
    QeWindow* FirstChild() const { return m_firstChild; }
    QeWindow* LastChild() const { return m_lastChild; }
    QeWindow* Next() const { return m_next; }
    QeWindow* Previous() const { return m_previous; }

    // ---- geometry
    void SetRect(const RECT& rect);
    void SetSize(int width, int height);
    const RECT& Rect() const { return m_rect; }
    int Width() const { return m_rect.right - m_rect.left; }
    int Height() const { return m_rect.bottom - m_rect.top; }
    RECT GetClientRect() const { return RECT{0, 0, Width(), Height()}; }
    RECT GetScreenRect() const;
    // A point in the main window's client area, in the parent's coordinates.
    POINT ScreenToParent(int x, int y) const;

    // ---- state
    void SetVisible(bool show);
    bool IsVisible() const { return m_visible != 0; }
    std::uint8_t Alpha() const { return m_alpha; }
    void SetDisabled(bool disabled) { m_disabled = disabled ? 1 : 0; }
    bool IsDisabled() const { return m_disabled != 0; }
    void SetOwnDC(bool own) { m_ownDC = own ? 1 : 0; }
    bool HasOwnDC() const { return m_ownDC != 0; }
    bool IsPressed() const { return m_pressed != 0; }
    void SetPressed(bool on);
    void SetFocus(bool on);

    // The rectangle (local; empty: the whole window) to the main window's invalidation.
    void Invalidate(const RECT& rect, bool addToDirty);

    // ---- routing entry points, called on the root
    int RoutePenDown(int x, int y);
    int RoutePenUp(int x, int y);
    int RoutePenMove(int x, int y);
    int RouteKeyDown(WPARAM key, LPARAM data);
    int RouteKeyUp(WPARAM key, LPARAM data);
    int RouteImeComposition(WPARAM character, LPARAM kind);
    int RouteChar(WPARAM character, LPARAM data);
    int RouteGetSel(WPARAM wParam, LPARAM lParam);
    int RouteSetSel(WPARAM wParam, LPARAM lParam);
    int RouteReplaceSel(WPARAM wParam, LPARAM lParam);
    int BroadcastSipShown(const RECT& panel);
    int BroadcastSipHidden();
    int BroadcastParentSize(int width, int height);

    int Notify(QeWindow* child, int code) { return OnNotify(child, code); }
    int Gesture(int value, int direction) { return OnGesture(value, direction); }

protected:
    // Reports to the parent: its OnNotify's answer, or true without a parent.
    int NotifyParent(int code);

private:
    int PenDownAt(int x, int y);
    QeWindow* PressedAt(int x, int y);
    bool Contains(const POINT& point) const;

    QeWindow* m_parent = nullptr;
    QeWindow* m_previous = nullptr;
    QeWindow* m_next = nullptr;
    QeWindow* m_firstChild = nullptr;
    QeWindow* m_lastChild = nullptr;
    std::uint8_t m_ownDC = 0;
    QeSurface* m_surface = nullptr;
    std::uint8_t m_visible = 0;
    std::uint8_t m_alpha = 0;
    RECT m_rect{0, 0, 0, 0};
    std::uint8_t m_disabled = 0;
    std::uint8_t m_pressed = 0;
};

// The two values the default input handlers store before they notify: pen x and y, the key code,
// the composed character and its kind, the character.
struct QeEventArgs {
    std::int32_t first = 0;
    std::int32_t second = 0;
};
QeEventArgs& QeLastEventArgs();

QeWindow* QeGetPressedWindow();
QeWindow* QeGetFocusWindow();
QeWindow* QeGetPreviousFocusWindow();
// Makes the view the focus view and remembers the one it replaces as the previous focus view.
void QeSetFocusWindow(QeWindow* view);
