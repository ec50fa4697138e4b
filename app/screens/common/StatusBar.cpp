#include "app/screens/common/StatusBar.h"

#include "app/MessengerApp.h"
#include "framework/ui/motion/QeTransitionManager.h"

ClassSkin StatusBar::s_skin;

StatusBar::StatusBar() { SetOwnDC(true); }

bool StatusBar::Create() {
    AddChild(&m_background);
    m_background.SetVisible(true);
    s_skin.Load(m_background, {kSection, L"BackgroundSkin"});
    s_skin.MarkRead();
    return true;
}

void StatusBar::OnRectChanged(const RECT&) { m_background.SetRect(s_skin.Rect({kSection, L"BackgroundSkin"})); }

void StatusBar::PushHistory(const QeTransitionParams& params) { m_history.push_back(params); }

bool StatusBar::PopState(QeTransitionParams& out) {
    if (m_history.empty()) return false;
    out = m_history.back();
    m_history.pop_back();
    return true;
}

void StatusBar::ClearHistory() { m_history.clear(); }

void StatusBar::OnBack() {
    QeTransitionManager* transitions = QeTransitionManager::Instance();
    if (transitions != nullptr && transitions->IsAnyRunning()) return;
    MessengerApp* app = MessengerApp::Instance();
    if (app == nullptr) return;
    app->MenuBarWindow().HideSip();
    QeTransitionParams back;
    if (PopState(back)) app->ShowViewWithTransition(back);
}
