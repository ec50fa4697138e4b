#include "app/screens/chats/ChatInfoTable.h"

#include "app/MessengerApp.h"
#include "app/screens/TableRowPainter.h"
#include "app/screens/common/Presence.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"

namespace {

const SkinPath kView{L"ChatInfo", L"View"};
const SkinPath kSelectionBar{L"ChatInfo", L"View", L"SelectionBar"};
const SkinPath kLine{L"ChatInfo", L"View", L"Line"};
const SkinPath kBuddyIcon{L"ChatInfo", L"View", L"BuddyIcon"};
const SkinPath kBuddyName{L"ChatInfo", L"View", L"BuddyName"};
const SkinPath kBuddyNick{L"ChatInfo", L"View", L"BuddyNick"};
const SkinPath kDisclosureButton{L"ChatInfo", L"View", L"DisclosureButton"};

Buddy* RosterBuddy(const std::wstring& id) {
    BuddyRoster* roster = BuddyRoster::Instance();
    return roster != nullptr ? roster->Find(id) : nullptr;
}

}  // namespace

bool ChatInfoTable::Create() {
    ScreenSkin::Load(m_selectionBar, kSelectionBar);
    ScreenSkin::Load(m_line, kLine);
    ScreenSkin::Load(m_buddyIcon, kBuddyIcon);
    ScreenSkin::Load(m_buddyName, kBuddyName);
    ScreenSkin::Load(m_buddyNick, kBuddyNick);
    ScreenSkin::Load(m_disclosureButton, kDisclosureButton);
    if (s_skin.Stale()) {
        s_nickColors = CaptionColors::Read(kBuddyNick);
        s_skin.MarkRead();
    }
    return true;
}

void ChatInfoTable::SetSession(ChatSession* session) { m_chat.Set(session); }

ChatSession* ChatInfoTable::Session() const { return m_chat.Get(); }

void ChatInfoTable::KeepSessionIfOpen() { m_chat.KeepIfOpen(); }

void ChatInfoTable::Clear() {
    m_chat.Set(nullptr);
    RemoveAllItems();
}

void ChatInfoTable::Refresh() {
    RemoveAllItems();
    InvalidateItems(-1, -1);
    const ChatSession* chat = Session();
    if (chat == nullptr) return;
    for (const ChatMember& member : chat->Members) AddItem(MemberRow(member));
    FinishAnimation();
}

// Rows out of step with the members (never expected) are built again rather than left wrong.
void ChatInfoTable::AddLastMemberRow() {
    const ChatSession* chat = Session();
    if (chat == nullptr || chat->Members.size() != static_cast<size_t>(GetItemCount()) + 1) return Refresh();
    AddItem(MemberRow(chat->Members[chat->Members.size() - 1]));
    FinishAnimation();
}

void ChatInfoTable::RemoveMemberRow(size_t index) {
    const ChatSession* chat = Session();
    if (chat == nullptr || chat->Members.size() + 1 != static_cast<size_t>(GetItemCount()) ||
        index >= static_cast<size_t>(GetItemCount())) {
        return Refresh();
    }
    EraseItem(static_cast<int32_t>(index));
}

TableItem ChatInfoTable::MemberRow(const ChatMember& member) const {
    TableItem row(TableItem::kItem, s_skin.ItemHeight(kView));
    row.text = member.Id;
    return row;
}

int ChatInfoTable::DrawBackground(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor(kView), rect);
    return 1;
}

int ChatInfoTable::DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) {
    const ChatSession* chat = Session();
    if (surface == nullptr || chat == nullptr || index < 0 || static_cast<size_t>(index) >= chat->Members.size()) {
        return 1;
    }
    const ChatMember& member = chat->Members[static_cast<size_t>(index)];
    QeCell cell(*this, *surface, index, clip, inRow);
    TableRowPainter painter(cell, index == GetSelection(), s_skin.BackColor(kView), m_selectionBar,
                            s_skin.Rect(kSelectionBar));
    const Buddy* buddy = RosterBuddy(member.Id);
    m_buddyName.SetText(buddy != nullptr ? buddy->Name : member.Name);
    m_buddyNick.SetText(buddy != nullptr ? buddy->Nickname : member.Nickname);
    painter.Icon(m_buddyIcon, PresenceIcon(buddy), s_skin.Rect(kBuddyIcon));
    painter.Text(m_buddyName, s_skin.Rect(kBuddyName));
    painter.Caption(m_buddyNick, s_nickColors, s_skin.Rect(kBuddyNick));
    // Only a roster buddy leads anywhere.
    if (buddy != nullptr) painter.Image(m_disclosureButton, s_skin.Rect(kDisclosureButton));
    painter.Line(m_line, s_skin.Rect(kLine));
    return 1;
}

int ChatInfoTable::OnPenUp(int x, int y) {
    if (QeTableView::OnPenUp(x, y) == 0) return 0;
    const int32_t selected = GetSelection();
    const TableItem* row = GetItem(selected);
    const ChatSession* chat = Session();
    if (row == nullptr || row->kind == TableItem::kHeader || chat == nullptr ||
        static_cast<size_t>(selected) >= chat->Members.size()) {
        return 1;
    }
    Buddy* buddy = RosterBuddy(chat->Members[static_cast<size_t>(selected)].Id);
    BuddyGroupList* groups = BuddyGroupList::Instance();
    // Groups hold member keys, not login ids.
    BuddyGroup* group = buddy != nullptr && groups != nullptr ? groups->FindGroupOfBuddy(buddy->Key) : nullptr;
    MessengerApp* app = MessengerApp::Instance();
    if (group == nullptr || app == nullptr) return 1;
    app->BuddyProfile().SetBuddy(buddy, group);
    app->SwitchView(&app->BuddyProfile(), kSwitchPushLeftwards, false);
    return 1;
}

bool IsChatInfoShowing(const ChatInfoTable& table, const ChatSession* session) {
    MessengerApp* app = MessengerApp::Instance();
    return session != nullptr && app != nullptr && app->CurrentPage() == &app->ChatInfo() &&
           table.Session() == session;
}
