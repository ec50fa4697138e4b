// The paint path: on WM_PAINT the view tree draws what is dirty into the window surfaces, and the
// surfaces that were drawn this frame are composed onto the screen: straight onto the paint DC, or,
// while a popup is open, into the off-screen frame, where everything under the popup is dimmed by
// half before the frame reaches the screen in one copy.
//
// Rules callers rely on:
//   - layers are composed in the order their windows acquired their surfaces (a later one lies on
//     top); only what was composed this frame (U) is copied, plus the popup's layer;
//   - a layer with an empty destination, and a layer whose blit fails, draws nothing and adds
//     nothing to U; a failing transition or frame bitmap abandons the frame (answer 0), and the
//     dirty rectangle is cleared all the same;
//   - the running transitions' rectangles are part of U: they are dimmed and copied like layers.
#pragma once

#include "framework/ui/drawing/QeDC.h"
#include "platform/windows/window.h"

struct QeFrameSurface;

// One WM_PAINT: its PAINTSTRUCT and a borrowed DC on the handle BeginPaint gave.
class QePaintContext {
public:
    // BeginPaint on the window; the paint rectangle goes to QeMainWindow.
    explicit QePaintContext(HWND window);
    ~QePaintContext() { End(); }
    QePaintContext(const QePaintContext&) = delete;
    QePaintContext& operator=(const QePaintContext&) = delete;

    // False when BeginPaint gave no DC.
    bool Valid() const { return m_dc.Handle() != nullptr; }
    // EndPaint, the dirty rectangle cleared, the DC let go. Once.
    void End();

    QeDC& DC() { return m_dc; }
    const PAINTSTRUCT& Paint() const { return m_paint; }

private:
    HWND m_window = nullptr;
    PAINTSTRUCT m_paint{};
    QeDC m_dc;
    bool m_ended = false;
};

// Blits the surface's layer onto the target by its draw method; answers the destination, or an
// all-zero rectangle when nothing was drawn because the destination is empty or the blit failed.
RECT QeComposeLayer(QeDC& target, QeDC& surface);

// Gives the frame a memory DC with a bitmap of width x height in place of what it had.
bool QeEnsureFrameSurface(QeFrameSurface& frame, int width, int height);

// Composes this frame's layers, the transitions and an open popup (see the rules above).
bool QeComposeFrame(QeFrameSurface& frame, QeDC& paintDC, int width, int height);

// The whole WM_PAINT: 1 when a frame was composed.
int QePaintMainWindow();
