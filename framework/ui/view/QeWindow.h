// QeWindow: the base of every drawn view. There is one operating-system window (QeMainWindow);
// inside it the program keeps its own tree of views, whose root the application object holds. The
// main window's message table hands pen, key, character, input-method and edit-selection messages
// to the root's routing entry points, which find the view they are for.
//
// Rules callers rely on:
//   - the tree links never own. A window being destroyed leaves its parent's list and sets its
//     children free, and no pressed, focus or previous-focus pointer is left pointing at it;
//     AddChild of a window that has a parent moves it (a window is never linked twice, and a window
//     cannot become its own ancestor);
//   - rectangles are left, top, right, bottom in the parent's coordinates; "screen" means the main
//     window's client area; a point on the right or bottom edge of a window counts as inside it;
//   - pen input goes to the topmost visible, enabled window under the pen (later siblings first; a
//     window whose OnPenDown declines lets the pen fall to the ones below and is not left pressed)
//     and then, until the pen is lifted, to the pressed view; while a popup is open only its tree
//     takes the pen. Keys, characters, compositions and the edit-selection messages go to the
//     focus view;
//   - the default input handlers store the event's arguments (QeLastEventArgs) and report it to the
//     parent's OnNotify with the codes below; a window without a parent reports to nobody and
//     answers true. Reporting is the last thing any routing step does: the parent may delete the
//     window (a popup closing itself) inside OnNotify. A pen down during which some window was
//     destroyed or retired and that nobody took is not offered to the windows below;
//   - a window draws into a surface of the surface pool: its own when it has its own DC, else its
//     nearest such ancestor's, at its offset there. A surface is only ever used while the pool
//     holds it for this frame; a window that kept one from an earlier frame acquires it again.
#pragma once

#include <cstdint>

#include "framework/base/QeObject.h"
#include "framework/ui/motion/QeAnimator.h"
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
    kNotifyTransitionDone = 7,  // sent by a screen transition to each of its two windows itself
};

class QeWindow : public QeObject {
public:
    QeWindow();
    ~QeWindow() override;
    QeWindow(const QeWindow&) = delete;
    QeWindow& operator=(const QeWindow&) = delete;

    // ---- the virtual operations, in their order
    virtual void OnPressed(bool) {}
    virtual void OnFocusChanged(bool) {}
    virtual void OnVisibleChanged(bool) {}
    virtual void OnRectChanged(const RECT&) {}
    virtual int OnParentSize(int /*width*/, int /*height*/) { return 1; }
    // Draws the part `rect` (surface coordinates) of the window into the surface.
    virtual int Draw(QeSurface* /*surface*/, const RECT& /*rect*/) { return 1; }
    // Pen positions are screen coordinates.
    virtual int OnPenDown(int x, int y);
    virtual int OnPenUp(int x, int y);
    virtual int OnPenMove(int x, int y);
    virtual int OnKeyDown(WPARAM key, LPARAM data);
    virtual int OnKeyUp(WPARAM key, LPARAM data);
    virtual int OnImeComposition(WPARAM character, LPARAM kind);
    virtual int OnChar(WPARAM character, LPARAM data);
    virtual int OnNotify(QeWindow* /*child*/, int /*code*/) { return 1; }
    virtual int OnGesture(int /*value*/, int /*direction*/) { return 1; }
    // The input panel's rectangle in screen coordinates.
    virtual int OnSipShown(const RECT& /*panel*/) { return 1; }
    virtual int OnSipHidden() { return 1; }
    virtual int OnGetSel(WPARAM, LPARAM) { return 1; }
    virtual int OnSetSel(WPARAM, LPARAM) { return 1; }
    virtual int OnReplaceSel(WPARAM, LPARAM) { return 1; }

    // ---- tree
    // Appends the child as the topmost one, taking it from its parent first. 0 for null, for the
    // window itself and for an ancestor of it.
    int AddChild(QeWindow* child);
    // Unlinks a child of this window; anything else is ignored.
    void RemoveChild(QeWindow* child);
    QeWindow* Parent() const { return m_parent; }
    QeWindow* FirstChild() const { return m_firstChild; }
    QeWindow* LastChild() const { return m_lastChild; }
    QeWindow* Next() const { return m_next; }
    QeWindow* Previous() const { return m_previous; }

    // ---- geometry
    // Animated when the animation settings say so (the settings' flag is then cleared); calls
    // OnRectChanged with the new (or target) rectangle when it differs from the current one.
    void SetRect(const RECT& rect);
    void SetPosition(int x, int y);
    void SetSize(int width, int height);
    const RECT& Rect() const { return m_rect; }
    int Width() const { return m_rect.right - m_rect.left; }
    int Height() const { return m_rect.bottom - m_rect.top; }
    RECT GetClientRect() const { return RECT{0, 0, Width(), Height()}; }
    RECT GetScreenRect() const;

    // Conversions; rectangles keep their size and move their top-left corner.
    POINT ScreenToParent(POINT point) const;
    POINT ScreenToLocal(POINT point) const;
    POINT ParentToLocal(POINT point) const;
    POINT LocalToScreen(POINT point) const;
    POINT ScreenToSurface(POINT point) const;
    POINT SurfaceToScreen(POINT point) const;
    RECT ScreenToParent(const RECT& rect) const;
    RECT ScreenToLocal(const RECT& rect) const;
    RECT ParentToLocal(const RECT& rect) const;
    RECT LocalToScreen(const RECT& rect) const;
    RECT ScreenToSurface(const RECT& rect) const;
    RECT SurfaceToScreen(const RECT& rect) const;
    // Where the window's top-left lies in the surface it draws into: the origins of the window
    // and its ancestors up to (not including) the first with its own DC; 0 for a window with one.
    POINT SurfaceOffset() const;

    // ---- state
    // Shows or hides, fading when the animation settings say so: a fade shows the window at once
    // and hides it only when it ends. OnVisibleChanged comes at once, and only for a change.
    void SetVisible(bool show);
    bool IsVisible() const { return m_visible != 0; }
    std::uint8_t Alpha() const { return m_alphaAnimator.Current(); }
    void SetDisabled(bool disabled) { m_disabled = disabled ? 1 : 0; }
    bool IsDisabled() const { return m_disabled != 0; }
    void SetOwnDC(bool own) { m_ownDC = own ? 1 : 0; }
    bool HasOwnDC() const { return m_ownDC != 0; }
    // The window's own pressed flag (the pen went down on it and is held).
    bool IsPressed() const { return m_pressed != 0; }
    // Makes this the pressed view (or none); the views involved hear OnPressed.
    void SetPressed(bool on);
    // Makes this the focus view (or none); the views involved hear OnFocusChanged.
    void SetFocus(bool on);
    bool HasFocus() const;
    // This window is `ancestor` or lies in it.
    bool IsWithin(const QeWindow* ancestor) const;

    // The window and its subtree are leaving for good and are freed later (a closing popup): no
    // pressed, focus, previous-focus or cover pointer is left in them, and a routing step under way
    // touches them no more, as if they had been destroyed. They hear nothing of it.
    void Retire();

    // How the next SetVisible or SetRect is animated.
    void SetAnimation(const QeAnimationParams& params) { m_animation = params; }
    const QeAnimationParams& Animation() const { return m_animation; }
    const QeAlphaAnimator& AlphaAnimator() const { return m_alphaAnimator; }
    const QeRectAnimator& RectAnimator() const { return m_rectAnimator; }

    // The rectangle (local; no width or no height: the whole window) to the main window's
    // invalidation; with addToDirty it is also repainted in the next frame.
    void Invalidate(const RECT& rect, bool addToDirty);

    // ---- drawing
    // The surface to draw into this frame (see the rules above); `clip` is the part to be drawn in
    // surface coordinates, `target` the same part on the screen. The surface's layer grows to take
    // it in. Null when there is nothing to draw into.
    QeSurface* GetSurface(const RECT& clip, const RECT& target);
    // The window's surface, acquired for this frame when it is not already.
    QeSurface* GetDC();
    // The surface acquired for this frame and still held; null when there is none.
    QeSurface* HeldSurface() const;

    // Draws the window's tree, back to front, into the surfaces for the main window's dirty
    // rectangle: W's earlier siblings and W, each followed by its children. 0 when a Draw failed.
    static int PaintTree(QeWindow* window);
    // Draws this window alone into the surface: the part `target` (surface coordinates), with the
    // window's local point `origin` at target's top-left. The window keeps its place in the tree.
    // 0 for a window without a parent.
    int DrawInto(QeSurface* surface, const RECT& target, const POINT& origin);

    // ---- routing entry points, called on the root; answers are handled flags
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
    // Pre-order over this window, its subtree and its later siblings; 0 at the first that declines.
    int BroadcastSipShown(const RECT& panel);
    int BroadcastSipHidden();
    // This window and its later siblings get the size; each one's children get its own size.
    int BroadcastParentSize(int width, int height);

    int Notify(QeWindow* child, int code) { return OnNotify(child, code); }
    int Gesture(int value, int direction) { return OnGesture(value, direction); }

protected:
    // Reports to the parent: its OnNotify's answer, or true without a parent. Callers touch
    // nothing of theirs afterwards.
    int NotifyParent(int code);

private:
    template <class>
    friend class QeAnimator;

    void Unlink();
    void InsertChild(QeWindow* child, QeWindow* before);
    // This window and its later siblings, topmost first.
    int PenDownAt(int x, int y);
    // This window alone (its children first).
    int PenDownHere(int x, int y);
    QeWindow* PressedAt(int x, int y);
    bool HitByPen(int x, int y) const;
    // As PaintTree for the siblings from `first` to `last`, whose parent's screen position (its
    // origin) is already known.
    static int PaintSiblings(QeWindow* first, const QeWindow* last, POINT parentOrigin);
    static bool PaintOne(QeWindow* window, const RECT& dirty, POINT parentOrigin);
    const QeWindow* OwnDCWindow() const;

    QeWindow* m_parent = nullptr;
    QeWindow* m_previous = nullptr;
    QeWindow* m_next = nullptr;
    QeWindow* m_firstChild = nullptr;
    QeWindow* m_lastChild = nullptr;
    std::uint8_t m_ownDC = 0;
    QeSurface* m_surface = nullptr;
    uint32_t m_surfaceGeneration = 0;  // the pool's generation when m_surface was acquired
    std::uint8_t m_visible = 0;
    QeAlphaAnimator m_alphaAnimator;
    RECT m_rect{0, 0, 0, 0};
    QeRectAnimator m_rectAnimator;
    std::uint8_t m_disabled = 0;
    std::uint8_t m_pressed = 0;
    QeAnimationParams m_animation;
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
