// The program's one operating-system window, with the single-instance rule: a window of the same
// title found at creation (in this process or another of the same user's) is brought to the front
// instead, and the creation fails.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "framework/base/QeSingleton.h"
#include "platform/graphics/gdi.h"
#include "platform/win_types.h"

class QeSurface;

class QeMainWindow : public QeSingleton<QeMainWindow> {
public:
    // How far below the given top the window starts: the device's title bar.
    static constexpr int kTitleBarHeight = 52;

    QeMainWindow() = default;
    ~QeMainWindow() override;  // destroys the window when one exists

    // The existing window first (then false); then the window class (style CS_VREDRAW |
    // CS_HREDRAW, the dispatcher's procedure, the arrow cursor, a white background, the title as
    // its name) and the window: WS_POPUP | WS_SYSMENU, kTitleBarHeight below the rectangle's top.
    // Timer ticks go to it from then on.
    bool Create(const std::wstring& title, const RECT& rect);
    // True when a window of the title exists; it was brought to the front.
    bool ActivateExisting(const std::wstring& title);
    // Shows the window and paints it at once; 1.
    int Show();

    // Asks for the rectangle to be repainted (without erasing); with addToDirty it also grows the
    // dirty rectangle. Either way the rectangle counts as changed.
    void Invalidate(const RECT& rect, bool addToDirty);
    // Asks for a scrolled view to be repainted: it grows the dirty rectangle but not the changed one,
    // since the view moves what it drew last and draws only what that leaves uncovered.
    void InvalidateMoved(const RECT& rect);
    // An empty dirty rectangle (left = right or top = bottom) becomes the given one, else the union;
    // the changed rectangle grows likewise.
    void AddDirtyRect(const RECT& rect);
    // After a frame: nothing is dirty or changed any more.
    void ClearDirtyRect() {
        dirtyRect = RECT{0, 0, 0, 0};
        changedRect = RECT{0, 0, 0, 0};
        drawnThisFrame.clear();
        m_framing = false;
    }
    // What the view tree drew into each surface while painting the current frame (screen
    // coordinates): a view that builds on its last frame must know whether a window drawn before
    // it, sharing its surface, has drawn over it.
    void NoteDrawn(const void* surface, const RECT& area) { drawnThisFrame.emplace_back(surface, area); }
    // The bounds of what was drawn into the surface within the area so far this frame; empty when
    // nothing was.
    RECT DrawnOver(const void* surface, const RECT& area) const;

    // A rectangle that a window drew last of all, wholly in one colour, in the last frame that
    // painted there: the caret. Until a frame paints there again, that window may change the
    // rectangle's colour on its own between frames, straight onto the screen, as a system caret is
    // drawn. The frame that noted it must end with nothing drawn or composed over it (the screen
    // shows the colour as drawn); a frame that paints there without noting it again ends the right.
    void NoteOnTop(const void* owner, QeSurface* surface, const RECT& inSurface, const RECT& screen, COLORREF colour);
    void ForgetOnTop(const void* owner);
    // The frame's paint and its end, the picture it leaves in `shown`.
    void StartFrameOnTop(const RECT& painting);
    void EndFrameOnTop(HDC shown);
    // Fills the rectangle in the owner's surface and on the screen, and presents it; false (nothing
    // drawn) when the owner has no such right or a frame is due anyway.
    bool DrawOnTop(const void* owner, const RECT& screen, COLORREF colour);

    HWND Handle() const { return window; }

    HWND window = nullptr;
    // The last pen position (main-window pixels), written by the view tree's pen routing.
    int lastPenX = 0;
    int lastPenY = 0;
    // The BeginPaint rectangle of the WM_PAINT being handled.
    RECT paintRect{0, 0, 0, 0};
    RECT dirtyRect{0, 0, 0, 0};
    // What was asked to be repainted since the last frame other than by InvalidateMoved: where a
    // view's last frame may no longer show what it should.
    RECT changedRect{0, 0, 0, 0};
    // Repaint requests so far: the union above cannot tell one request from several.
    uint32_t invalidations = 0;
    std::vector<std::pair<const void*, RECT>> drawnThisFrame;

private:
    struct OnTop {
        const void* owner = nullptr;  // none
        QeSurface* surface = nullptr;
        RECT inSurface{0, 0, 0, 0};
        RECT screen{0, 0, 0, 0};
        COLORREF colour = CLR_INVALID;
        size_t drawnBefore = 0;  // drawnThisFrame's length when it was noted: the owner's own comes next
        bool shown = false;      // its frame ended with it on the screen as drawn
    };
    OnTop m_onTop;
    bool m_framing = false;  // between StartFrameOnTop and the frame's end
};
