#include "app/screens/common/StatusBarPageStrip.h"

#include "app/MessengerApp.h"
#include "app/screens/common/StatusBar.h"
#include "framework/ui/motion/QeTransitionManager.h"
#include "messenger/protocol/ChatCommands.h"

void StatusBarPageStrip::Create() {
    ClassSkin& skin = StatusBar::Skin();
    m_bar.AddChild(&m_backButton);
    m_bar.AddChild(&m_pageIndicator);
    m_bar.AddChild(&m_closeButton);
    skin.Load(m_backButton, {StatusBar::kSection, kPart, L"BackButton"});
    skin.Load(m_closeButton, {StatusBar::kSection, kPart, L"CloseButton"});
    m_pageIndicator.Rebuild();
}

void StatusBarPageStrip::Layout() {
    ClassSkin& skin = StatusBar::Skin();
    m_backButton.SetRect(skin.Rect({StatusBar::kSection, kPart, L"BackButton"}));
    m_pageIndicator.SetRect(skin.Rect({StatusBar::kSection, kPart, PageIndicator::kElement}));
    m_closeButton.SetRect(skin.Rect({StatusBar::kSection, kPart, L"CloseButton"}));
}

void StatusBarPageStrip::Show(bool show) {
    m_backButton.SetVisible(show);
    m_pageIndicator.SetVisible(show);
    m_closeButton.SetVisible(show);
}

bool StatusBarPageStrip::OnNotify(QeWindow* child, int code) {
    if (child != &m_backButton && child != &m_pageIndicator && child != &m_closeButton) return false;
    if (code != kNotifyClick) return true;
    if (child == &m_backButton) {
        m_bar.OnBack();
    } else if (child == &m_closeButton) {
        CloseCurrentChat();
    }
    return true;
}

void StatusBarPageStrip::CloseCurrentChat() {
    QeTransitionManager* transitions = QeTransitionManager::Instance();
    if (transitions != nullptr && transitions->IsAnyRunning()) return;
    MessengerApp* app = MessengerApp::Instance();
    ScreenBase* page = app != nullptr ? app->CurrentPage() : nullptr;
    if (page == nullptr) return;
    if (ChatSession* chat = page->PageChatSession()) SendCsesKill(*chat);
    app->MenuBarWindow().HideSip();
    page->MarkClosing();
    QeTransitionParams back;
    if (m_bar.PopState(back)) app->ShowViewWithTransition(back);
}
