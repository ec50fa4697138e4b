#include "tests/support/AppRig.h"

#include "framework/ui/shell/QeFramework.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/view/QePopup.h"
#include "framework/ui/motion/QeTransitionManager.h"
#include "platform/windows/window.h"

namespace {

struct RigApp : QeApplicationBase {};

}  // namespace

bool AppRig::Start(const std::wstring& name, int width, int height) {
    static int s_count = 0;
    if (m_started || !QeFrameworkStart()) return false;
    m_started = true;
    m_app = std::make_unique<RigApp>();
    const std::wstring title = name + L" " + std::to_wstring(++s_count);
    if (!m_app->Create(title, RECT{0, 0, width, QeMainWindow::kTitleBarHeight + height})) return false;
    m_window = QeMainWindow::Instance()->Handle();
    m_app->Root().SetSize(width, height);
    return true;
}

void AppRig::Stop() {
    if (!m_started) return;
    m_started = false;
    if (QePopup* popup = QePopup::Current()) popup->Close(0);
    if (QeTransitionManager* transitions = QeTransitionManager::Instance()) transitions->Clear();
    m_app.reset();
    QeFrameworkStop();
    m_window = nullptr;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}
