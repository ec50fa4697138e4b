#include "app/screens/buddies/BuddyAddPage.h"

#include "app/MessengerApp.h"
#include "app/screens/buddies/FormSent.h"
#include "app/screens/common/MsgBox.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/protocol/BuddyCommands.h"

ClassSkin BuddyAddPage::s_skin;

bool BuddyAddPage::Create() {
    AddChild(&m_table);
    AddChild(&m_buttonBar);
    m_table.Create();
    m_buttonBar.Create();
    s_skin.Rect({kSection, L"View"});
    s_skin.Rect({kSection, L"ButtonBar"});
    s_skin.MarkRead();
    return true;
}

void BuddyAddPage::OnRectChanged(const RECT&) {
    m_table.SetRect(s_skin.Rect({kSection, L"View"}));
    m_buttonBar.SetRect(s_skin.Rect({kSection, L"ButtonBar"}));
}

void BuddyAddPage::OnVisibleChanged(bool visible) {
    m_table.SetVisible(visible);
    m_buttonBar.SetVisible(visible);
    MessengerApp* app = MessengerApp::Instance();
    if (app == nullptr) return;
    app->StatusBarWindow().SetMode(StatusBar::kModeBuddyAdd);
    app->StatusBarWindow().TitleStrip().SetTitle(L"친구 추가");
}

void BuddyAddPage::SendBuddyRequest() {
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
