#include "app/screens/options/OptionListTable.h"

#include "app/MessengerApp.h"
#include "app/screens/common/Presence.h"
#include "app/screens/options/OptionChoiceTable.h"
#include "framework/ui/drawing/QeDC.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/Options.h"

ClassSkin OptionListTable::s_skin;
CaptionColors OptionListTable::s_captionColors;

namespace {

constexpr const wchar_t* kSection = L"OptionList";

// The option page's kind for each row; the nickname and service information rows have pages of
// their own.
constexpr int32_t kNickRow = 1;
constexpr int32_t kServiceInfoRow = 7;
using Kind = OptionChoiceTable::OptionKind;
constexpr uint32_t kRowKinds[OptionListTable::kRowCount] = {
    Kind::kOwnStatus, Kind::kNone, Kind::kChatType, Kind::kViewType, Kind::kSortType, Kind::kNotifyType,
    Kind::kNotifyScopes, Kind::kNone};

constexpr const wchar_t* kLabels[OptionListTable::kRowCount] = {
    L"내 상태", L"내 대화명", L"대화 방식", L"보기 방식", L"정렬 방식", L"알림 방식", L"알림 범위", L"시스템 정보"};


}  // namespace

bool OptionListTable::Create() {
    if (s_skin.Stale()) s_captionColors = CaptionColors::Read({kSection, L"View", L"LText"});
    s_skin.Load(m_selectionBar, {kSection, L"View", L"SelectionBar"});
    s_skin.Load(m_line, {kSection, L"View", L"Line"});
    s_skin.Load(m_lText, {kSection, L"View", L"LText"});
    s_skin.Load(m_rText, {kSection, L"View", L"RText"});
    s_skin.Load(m_disclosure, {kSection, L"View", L"DisclosureButton"});
    const int height = s_skin.ItemHeight({kSection, L"View"});
    s_skin.MarkRead();
    for (int32_t row = 0; row < kRowCount; ++row) AddItem(TableItem(TableItem::kItem, height));
    FinishAnimation();
    return true;
}

std::wstring OptionListTable::RowLabel(int32_t row) {
    return row >= 0 && row < kRowCount ? std::wstring(kLabels[row]) : std::wstring();
}

std::wstring OptionListTable::RowValue(int32_t row) {
    const Options* options = Options::Instance();
    const AccountInfo* account = AccountInfo::Instance();
    switch (row) {
        case 0: return PresenceLabel(account != nullptr ? account->Status : kPresenceUnknown);
        case 1: return account != nullptr ? account->Nickname : std::wstring();
        case 2: return options != nullptr ? Options::ChatTypeLabel(options->ChatType) : std::wstring();
        case 3: return options != nullptr ? Options::ViewTypeLabel(options->ViewType) : std::wstring();
        case 4: return options != nullptr ? Options::SortTypeLabel(options->SortType) : std::wstring();
        case 5: return options != nullptr ? Options::NotifyTypeLabel(options->NotifyType) : std::wstring();
        case 6: return options != nullptr ? Options::NotifyScopesLabel(options->NotifyScopes) : std::wstring();
        default: return std::wstring();
    }
}

int OptionListTable::DrawBackground(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor({kSection, L"View"}), rect);
    return 1;
}

int OptionListTable::DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) {
    if (surface == nullptr) return 1;
    QeCell cell(*this, *surface, index, clip, inRow);
    TableRowPainter painter(cell, index == GetSelection(), s_skin.BackColor({kSection, L"View"}), m_selectionBar,
                            s_skin.Rect({kSection, L"View", L"SelectionBar"}));
    m_lText.SetText(RowLabel(index));
    m_rText.SetText(RowValue(index));
    painter.Caption(m_lText, s_captionColors, s_skin.Rect({kSection, L"View", L"LText"}));
    cell.DrawText(m_rText, s_skin.Rect({kSection, L"View", L"RText"}));
    cell.DrawImage(m_disclosure, s_skin.Rect({kSection, L"View", L"DisclosureButton"}));
    cell.DrawImage(m_line, s_skin.Rect({kSection, L"View", L"Line"}));
    return 1;
}

int OptionListTable::OnPenUp(int x, int y) {
    if (!QeTableView::OnPenUp(x, y)) return 0;
    const TableItem* row = GetItem(GetSelection());
    if (row != nullptr && row->kind != TableItem::kHeader) OpenRow(GetSelection());
    return 1;
}

void OptionListTable::OpenRow(int32_t row) {
    MessengerApp* app = MessengerApp::Instance();
    if (app == nullptr || row < 0 || row >= kRowCount) return;
    if (row == kNickRow) {
        app->SwitchView(&app->OptionNick(), kSwitchPushLeftwards, false);
    } else if (row == kServiceInfoRow) {
        app->SwitchView(&app->OptionServiceInfo(), kSwitchPushLeftwards, false);
    } else {
        app->Option().Table().Load(kRowKinds[row]);
        app->SwitchView(&app->Option(), kSwitchPushLeftwards, false);
    }
}
