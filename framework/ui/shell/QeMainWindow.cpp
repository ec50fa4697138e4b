#include "framework/ui/shell/QeMainWindow.h"

#include <algorithm>

#include "framework/base/QeTimerManager.h"
#include "framework/ui/drawing/QeDC.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "framework/ui/drawing/QeGraphicsTypes.h"
#include "framework/ui/shell/QeMessageDispatcher.h"
#include "framework/ui/view/QeRect.h"
#include "platform/graphics/gdi.h"
#include "platform/windows/window.h"

QeMainWindow::~QeMainWindow() {
    if (window == nullptr) return;
    QeTimerManager* timers = QeTimerManager::Instance();
    if (timers != nullptr && timers->TickWindow() == window) timers->SetTickWindow(nullptr);
    DestroyWindow(window);
}

bool QeMainWindow::ActivateExisting(const std::wstring& title) {
    HWND found = FindWindowW(title.c_str(), title.c_str());
    if (found == nullptr) return false;
    SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(found) | 1));
    return true;
}

bool QeMainWindow::Create(const std::wstring& title, const RECT& rect) {
    if (ActivateExisting(title)) return false;
    WNDCLASSW windowClass{};
    windowClass.style = CS_VREDRAW | CS_HREDRAW;
    windowClass.lpfnWndProc = &QeMessageDispatcher::WndProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = title.c_str();
    if (RegisterClassW(&windowClass) == 0) return false;
    const int top = rect.top + kTitleBarHeight;
    window = CreateWindowExW(0, title.c_str(), title.c_str(), WS_POPUP | WS_SYSMENU, rect.left, top,
                             rect.right - rect.left, rect.bottom - top, nullptr, nullptr, GetModuleHandleW(nullptr),
                             nullptr);
    if (window == nullptr) return false;
    // Without this every timer tick would be dropped.
    if (QeTimerManager* timers = QeTimerManager::Instance()) timers->SetTickWindow(window);
    return true;
}

int QeMainWindow::Show() {
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    return 1;
}

namespace {

// An empty rectangle (left = right or top = bottom) becomes the given one, else the union.
void Grow(RECT& grown, const RECT& rect) {
    if (IsEmptyRect(grown)) {
        grown = rect;
        return;
    }
    grown.left = std::min(grown.left, rect.left);
    grown.top = std::min(grown.top, rect.top);
    grown.right = std::max(grown.right, rect.right);
    grown.bottom = std::max(grown.bottom, rect.bottom);
}

}  // namespace

void QeMainWindow::Invalidate(const RECT& rect, bool addToDirty) {
    ++invalidations;
    InvalidateRect(window, &rect, FALSE);
    if (addToDirty) Grow(dirtyRect, rect);
    Grow(changedRect, rect);
}

RECT QeMainWindow::DrawnOver(const void* surface, const RECT& area) const {
    RECT over{0, 0, 0, 0};
    for (const auto& [drawnInto, drawn] : drawnThisFrame) {
        RECT meet;
        if (drawnInto == surface && QeIntersectRect(drawn, area, meet)) Grow(over, meet);
    }
    return over;
}

void QeMainWindow::NoteOnTop(const void* owner, QeSurface* surface, const RECT& inSurface, const RECT& screen,
                             COLORREF colour) {
    if (!m_framing) return;
    m_onTop = OnTop{owner, surface, inSurface, screen, colour, drawnThisFrame.size(), false};
}

void QeMainWindow::ForgetOnTop(const void* owner) {
    if (m_onTop.owner == owner) m_onTop = OnTop{};
}

void QeMainWindow::StartFrameOnTop(const RECT& painting) {
    m_framing = true;
    RECT meet;
    if (m_onTop.owner != nullptr && QeIntersectRect(m_onTop.screen, painting, meet)) m_onTop = OnTop{};
}

void QeMainWindow::EndFrameOnTop(HDC shown) {
    m_framing = false;
    if (m_onTop.owner == nullptr || m_onTop.shown) return;
    bool clear = true;
    // What the owner drew itself comes next; anything after it on the rectangle lies on top.
    for (size_t i = m_onTop.drawnBefore + 1; clear && i < drawnThisFrame.size(); ++i) {
        RECT meet;
        clear = !QeIntersectRect(drawnThisFrame[i].second, m_onTop.screen, meet);
    }
    // Layers, transitions and popups are composed after the tree: the picture must be the colour.
    for (LONG y = m_onTop.screen.top; clear && y < m_onTop.screen.bottom; ++y) {
        for (LONG x = m_onTop.screen.left; clear && x < m_onTop.screen.right; ++x) {
            clear = GetPixel(shown, x, y) == m_onTop.colour;
        }
    }
    if (clear) {
        m_onTop.shown = true;
    } else {
        m_onTop = OnTop{};
    }
}

bool QeMainWindow::DrawOnTop(const void* owner, const RECT& screen, COLORREF colour) {
    if (m_onTop.owner != owner || !m_onTop.shown || QeRectsDiffer(m_onTop.screen, screen)) return false;
    // A frame that is due paints it anyway, with whatever else changed.
    if (!IsEmptyRect(dirtyRect) || GetUpdateRect(window, nullptr, FALSE)) return false;
    QeSurfacePool* pool = QeSurfacePool::Instance();
    if (pool == nullptr || !pool->IsInUse(m_onTop.surface)) return false;
    // The surface keeps what the screen shows, for the views that build on their last frame.
    if (!m_onTop.surface->FillSolid(colour, m_onTop.inSurface)) return false;
    HDC dc = GetDC(window);
    if (dc == nullptr) return false;
    // The clip tells the window stand-in what to present.
    SetClipRect(dc, &screen);
    {
        QeDC onScreen(dc, QeDC::kBorrowed);
        onScreen.FillSolid(colour, screen);
    }
    ReleaseDC(window, dc);
    m_onTop.colour = colour;
    return true;
}

void QeMainWindow::InvalidateMoved(const RECT& rect) {
    ++invalidations;
    InvalidateRect(window, &rect, FALSE);
    Grow(dirtyRect, rect);
}

void QeMainWindow::AddDirtyRect(const RECT& rect) {
    Grow(dirtyRect, rect);
    Grow(changedRect, rect);
}
