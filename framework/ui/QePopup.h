// QePopup: a modal window shown centred over the whole view tree. At most one is open at a time;
// while it is open the pen reaches only its tree, and a pen down outside it closes it with result 0
// unless told otherwise. A popup is made with new for each use and deletes itself when it closes,
// after calling its callback with the result.
//
// This is the part of the popup that the view tree and the paint path stand on: opening, closing,
// the close-on-outside rule and the popup's layer above the dimmed screen.
#pragma once

#include <cstdint>

#include "framework/ui/QeWindow.h"

class QePopup : public QeWindow {
public:
    using Callback = void (*)(void* context, QePopup* popup, int result);

    // Composed above the dimmed screen, so it draws into a surface of its own.
    QePopup();
    ~QePopup() override;

    // The open popup, or null.
    static QePopup* Current();

    // Closes an open popup first (result 0, traced), then opens this one: current, focused, the
    // root's topmost child, visible, centred in the root; the whole root is repainted. 1.
    int Popup(const SIZE& size, Callback callback, void* context);
    // No longer current, out of the tree and hidden, the root repainted; then the callback, then
    // the popup deletes itself. Nothing of the popup may be used afterwards.
    void Close(int result);

    // The popup is drawn by its children; a repaint of any part of it repaints it whole.
    int Draw(QeSurface* surface, const RECT& rect) override;

    std::uint8_t closeOnOutside = 1;

private:
    Callback m_callback = nullptr;
    void* m_context = nullptr;
};
