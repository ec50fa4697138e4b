// The framework half of the test pump, apart so that tests of the platform alone link without it.
#include "framework/base/QeTimerManager.h"
#include "framework/base/QeTiming.h"
#include "platform/windows/window.h"
#include "tests/support/Pump.h"

namespace {

LRESULT TickWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER) {
        if (QeTimerManager* manager = QeTimerManager::Instance()) manager->OnTimer(wParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

const wchar_t kTickClass[] = L"TevrikTestTickWindow";

}  // namespace

TimingRig::TimingRig() {
    static bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &TickWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kTickClass;
        return RegisterClassW(&windowClass) != 0;
    }();
    EXPECT_TRUE(registered);
    QeTimingStart();
    m_window = CreateWindowExW(0, kTickClass, kTickClass, 0, 0, 0, 0, 0, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(m_window, nullptr);
    QeTimerManager::Instance()->SetTickWindow(m_window);
}

TimingRig::~TimingRig() {
    QeTimingStop();
    if (m_window != nullptr) DestroyWindow(m_window);
}
