#include "app/screens/buddies/GroupSelectPage.h"

#include "app/MessengerApp.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/protocol/BuddyCommands.h"

ClassSkin GroupSelectPage::s_skin;

bool GroupSelectPage::Create() {
    AddChild(&m_titleBar);
    AddChild(&m_table);
    m_titleBar.Create();
    m_table.Create();
    return true;
}

void GroupSelectPage::OnRectChanged(const RECT&) {
    m_titleBar.SetRect(s_skin.Rect({kSection, L"TitleBar"}));
    m_table.SetRect(s_skin.Rect({kSection, L"View"}));
}

void GroupSelectPage::OnVisibleChanged(bool visible) {
    m_titleBar.SetVisible(visible);
    m_table.SetVisible(visible);
}

void GroupSelectPage::Open(uint32_t mode, const std::wstring& name, const Buddy* buddy,
                           const std::wstring& groupName) {
    m_mode = mode;
    MessengerApp* app = MessengerApp::Instance();
    if (mode == kModeBuddyAdd) {
        m_table.SetSelectedName(groupName);
    } else if (mode == kModeProfile) {
        const BuddyGroup* group = app != nullptr ? app->BuddyProfile().Table().ShownGroup() : nullptr;
        m_table.SetSelectedName(group != nullptr ? group->Name : std::wstring());
    } else if (mode == kModeRequest) {
        const BuddyGroup* group = app != nullptr ? app->BuddyRequestInfo().Table().Group() : nullptr;
        m_table.SetSelectedName(group != nullptr ? group->Name : std::wstring());
    }
    m_buddyId = buddy != nullptr ? buddy->Id : std::wstring();
    m_titleBar.BuddyName().Text().SetText(name);
    m_titleBar.BuddyNick().Text().SetText(m_buddyId);
    m_titleBar.Invalidate(RECT{0, 0, 0, 0}, true);
}

void GroupSelectPage::OnLeave(const QeTransitionParams&) {
    MessengerApp* app = MessengerApp::Instance();
    BuddyGroupList* groups = BuddyGroupList::Instance();
    if (app == nullptr) return;
    if (m_mode == kModeBuddyAdd) {
        app->BuddyAdd().Table().SetChosenGroupName(m_table.SelectedName());
        return;
    }
    if (groups == nullptr) return;
    if (m_mode == kModeRequest) {
        // A name no group has any more leaves the page's group as it was. A newer request answered
        // while the chooser was shown has replaced its requester: the choice was not for that one.
        BuddyRequestInfoTable& info = app->BuddyRequestInfo().Table();
        BuddyGroup* group = groups->FindGroupByName(m_table.SelectedName());
        if (group != nullptr && info.Requester() != nullptr && info.Requester()->Id == m_buddyId) info.SetGroup(group);
        return;
    }
    if (m_mode != kModeProfile) return;
    const Buddy* buddy = app->BuddyProfile().Table().ShownBuddy();
    const BuddyGroup* oldGroup = app->BuddyProfile().Table().ShownGroup();
    // Compared by name: two groups of one name give the same row name, and the first of them is
    // not a move away from the second.
    if (buddy == nullptr || oldGroup == nullptr || m_table.SelectedName() == oldGroup->Name) return;
    const BuddyGroup* newGroup = groups->FindGroupByName(m_table.SelectedName());
    if (newGroup == nullptr) return;
    SendBuddyMove(*buddy, oldGroup->Id, newGroup->Id);
}
