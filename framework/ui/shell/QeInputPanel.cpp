#include "framework/ui/shell/QeInputPanel.h"

#include <cstring>

#include "framework/ui/shell/QeApplication.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "platform/windows/imm.h"

namespace {

QeWindow* Root() {
    QeApplicationBase* application = QeApplicationBase::Instance();
    return application != nullptr ? &application->Root() : nullptr;
}

}  // namespace

int QeInputPanel::AddMethod(IMENUMINFO* info) {
    if (info != nullptr && Instance() != nullptr) Instance()->m_methods.push_back(*info);
    return 1;
}

QeInputPanel::QeInputPanel() {
    SipEnumIM(&QeInputPanel::AddMethod);
    CLSID current{};
    if (!SipGetCurrentIM(&current)) return;
    for (std::size_t i = 0; i < m_methods.size(); ++i) {
        if (std::memcmp(&m_methods[i].clsid, &current, sizeof(CLSID)) == 0) {
            m_current = i;
            break;
        }
    }
}

void QeInputPanel::Show() {
    SipShowIM(SIPF_ON);
    if (m_state == kShown) return;
    m_state = kShown;
    const RECT panel = GetPanelRect();
    if (panel.right <= panel.left || panel.bottom <= panel.top) return;
    if (QeWindow* root = Root()) root->BroadcastSipShown(panel);
}

void QeInputPanel::Hide() {
    SipShowIM(SIPF_OFF);
    if (m_state == kHidden) return;
    m_state = kHidden;
    if (QeWindow* root = Root()) root->BroadcastSipHidden();
}

RECT QeInputPanel::GetPanelRect() {
    // Cleared first: a call that fails leaves an empty rectangle, never stale bytes.
    SIPINFO info;
    std::memset(&info, 0, sizeof(info));
    info.cbSize = sizeof(SIPINFO);
    if (!SHSipInfo(SPI_GETSIPINFO, 0, &info, 0)) return RECT{0, 0, 0, 0};
    return info.rcSipRect;
}

void QeInputPanel::ResetAfterPaint() {
    if (m_state == kHidden) m_state = kNone;
}

void QeInputPanel::SetImeMode(int mode) {
    if (mode != 0 && mode != 1) return;
    QeMainWindow* main = QeMainWindow::Instance();
    HWND window = main != nullptr ? main->Handle() : nullptr;
    HIMC context = ImmGetContext(window);
    if (context == nullptr) return;
    DWORD conversion = 0;
    DWORD sentence = 0;
    if (ImmGetConversionStatus(context, &conversion, &sentence)) {
        conversion &= ~static_cast<DWORD>(3);
        if (mode == 0) conversion |= IME_CMODE_NATIVE;
        ImmSetConversionStatus(context, conversion, sentence);
    }
    ImmReleaseContext(window, context);
}

void QeInputPanel::CancelComposition() {
    QeMainWindow* main = QeMainWindow::Instance();
    HWND window = main != nullptr ? main->Handle() : nullptr;
    HIMC context = ImmGetContext(window);
    if (context == nullptr) return;
    ImmNotifyIME(context, NI_COMPOSITIONSTR, CPS_CANCEL, 0);
    ImmReleaseContext(window, context);
}
