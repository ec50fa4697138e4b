// QePopup: a modal window shown centred over the whole view tree. At most one is open at a time;
// while it is open the pen reaches only its tree, and a pen down outside it closes it with result 0
// unless told otherwise. A popup is made with new for each use and deletes itself when it closes,
// after calling its callback with the result.
//
// Rules callers rely on:
//   - the popup always draws into a surface of its own, even when the root has one: the paint path
//     composes it apart, above the dimmed screen, with the colour key kColorKey (magenta pixels of
//     its frame images let the dimmed screen show through);
//   - Popup on the popup that is open already only takes the new callback, context and size and
//     centres it again;
//   - Close is safe from anywhere on the popup's own call stack (its button's notify, a menu row's
//     click, the outside tap): the popup leaves the tree and every pressed, focus and previous-focus
//     pointer into it at once, and is freed when the message being dispatched has been handled
//     (QeDeleteAfterDispatch). The callback runs after the holder has let go, so it may open the
//     next popup. A second Close of the same popup does nothing.
//   - keys go to the open popup, never to a view beneath: to the view in it that has the focus, or
//     to the popup, which does nothing with them; Enter and Escape always to the popup: Enter
//     presses its default button, Escape its cancel button, or closes it with 0 when it has none
//     and closes on an outside tap. The key-up and character of a key pressed while it was open go
//     nowhere else, also when the popup closed on its key-down;
//   - a view beneath that asks for the focus while the popup is open waits for it: the focus view
//     from before the popup, or the last view that asked, gets the focus when the popup closes
//     (before the callback), if it is still on screen.
#pragma once

#include <cstdint>

#include "framework/controls/QeImageView.h"
#include "framework/ui/view/QeWindow.h"

class QePopup : public QeWindow {
public:
    using Callback = void (*)(void* context, QePopup* popup, int result);

    static constexpr COLORREF kColorKey = RGB(255, 0, 255);

    QePopup();
    ~QePopup() override;

    // The open popup, or null.
    static QePopup* Current();

    // Closes an open popup first (result 0, traced), then opens this one: current, focused, the
    // root's topmost child, visible, centred in the root; the whole root is repainted. 1; 0 for a
    // popup that has been closed.
    int Popup(const SIZE& size, Callback callback, void* context);
    // No longer current, out of the tree and hidden, the root repainted; then the callback, then
    // the popup is freed. Nothing of the popup may be used after the current message.
    void Close(int result);

    // The frames: top and bottom at their images' heights, the middle between.
    void OnRectChanged(const RECT& rect) override;
    // The popup is drawn by its children; a repaint of any part of it repaints it whole.
    int Draw(QeSurface* surface, const RECT& rect) override;
    // Enter and Escape; see the rules above.
    int OnKeyDown(WPARAM key, LPARAM data) override;

    QeImageView& TopFrame() { return m_top; }
    QeImageView& MiddleFrame() { return m_middle; }
    QeImageView& BottomFrame() { return m_bottom; }

    std::uint8_t closeOnOutside = 1;

protected:
    // The children that Enter and Escape click; none by default.
    virtual QeWindow* DefaultButton() { return nullptr; }
    virtual QeWindow* CancelButton() { return nullptr; }

private:
    QeImageView m_top;
    QeImageView m_middle;
    QeImageView m_bottom;
    Callback m_callback = nullptr;
    void* m_context = nullptr;
    bool m_closed = false;
};
