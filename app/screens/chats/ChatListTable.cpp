#include "app/screens/chats/ChatListTable.h"

#include "app/MessengerApp.h"
#include "app/screens/chats/ChatPage.h"
#include "app/screens/TableRowPainter.h"
#include "app/screens/common/Presence.h"
#include "framework/base/QeDateTime.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"

namespace {

const SkinPath kView{L"ChatList", L"View"};
const SkinPath kSelectionBar{L"ChatList", L"View", L"SelectionBar"};
const SkinPath kLine{L"ChatList", L"View", L"Line"};
const SkinPath kBuddyIcon{L"ChatList", L"View", L"BuddyIcon"};
const SkinPath kNewIcon{L"ChatList", L"View", L"NewIcon"};
const SkinPath kTitle{L"ChatList", L"View", L"Title"};
const SkinPath kDate{L"ChatList", L"View", L"Date"};
const SkinPath kDisclosureButton{L"ChatList", L"View", L"DisclosureButton"};
const SkinPath kHelpText{L"ChatList", L"View", L"HelpText"};

size_t ChatCount() {
    ChatSessionManager* chats = ChatSessionManager::Instance();
    return chats != nullptr ? chats->Count() : 0;
}

ChatSession* ChatAt(int32_t index) {
    ChatSessionManager* chats = ChatSessionManager::Instance();
    return chats != nullptr && index >= 0 ? chats->ChatAt(static_cast<size_t>(index)) : nullptr;
}

std::wstring TitleOf(const ChatSession& chat) {
    if (chat.Members.size() < 2) return chat.DisplayName + L" 님과 대화";
    return chat.Members.front().Name + L" 님 외 " + std::to_wstring(chat.Members.size() - 1) + L" 명과 대화";
}

}  // namespace

bool ChatListTable::Create() {
    AddChild(&m_helpText);
    ScreenSkin::Load(m_selectionBar, kSelectionBar);
    ScreenSkin::Load(m_line, kLine);
    ScreenSkin::Load(m_buddyIcon, kBuddyIcon);
    ScreenSkin::Load(m_newIcon, kNewIcon);
    ScreenSkin::Load(m_title, kTitle);
    ScreenSkin::Load(m_date, kDate);
    ScreenSkin::Load(m_disclosureButton, kDisclosureButton);
    ScreenSkin::Load(m_helpText, kHelpText);
    if (s_skin.Stale()) {
        s_titleColors = CaptionColors::Read(kTitle);
        s_dateColors = CaptionColors::Read(kDate);
        s_skin.MarkRead();
    }
    return true;
}

int ChatListTable::DisclosureThreshold() { return TableRowPainter::TapThreshold(s_skin.Rect(kDisclosureButton)); }

void ChatListTable::AddSession(ChatSession* session) {
    m_helpText.SetVisible(false);
    TableItem row(TableItem::kItem, s_skin.ItemHeight(kView));
    row.userValue = reinterpret_cast<uintptr_t>(session);
    AddItem(row);
}

void ChatListTable::UpdateSession(ChatSession* session) {
    ChatSessionManager* chats = ChatSessionManager::Instance();
    if (chats != nullptr) InvalidateItem(chats->IndexOfChat(session));
}

void ChatListTable::Rebuild() {
    // A chat closes with a rebuild, before the loop frees it: the participants and the buddy chooser
    // keep a chat still open.
    if (MessengerApp* app = MessengerApp::Instance()) {
        app->ChatInfo().Table().KeepSessionIfOpen();
        app->BuddySelect().KeepChatIfOpen();
    }
    RemoveAllItems();
    for (size_t i = 0; i < ChatCount(); ++i) AddSession(ChatAt(static_cast<int32_t>(i)));
    ShowHelpWhenEmpty();
    Invalidate(RECT{0, 0, 0, 0}, true);
}

void ChatListTable::ShowHelpWhenEmpty() { m_helpText.SetVisible(ChatCount() == 0); }

void ChatListTable::OnVisibleChanged(bool) { ShowHelpWhenEmpty(); }

void ChatListTable::OnRectChanged(const RECT& rect) {
    QeTableView::OnRectChanged(rect);
    m_helpText.SetRect(RECT{0, 0, rect.right - rect.left, rect.bottom - rect.top});
}

int ChatListTable::DrawBackground(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor(kView), rect);
    return 1;
}

int ChatListTable::DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) {
    const ChatSession* chat = ChatAt(index);
    if (surface == nullptr || chat == nullptr) return 1;
    QeCell cell(*this, *surface, index, clip, inRow);
    const bool selected = index == GetSelection();
    // The selected row's bar and date colour are read as it is painted.
    TableRowPainter painter(cell, selected, s_skin.BackColor(kView), m_selectionBar,
                            selected ? ScreenSkin::Rect(kSelectionBar) : RECT{});
    BuddyRoster* roster = BuddyRoster::Instance();
    painter.Icon(m_buddyIcon, PresenceIcon(roster != nullptr ? roster->Find(chat->BuddyId) : nullptr),
                 s_skin.Rect(kBuddyIcon));
    if (chat->Unread != 0) painter.Image(m_newIcon, s_skin.Rect(kNewIcon));
    m_title.SetText(TitleOf(*chat));
    std::wstring date;
    FormatDateTime(chat->StartTime, date, L"yyyy-MM-dd hh:mm:ss");
    m_date.SetText(date);
    painter.Caption(m_title, s_titleColors, s_skin.Rect(kTitle));
    painter.Caption(m_date, selected ? CaptionColors::Read(kDate) : s_dateColors, s_skin.Rect(kDate));
    painter.Image(m_disclosureButton, s_skin.Rect(kDisclosureButton));
    painter.Line(m_line, s_skin.Rect(kLine));
    return 1;
}

int ChatListTable::OnPenUp(int x, int y) {
    if (QeTableView::OnPenUp(x, y) == 0) return 0;
    const int32_t selected = GetSelection();
    const TableItem* row = GetItem(selected);
    ChatSession* chat = ChatAt(selected);
    POINT inRow{0, 0};
    if (row == nullptr || row->kind == TableItem::kHeader || chat == nullptr ||
        !PointToItem(selected, POINT{x, y}, inRow)) {
        return 1;
    }
    if (inRow.x <= DisclosureThreshold()) {
        OpenChat(*chat);
    } else {
        OpenParticipants(*chat);
    }
    return 1;
}

void ChatListTable::OpenChat(ChatSession& chat) {
    MessengerApp* app = MessengerApp::Instance();
    ChatPage* page = ChatPageOf(&chat);
    if (app != nullptr && page != nullptr) app->SwitchView(page, kSwitchCoverUpwards, false);
}

void ChatListTable::OpenParticipants(ChatSession& chat) {
    MessengerApp* app = MessengerApp::Instance();
    if (app == nullptr) return;
    app->ChatInfo().Table().SetSession(&chat);
    app->ChatInfo().Table().Refresh();
    app->SwitchView(&app->ChatInfo(), kSwitchPushLeftwards, false);
}
