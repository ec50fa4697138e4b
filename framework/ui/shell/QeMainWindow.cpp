#include "framework/ui/shell/QeMainWindow.h"

#include <algorithm>

#include "framework/base/QeTimerManager.h"
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

void QeMainWindow::InvalidateMoved(const RECT& rect) {
    ++invalidations;
    InvalidateRect(window, &rect, FALSE);
    Grow(dirtyRect, rect);
}

void QeMainWindow::AddDirtyRect(const RECT& rect) {
    Grow(dirtyRect, rect);
    Grow(changedRect, rect);
}
