#include "app/screens/buddies/BuddySelectPage.h"

#include "app/MessengerApp.h"
#include "framework/base/QeTrace.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/protocol/ChatCommands.h"

ClassSkin BuddySelectPage::s_skin;

bool BuddySelectPage::Create() {
    AddChild(&m_searchBar);
    AddChild(&m_table);
    m_searchBar.Create();
    m_table.Create();
    return true;
}

void BuddySelectPage::OnRectChanged(const RECT&) {
    m_searchBar.SetRect(s_skin.Rect({kSection, L"SearchBar"}));
    m_table.SetRect(s_skin.Rect({kSection, L"View"}));
}

void BuddySelectPage::SelectForInvite(ChatSession* chat) {
    m_mode = kModeInvite;
    m_chat.Set(chat);
    m_preselectedIds.clear();
    m_extraIds.clear();
}

void BuddySelectPage::SelectRecipients(const std::vector<std::wstring>& ids) {
    m_mode = kModeRecipients;
    m_chat.Set(nullptr);
    m_preselectedIds = ids;
    m_extraIds.clear();
}

void BuddySelectPage::OnVisibleChanged(bool visible) {
    m_searchBar.SetVisible(visible);
    m_table.SetVisible(visible);
    if (MessengerApp* app = MessengerApp::Instance()) {
        app->StatusBarWindow().SetMode(StatusBar::kModeTitle);
        app->StatusBarWindow().TitleStrip().SetTitle(kTitle);
    }
    if (!visible) return;
    m_searchBar.Clear();
    m_table.Refresh(m_mode);
    BuddyRoster* roster = BuddyRoster::Instance();
    if (roster != nullptr) roster->ClearChecks();
    m_extraIds.clear();
    for (const std::wstring& id : m_preselectedIds) {
        if (Buddy* buddy = roster != nullptr ? roster->Find(id) : nullptr) {
            buddy->Ticked = 1;
        } else {
            m_extraIds.push_back(id);
        }
    }
}

int BuddySelectPage::OnNotify(QeWindow* child, int code) {
    MessengerApp* app = MessengerApp::Instance();
    if (child == &m_table && code == kNotifyPenDown && app != nullptr) app->MenuBarWindow().HideSip();
    return 1;
}

void BuddySelectPage::OnLeave(const QeTransitionParams&) {
    if (m_mode == kModeInvite) {
        Invite();
    } else if (m_mode == kModeRecipients) {
        HandRecipientsBack();
    }
}

void BuddySelectPage::Invite() {
    ChatSession* chat = m_chat.Get();
    BuddyRoster* roster = BuddyRoster::Instance();
    if (chat == nullptr || roster == nullptr) return;
    // Until the chat server has answered, the chat has no room to invite into, and an invitation
    // without one cannot be followed.
    const bool hasRoom = chat->Port != 0 && !chat->Cookie.empty();
    std::wstring leftOut;
    roster->ForEach([&](Buddy& buddy) {
        if (buddy.Ticked == 0) return;
        if (hasRoom) {
            SendInvitation(*chat, buddy.Id);
        } else {
            leftOut += (leftOut.empty() ? L"" : L", ") + buddy.Id;
        }
    });
    if (!leftOut.empty()) {
        QeTrace(L"BuddySelectPage::OnLeave, the chat has no room yet; not invited: %ls.\n", leftOut.c_str());
    }
}

void BuddySelectPage::HandRecipientsBack() {
    MessengerApp* app = MessengerApp::Instance();
    if (app == nullptr) return;
    std::vector<std::wstring> ids;
    if (BuddyRoster* roster = BuddyRoster::Instance()) {
        roster->ForEach([&](Buddy& buddy) {
            if (buddy.Ticked != 0) ids.push_back(buddy.Id);
        });
    }
    ids.insert(ids.end(), m_extraIds.begin(), m_extraIds.end());
    app->MemoWrite().Form().SetRecipients(ids);
}

void BuddySelectPage::OnResetBegin() {
    m_table.RemoveRows();
    m_searchBar.Clear();
    m_chat.Set(nullptr);
}
