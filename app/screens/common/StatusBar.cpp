#include "app/screens/common/StatusBar.h"

#include "app/MessengerApp.h"
#include "framework/ui/motion/QeTransitionManager.h"

ClassSkin StatusBar::s_skin;

StatusBar::StatusBar() { SetOwnDC(true); }

bool StatusBar::Create() {
    AddChild(&m_background);
    s_skin.Load(m_background, {kSection, L"BackgroundSkin"});
    m_buddyCard.Create();
    m_titleStrip.Create();
    m_pageStrip.Create();
    return true;
}

void StatusBar::OnRectChanged(const RECT&) {
    m_background.SetRect(s_skin.Rect({kSection, L"BackgroundSkin"}));
    m_buddyCard.Layout();
    m_titleStrip.Layout();
    m_pageStrip.Layout();
}

void StatusBar::OnVisibleChanged(bool visible) {
    m_background.SetVisible(visible);
    if (visible) {
        SetMode(m_mode);
    } else {
        HideStrips();
    }
}

void StatusBar::HideStrips() {
    m_buddyCard.Show(false);
    m_titleStrip.Show(kModeCard);
    m_pageStrip.Show(false);
}

void StatusBar::SetMode(int mode) {
    m_mode = mode;
    HideStrips();
    m_buddyCard.Show(mode == kModeCard);
    m_titleStrip.Show(mode);
    m_pageStrip.Show(mode == kModeChatPage);
    if (mode >= kModeTitle && mode <= kModeChatPage) {
        if (MessengerApp* app = MessengerApp::Instance()) app->UpdateNotifyIndicators();
    }
    Invalidate(RECT{0, 0, 0, 0}, true);
}

int StatusBar::OnNotify(QeWindow* child, int code) {
    switch (m_mode) {
        case kModeCard: m_buddyCard.OnNotify(child, code); break;
        case kModeTitle:
        case kModeBuddyAdd:
        case kModeGroupAdd: m_titleStrip.OnNotify(child, code); break;
        case kModeChatPage: m_pageStrip.OnNotify(child, code); break;
        default: break;
    }
    return 1;
}

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
