#include "app/screens/common/TabBar.h"

#include "app/MessengerApp.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/MemoStore.h"

ClassSkin TabBar::s_skin;

namespace {

constexpr const wchar_t* kTabElements[TabBar::kTabCount] = {L"BuddyList", L"ChatList", L"MemoList", L"OptionList"};

bool ChatUnread() {
    const ChatSessionManager* chats = ChatSessionManager::Instance();
    return chats != nullptr && chats->HasUnreadChat() != 0;
}

bool MemoUnread() {
    const MemoStore* memos = MemoStore::Instance();
    return memos != nullptr && memos->HasNewMemo != 0;
}

}  // namespace

bool TabBar::Create() {
    for (QeCheckBox& tab : m_tabs) AddChild(&tab);
    m_tabs[kChatListTab].AddChild(&m_chatIcon);
    m_tabs[kMemoListTab].AddChild(&m_memoIcon);
    // The icons only show; a tap on one belongs to the tab beneath.
    m_chatIcon.SetDisabled(true);
    m_memoIcon.SetDisabled(true);
    for (QeCheckBox& tab : m_tabs) m_layout.AppendToRow(&tab);
    for (int i = 0; i < kTabCount; ++i) ScreenSkin::Load(m_tabs[i], {kSection, kTabElements[i]});
    s_skin.Load(m_chatIcon, {kSection, L"NotifyIcon"});
    s_skin.Load(m_memoIcon, {kSection, L"NotifyIcon"});
    return true;
}

RECT TabBar::BarRect() { return s_skin.Rect({kSection}); }

void TabBar::OnRectChanged(const RECT&) {
    m_layout.Apply(Width(), Height());
    const RECT& icon = s_skin.Rect({kSection, L"NotifyIcon"});
    m_chatIcon.SetRect(icon);
    m_memoIcon.SetRect(icon);
}

void TabBar::OnVisibleChanged(bool visible) {
    for (QeCheckBox& tab : m_tabs) tab.SetVisible(visible);
    m_chatIcon.SetVisible(visible && ChatUnread());
    m_memoIcon.SetVisible(visible && MemoUnread());
}

void TabBar::UpdateNotifyIcons(bool show) {
    m_chatIcon.SetVisible(show && ChatUnread());
    m_memoIcon.SetVisible(show && MemoUnread());
    m_chatIcon.Invalidate(RECT{0, 0, 0, 0}, true);
    m_memoIcon.Invalidate(RECT{0, 0, 0, 0}, true);
}

void TabBar::CheckTab(int tab) {
    for (int i = 0; i < kTabCount; ++i) m_tabs[i].SetChecked(i == tab);
}

ScreenBase* TabBar::PageOfTab(int tab) {
    MessengerApp* app = MessengerApp::Instance();
    if (app == nullptr) return nullptr;
    switch (tab) {
        case kBuddyListTab: return &app->BuddyList();
        case kChatListTab: return &app->ChatList();
        case kMemoListTab: return &app->MemoList();
        case kOptionListTab: return &app->OptionList();
        default: return nullptr;
    }
}

int TabBar::OnNotify(QeWindow* child, int code) {
    if (code != kNotifyClick) return 1;
    for (int i = 0; i < kTabCount; ++i) {
        if (child != &m_tabs[i]) continue;
        MessengerApp* app = MessengerApp::Instance();
        ScreenBase* page = PageOfTab(i);
        if (app == nullptr || page == nullptr) return 1;
        app->MenuBarWindow().HideSip();
        // The tap toggled the box; the tab of the page already current stays checked.
        if (page == app->CurrentPage()) m_tabs[i].SetChecked(true);
        app->SetCurrentView(page);
        return 1;
    }
    return 1;
}
