#include "app/screens/buddies/BuddyAddPage.h"

#include "app/MessengerApp.h"
#include "app/screens/buddies/FormSent.h"
#include "app/screens/common/MsgBox.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/protocol/BuddyCommands.h"

BuddyAddPage::BuddyAddPage() : ViewAndBarPage(kSection, StatusBar::kModeBuddyAdd, L"친구 추가") {}

void BuddyAddPage::SendBuddyRequest() {
    // Sent from the status bar while the chooser opened from this form is shown: the chooser hands
    // its choice back only when it is left, so the request takes the checked group now, as leaving
    // would.
    MessengerApp* app = MessengerApp::Instance();
    if (app != nullptr && app->CurrentPage() == &app->GroupSelect() &&
        app->GroupSelect().CurrentMode() == GroupSelectPage::kModeBuddyAdd) {
        m_table.SetChosenGroupName(app->GroupSelect().Table().SelectedName());
    }
    const std::wstring account = m_table.IdEdit().GetText();
    const std::wstring domain = m_table.AccountEdit().GetText();
    const std::wstring message = m_table.RequestMessage().GetText();
    if (account.empty() || domain.empty()) {
        MsgBox::Alert(L"친구 아이디를 입력하세요.");
        return;
    }
    if (message.empty()) {
        MsgBox::Alert(L"메시지를 입력하세요.");
        return;
    }
    BuddyGroupList* groups = BuddyGroupList::Instance();
    const BuddyGroup* group = groups != nullptr ? groups->FindGroupByName(m_table.ChosenGroupName()) : nullptr;
    if (group == nullptr) return;
    ::SendBuddyRequest(account + L"@" + domain, group->Id, message);
    GoBackFromSentForm();
}
