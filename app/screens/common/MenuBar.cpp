#include "app/screens/common/MenuBar.h"

#include "app/MessengerApp.h"
#include "app/screens/common/MenuSystem.h"
#include "framework/ui/shell/QeApplication.h"
#include "framework/ui/shell/QeInputPanel.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/MemoStore.h"
#include "messenger/protocol/SignIn.h"

ClassSkin MenuBar::s_skin;

namespace {

bool InTree(const QeWindow* window) {
    QeApplicationBase* application = QeApplicationBase::Instance();
    if (window == nullptr || application == nullptr) return false;
    while (window->Parent() != nullptr) window = window->Parent();
    return window == &application->Root();
}

}  // namespace

MenuBar::MenuBar() { SetOwnDC(true); }

bool MenuBar::Create() {
    AddChild(&m_backgroundSkin);
    AddChild(&m_sipButton);
    AddChild(&m_systemMenuButton);
    AddChild(&m_chatNotifyImage);
    AddChild(&m_memoNotifyImage);
    s_skin.Load(m_backgroundSkin, {kSection, L"BackgroundSkin"});
    s_skin.Load(m_sipButton, {kSection, L"SipButton"});
    s_skin.Load(m_systemMenuButton, {kSection, L"SystemMenuButton"});
    s_skin.Load(m_chatNotifyImage, {kSection, L"ChatNotifyImage"});
    s_skin.Load(m_memoNotifyImage, {kSection, L"MemoNotifyImage"});
    return true;
}

void MenuBar::OnRectChanged(const RECT&) {
    m_backgroundSkin.SetRect(s_skin.Rect({kSection, L"BackgroundSkin"}));
    m_sipButton.SetRect(s_skin.Rect({kSection, L"SipButton"}));
    m_systemMenuButton.SetRect(s_skin.Rect({kSection, L"SystemMenuButton"}));
    m_chatNotifyImage.SetRect(s_skin.Rect({kSection, L"ChatNotifyImage"}));
    m_memoNotifyImage.SetRect(s_skin.Rect({kSection, L"MemoNotifyImage"}));
}

void MenuBar::OnVisibleChanged(bool visible) {
    m_backgroundSkin.SetVisible(visible);
    m_sipButton.SetVisible(visible);
    UpdateNotifyImages();
}

int MenuBar::OnNotify(QeWindow* child, int code) {
    if (code != kNotifyClick) return 1;
    if (child == &m_sipButton) OnSipButtonClicked();
    if (child == &m_systemMenuButton) OnSystemMenuButtonClicked();
    return 1;
}

int MenuBar::OnSipHidden() {
    if (m_sipButton.IsChecked()) m_sipButton.SetChecked(false);
    return 1;
}

void MenuBar::ShowSip(int mode) {
    if (!m_sipButton.IsChecked()) m_sipButton.SetChecked(true);
    QeInputPanel* panel = QeInputPanel::Instance();
    if (panel == nullptr) return;
    panel->SetImeMode(mode);
    if (!panel->IsShown()) panel->Show();
}

void MenuBar::HideSip() {
    if (m_sipButton.IsChecked()) m_sipButton.SetChecked(false);
    QeInputPanel* panel = QeInputPanel::Instance();
    if (panel != nullptr && panel->IsShown()) panel->Hide();
}

void MenuBar::OnSipButtonClicked() {
    // The check box has already taken its new state; the panel follows it.
    if (QeInputPanel* panel = QeInputPanel::Instance()) {
        if (m_sipButton.IsChecked()) {
            panel->Show();
        } else {
            panel->Hide();
        }
    }
    // The pen down made the button the focus; typing goes on in the window that had it.
    QeWindow* previous = QeGetPreviousFocusWindow();
    if (previous != nullptr && previous != &m_sipButton && InTree(previous)) previous->SetFocus(true);
}

void MenuBar::UpdateNotifyImages() {
    ChatSessionManager* chats = ChatSessionManager::Instance();
    MemoStore* memos = MemoStore::Instance();
    const bool chat = chats != nullptr && chats->HasUnreadChat() != 0;
    const bool memo = memos != nullptr && memos->HasNewMemo != 0;
    m_chatNotifyImage.SetVisible(chat);
    m_memoNotifyImage.SetVisible(memo);
    // Where the memo image was is repainted too: a move alone would leave it drawn there.
    m_memoNotifyImage.Invalidate(RECT{0, 0, 0, 0}, true);
    m_memoNotifyImage.SetRect(s_skin.Rect({kSection, memo && !chat ? L"ChatNotifyImage" : L"MemoNotifyImage"}));
    m_chatNotifyImage.Invalidate(RECT{0, 0, 0, 0}, true);
    m_memoNotifyImage.Invalidate(RECT{0, 0, 0, 0}, true);
}

void MenuBar::ShowSystemMenuButton() {
    m_systemMenuButton.SetVisible(true);
    m_systemMenuButton.Invalidate(RECT{0, 0, 0, 0}, true);
}

void MenuBar::HideSystemMenuButton() {
    // Invalidated while still shown, so that the bar's background is drawn over it.
    m_systemMenuButton.Invalidate(RECT{0, 0, 0, 0}, true);
    m_systemMenuButton.SetVisible(false);
}

void MenuBar::OnSystemMenuButtonClicked() { MenuPopup::Popup(new MenuSystem, &MenuBar::OnSystemMenuClosed, nullptr); }

void MenuBar::OnSystemMenuClosed(void*, QePopup* popup, int result) {
    auto* app = dynamic_cast<MessengerApp*>(QeApplicationBase::Instance());
    if (result != 1 || app == nullptr) return;
    switch (static_cast<MenuSystem*>(popup)->Selection()) {
        case 0:
            app->SwitchView(&app->GroupAdd(), kSwitchCoverUpwards, false);
            break;
        case 1:
            app->SwitchView(&app->BuddyAdd(), kSwitchCoverUpwards, false);
            break;
        case 2:
            app->SwitchView(&app->BuddyRequestList(), kSwitchCoverUpwards, false);
            break;
        case 3:
            LogOut();
            break;
        default:
            break;
    }
}
