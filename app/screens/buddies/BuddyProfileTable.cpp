#include "app/screens/buddies/BuddyProfileTable.h"

#include <cstdio>

#include "app/MessengerApp.h"
#include "app/screens/buddies/OpenChatWithBuddy.h"
#include "app/screens/common/Presence.h"
#include "framework/base/QeDateTime.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"

ClassSkin BuddyProfileTable::s_skin;
CaptionColors BuddyProfileTable::s_captionColors;

namespace {

#define VIEW_PATH(element) {L"BuddyProfile", L"View", element}

constexpr const wchar_t* kCaptions[BuddyProfileTable::kRowCount] = {
    L"이름", L"접속 상태", L"대화명", L"생일", L"이메일", L"휴대폰", L"그룹"};

}  // namespace

bool BuddyProfileTable::Create() {
    if (s_skin.Stale()) s_captionColors = CaptionColors::Read(VIEW_PATH(L"LText"));
    s_skin.Load(m_selectionBar, VIEW_PATH(L"SelectionBar"));
    s_skin.Load(m_line, VIEW_PATH(L"Line"));
    s_skin.Load(m_lText, VIEW_PATH(L"LText"));
    s_skin.Load(m_rText, VIEW_PATH(L"RText"));
    s_skin.Load(m_buddyIcon, VIEW_PATH(L"BuddyIcon"));
    s_skin.Load(m_chatIcon, VIEW_PATH(L"ChatIcon"));
    s_skin.Load(m_memoIcon, VIEW_PATH(L"MemoIcon"));
    s_skin.Load(m_disclosureButton, VIEW_PATH(L"DisclosureButton"));
    const int height = s_skin.ItemHeight({L"BuddyProfile", L"View"});
    s_skin.MarkRead();
    for (int32_t row = 0; row < kRowCount; ++row) AddItem(TableItem(TableItem::kItem, height));
    FinishAnimation();
    return true;
}

std::wstring BuddyProfileTable::RowCaption(int32_t row) {
    return row >= 0 && row < kRowCount ? std::wstring(kCaptions[row]) : std::wstring();
}

std::wstring BuddyProfileTable::BirthdayText(const std::wstring& profile6, uint8_t flag10) {
    if (profile6.empty()) return std::wstring();
    QeDateTime date;
    ParseDateTime(date, profile6, L"yyyyMMdd");
    if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31) return std::wstring();
    wchar_t text[64];
    std::swprintf(text, 64, L"%d월 %d일 %ls", date.month, date.day, flag10 != 0 ? L"(양력)" : L"(음력)");
    return text;
}

std::wstring BuddyProfileTable::RowValue(int32_t row) const {
    if (row == kGroupRow) return m_group != nullptr ? m_group->Name : std::wstring();
    if (m_buddy == nullptr) return std::wstring();
    switch (row) {
        case 0: return m_buddy->Name;
        case 1: return PresenceLabel(m_buddy->Status);
        case 2: return m_buddy->Nickname;
        case 3: return BirthdayText(m_buddy->Profile6, m_buddy->Flag10);
        case 4: return m_buddy->Id;
        case 5: return m_buddy->Profile1;
        default: return std::wstring();
    }
}

int BuddyProfileTable::IconThreshold(Threshold which) {
    static constexpr const wchar_t* kIcons[] = {L"ChatIcon", L"MemoIcon", L"PontaroIcon"};
    return TableRowPainter::TapThreshold(s_skin.Rect(VIEW_PATH(kIcons[which])));
}

int BuddyProfileTable::DrawBackground(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor({L"BuddyProfile", L"View"}), rect);
    return 1;
}

int BuddyProfileTable::DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) {
    if (surface == nullptr) return 1;
    QeCell cell(*this, *surface, index, clip, inRow);
    TableRowPainter painter(cell, index == GetSelection(), s_skin.BackColor({L"BuddyProfile", L"View"}),
                            m_selectionBar, s_skin.Rect(VIEW_PATH(L"SelectionBar")));
    if (index == kNameRow && m_buddy != nullptr) {
        if (m_buddy->Status != kPresenceOffline) painter.Image(m_chatIcon, s_skin.Rect(VIEW_PATH(L"ChatIcon")));
        painter.Image(m_memoIcon, s_skin.Rect(VIEW_PATH(L"MemoIcon")));
    } else if (index == 1 && m_buddy != nullptr) {
        painter.Icon(m_buddyIcon, PresenceIcon(m_buddy->Status, m_buddy->ListFlags),
                     s_skin.Rect(VIEW_PATH(L"BuddyIcon")));
    } else if (index == kGroupRow) {
        painter.Image(m_disclosureButton, s_skin.Rect(VIEW_PATH(L"DisclosureButton")));
    }
    m_lText.SetText(RowCaption(index));
    m_rText.SetText(RowValue(index));
    painter.Caption(m_lText, s_captionColors, s_skin.Rect(VIEW_PATH(L"LText")));
    painter.Text(m_rText, s_skin.Rect(VIEW_PATH(L"RText")));
    painter.Line(m_line, s_skin.Rect(VIEW_PATH(L"Line")));
    return 1;
}

int BuddyProfileTable::OnPenUp(int x, int y) {
    if (QeTableView::OnPenUp(x, y) == 0) return 0;
    const int32_t selected = GetSelection();
    const TableItem* row = GetItem(selected);
    if (row == nullptr || row->kind == TableItem::kHeader) return 1;
    POINT inRow{};
    if (!PointToItem(selected, POINT{x, y}, inRow)) return 1;
    if (selected == kNameRow) {
        if (inRow.x < IconThreshold(kChatThreshold)) return 1;
        if (inRow.x < IconThreshold(kMemoThreshold)) {
            OpenChat();
        } else if (inRow.x < IconThreshold(kEndThreshold)) {
            WriteMemo();
        }
    } else if (selected == kGroupRow) {
        OpenGroupSelect();
    }
    return 1;
}

void BuddyProfileTable::OpenChat() {
    if (m_buddy != nullptr) OpenChatWithBuddy(*m_buddy, false);
}

void BuddyProfileTable::WriteMemo() {
    MessengerApp* app = MessengerApp::Instance();
    if (app == nullptr || m_buddy == nullptr) return;
    MemoWriteForm& form = app->MemoWrite().Form();
    form.ResetNew();
    form.SetRecipients({m_buddy->Id});
    app->SwitchView(&app->MemoWrite(), kSwitchCoverUpwards, false);
}

void BuddyProfileTable::OpenGroupSelect() {
    MessengerApp* app = MessengerApp::Instance();
    if (app == nullptr) return;
    app->GroupSelect().Open(GroupSelectPage::kModeProfile, m_buddy != nullptr ? m_buddy->Name : std::wstring(),
                            m_buddy, std::wstring());
    app->SwitchView(&app->GroupSelect(), kSwitchPushLeftwards, false);
}
