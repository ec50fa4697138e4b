#include "app/screens/chats/ChatPage.h"

#include "app/MessengerApp.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"

namespace {

constexpr uint32_t kOwnAppearOffline = 5;

ClassSkin s_skin;

}  // namespace

ChatPage* ChatPageOf(const ChatSession* session) {
    return session != nullptr ? dynamic_cast<ChatPage*>(session->Page.get()) : nullptr;
}

ChatPage::ChatPage() = default;

ChatPage::~ChatPage() {
    if (IsCurrentPage()) MessengerApp::Instance()->SetCurrentView(nullptr);
}

bool ChatPage::Create() {
    AddChild(&m_view);
    AddChild(&m_bar);
    m_view.Create(this);
    m_bar.Create(this);
    OnRectChanged(Rect());
    return true;
}

const wchar_t* ChatPage::CannotChatReason(const ChatSession& session) {
    const AccountInfo* account = AccountInfo::Instance();
    const uint32_t own = account != nullptr ? account->Status : 0;
    if (own == kOwnAppearOffline) return L"오프라인으로 표시된 상태입니다.";
    if (own == kPresenceOffline) return L"";
    BuddyRoster* roster = BuddyRoster::Instance();
    const Buddy* buddy = roster != nullptr ? roster->Find(session.BuddyId) : nullptr;
    if (buddy == nullptr) return nullptr;
    if (buddy->Status == kPresenceOffline) return L"대화 상대가 현재 오프라인 상태입니다.";
    if ((buddy->ListFlags & kListBlock) != 0) return L"대화 상대가 현재 차단된 상태입니다.";
    return nullptr;
}

void ChatPage::UpdateInputState() {
    if (m_session == nullptr) return;
    if (const wchar_t* reason = CannotChatReason(*m_session)) {
        m_bar.Disable(reason);
    } else {
        m_bar.Enable();
    }
    m_bar.Invalidate(RECT{0, 0, 0, 0}, true);
}

bool ChatPage::IsCurrentPage() const {
    const MessengerApp* app = MessengerApp::Instance();
    return app != nullptr && app->CurrentPage() == this;
}

void ChatPage::OnVisibleChanged(bool visible) {
    m_view.SetVisible(visible);
    m_bar.SetVisible(visible);
    if (!visible || m_session == nullptr) return;
    if (MessengerApp* app = MessengerApp::Instance()) {
        StatusBar& bar = app->StatusBarWindow();
        bar.SetMode(StatusBar::kModeChatPage);
        const ChatSessionManager* chats = ChatSessionManager::Instance();
        if (chats != nullptr) bar.PageStrip().Indicator().SetCurrent(chats->IndexOfChat(m_session));
    }
    m_session->Unread = 0;
    UpdateInputState();
}

void ChatPage::OnRectChanged(const RECT&) {
    m_view.SetRect(s_skin.Rect({kSection, L"View"}));
    m_bar.SetRect(s_skin.Rect({kSection, L"InputBar"}));
}

int ChatPage::OnNotify(QeWindow*, int code) {
    if (code != kNotifyTransitionDone || m_closing == 0) return 1;
    ChatSessionManager* chats = ChatSessionManager::Instance();
    // That very chat: one that never got its room has no session id to be found by. It leaves the
    // list now and is deleted (with this page) from the loop, after this notification.
    if (chats != nullptr && m_session != nullptr) chats->RemoveChat(m_session);
    m_closing = 0;
    Screens().PageIndicatorRebuild();
    if (MessengerApp* app = MessengerApp::Instance()) app->ChatList().RebuildTable();
    return 1;
}
