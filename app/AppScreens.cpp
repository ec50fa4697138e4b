#include "app/AppScreens.h"

#include "app/MessengerApp.h"
#include "app/screens/chats/ChatPage.h"
#include "app/screens/common/MsgBox.h"
#include "app/screens/common/UpgradeBox.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "messenger/model/BuddyGroupList.h"
#include "framework/ui/shell/QeMessageDispatcher.h"
#include "platform/windows/window.h"

void AppScreens::Alert(const std::wstring& text) { MsgBox::Alert(text); }

void AppScreens::Confirm(const std::wstring& text, std::function<void(int result)> onResult) {
    MsgBox::Confirm(text, std::move(onResult));
}

void AppScreens::ShowNotice(const std::wstring& text) { m_app.ShowNotice(text); }

void AppScreens::RunLater(std::function<void()> task) { QeRunLater(std::move(task)); }

void AppScreens::SetSignedIn(bool signedIn) { m_app.SetSignedIn(signedIn); }

void AppScreens::PlayNotification(int event) { m_app.PlayNotification(event); }

void AppScreens::UpdateNotifyIndicators() { m_app.UpdateNotifyIndicators(); }

void AppScreens::MemoListSwitchBox(int box) { m_app.MemoList().Table().SwitchBox(static_cast<uint32_t>(box)); }

void AppScreens::MemoListInsertNewMemos(int count) { m_app.MemoList().Table().InsertNewMemos(count); }

void AppScreens::MemoListDropMemo(MemoRecord* memo) { m_app.MemoList().Table().DropMemoRow(memo); }

void AppScreens::MemoListAppendPage(int count) { m_app.MemoList().Table().AppendPage(count); }

bool AppScreens::IsMemoReadPageCurrent() const { return m_app.CurrentPage() == &m_app.MemoRead(); }

MemoRecord* AppScreens::MemoReadRecord() { return m_app.MemoRead().View().Memo(); }

void AppScreens::MemoReadFill(const ImsgReceived& memo) { m_app.MemoRead().View().FillFromMessage(memo); }

void AppScreens::ChatListAddRow(ChatSession* session) { m_app.ChatList().Table().AddSession(session); }

void AppScreens::ChatListUpdateRow(ChatSession* session) { m_app.ChatList().Table().UpdateSession(session); }

void AppScreens::ParticipantsAddRow(ChatSession* session) {
    ChatInfoTable& table = m_app.ChatInfo().Table();
    if (IsChatInfoShowing(table, session)) table.AddLastMemberRow();
}

void AppScreens::ParticipantsRemoveRow(ChatSession* session, size_t index) {
    ChatInfoTable& table = m_app.ChatInfo().Table();
    if (IsChatInfoShowing(table, session)) table.RemoveMemberRow(index);
}

bool AppScreens::BuddyListRefresh() { return m_app.BuddyList().Table().Refresh() != 0; }

void AppScreens::BuddyListUpdateRow(const Buddy* buddy) {
    m_app.BuddyList().Table().UpdateBuddyRow(buddy);
    BuddyProfilePage& profile = m_app.BuddyProfile();
    if (buddy != nullptr && buddy == profile.ShownBuddy() && m_app.CurrentPage() == &profile) profile.Repaint();
}
void AppScreens::BuddyProfileRepaint() { m_app.BuddyProfile().Repaint(); }
const Buddy* AppScreens::BuddyProfileBuddy() { return m_app.BuddyProfile().ShownBuddy(); }
void AppScreens::BuddyProfileSetGroup(BuddyGroup* group) { m_app.BuddyProfile().SetGroup(group); }

// The page is switched to even when it is already current: that shows it again with the new request.
void AppScreens::OpenBuddyRequestPage(const std::wstring& groupId) {
    BuddyGroupList* groups = BuddyGroupList::Instance();
    BuddyGroup* group = groups != nullptr ? groups->FindEntry(groupId) : nullptr;
    if (group == nullptr) return;
    m_app.BuddyRequestInfo().Table().SetGroup(group);
    m_app.SwitchView(&m_app.BuddyRequestInfo(), kSwitchCoverUpwards, false);
}

void AppScreens::BuddyRequestInfoRepaint() {
    if (m_app.BuddyRequestInfo().IsVisible()) m_app.BuddyRequestInfo().Table().InvalidateItems(-1, -1);
}

void AppScreens::BuddyRequestInfoSetRequester(const Buddy* requester) {
    BuddyRequestInfoTable& table = m_app.BuddyRequestInfo().Table();
    table.SetRequest(const_cast<Buddy*>(requester), table.Group());
}

const Buddy* AppScreens::BuddyRequestInfoRequester() { return m_app.BuddyRequestInfo().Table().Requester(); }

std::unique_ptr<ChatWindow> AppScreens::CreateChatWindow(ChatSession* session) {
    auto page = std::make_unique<ChatPage>();
    page->Create();
    page->SetRect(ScreenSkin::Rect({ChatPage::kSection}));
    page->SetSession(session);
    // Hidden until navigation shows it.
    m_app.Root().AddChild(page.get());
    return page;
}

void AppScreens::OnResetBegin() { m_app.OnResetBegin(); }

void AppScreens::OnResetToLogin() { m_app.OnResetToLogin(); }

void AppScreens::LoginShowPage(int page) { m_app.Login().ShowPage(page); }

void AppScreens::ShowSignedIn() { m_app.ShowSignedIn(); }

void AppScreens::StatusBarCardRefresh() { m_app.StatusBarWindow().BuddyCard().Refresh(); }

void AppScreens::PageIndicatorRebuild() { m_app.StatusBarWindow().PageStrip().Indicator().Rebuild(); }

void AppScreens::ShowUpgradeBox() {
    m_upgradeBox = 0;
    if (UpgradeBox::Show()) {
        if (auto* box = dynamic_cast<UpgradeBox*>(QePopup::Current())) m_upgradeBox = box->Serial();
    }
}

void AppScreens::SetUpgradeProgress(float progress) {
    auto* box = dynamic_cast<UpgradeBox*>(QePopup::Current());
    if (box == nullptr || m_upgradeBox == 0 || box->Serial() != m_upgradeBox) return;
    box->progress = progress;
    box->SetProgress();
    if (QeMainWindow* main = QeMainWindow::Instance()) UpdateWindow(main->Handle());
}

