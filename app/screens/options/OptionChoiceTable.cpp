#include "app/screens/options/OptionChoiceTable.h"

#include <iterator>

#include "app/MessengerApp.h"
#include "app/screens/TableRowPainter.h"
#include "app/screens/common/Presence.h"
#include "framework/base/QeTrace.h"
#include "framework/ui/drawing/QeDC.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/Options.h"
#include "messenger/protocol/PresenceCommands.h"

ClassSkin OptionChoiceTable::s_skin;

namespace {

constexpr const wchar_t* kSection = L"Option";

constexpr uint32_t kRowCounts[] = {4, 2, 4, 2, 4, 3};
constexpr uint32_t kStatusRows[] = {0, 1, 4, 5};
constexpr const wchar_t* kScopeTexts[] = {L"로그인 알림", L"대화 알림", L"쪽지 알림"};

uint32_t ScopeBit(int32_t row) { return 1u << row; }

uint32_t OwnStatus() {
    const AccountInfo* account = AccountInfo::Instance();
    return account != nullptr ? account->Status : kPresenceUnknown;
}

// A change that never reaches the registry would be lost by a crash; it still holds for this run.
void Save() {
    Options* options = Options::Instance();
    if (options != nullptr && options->SaveOptions() == 0) {
        QeTrace(L"OptionChoiceTable::Apply, the options could not be saved; the change holds for this run.\n");
    }
}

}  // namespace

bool OptionChoiceTable::Create() {
    s_skin.Load(m_selectionBar, {kSection, L"View", L"SelectionBar"});
    s_skin.Load(m_line, {kSection, L"View", L"Line"});
    s_skin.Load(m_radioUnchecked, {kSection, L"View", L"RadioBoxUnchecked"});
    s_skin.Load(m_radioChecked, {kSection, L"View", L"RadioBoxChecked"});
    s_skin.Load(m_checkUnchecked, {kSection, L"View", L"CheckBoxUnchecked"});
    s_skin.Load(m_checkChecked, {kSection, L"View", L"CheckBoxChecked"});
    s_skin.Load(m_statusIcon, {kSection, L"View", L"StatusIcon"});
    s_skin.Load(m_text, {kSection, L"View", L"Text"});
    return true;
}

void OptionChoiceTable::Load(uint32_t kind) {
    m_kind = kind;
    RemoveAllItems();
    InvalidateItems(-1, -1);
    const uint32_t count = kind < std::size(kRowCounts) ? kRowCounts[kind] : 0;
    const int height = s_skin.ItemHeight({kSection, L"View"});
    for (uint32_t row = 0; row < count; ++row) AddItem(TableItem(TableItem::kItem, height));
    FinishAnimation();
}

uint32_t OptionChoiceTable::StatusOfRow(int32_t row) {
    return row >= 0 && row < static_cast<int32_t>(std::size(kStatusRows)) ? kStatusRows[row] : 0;
}

int32_t OptionChoiceTable::RowOfStatus(uint32_t status) {
    switch (status) {
        case 1: return 1;
        case 2:
        case 3:
        case 4: return 2;
        case 5: return 3;
        default: return 0;
    }
}

uint32_t* OptionChoiceTable::Setting(uint32_t kind) {
    Options* options = Options::Instance();
    if (options == nullptr) return nullptr;
    switch (kind) {
        case kChatType: return &options->ChatType;
        case kViewType: return &options->ViewType;
        case kSortType: return &options->SortType;
        case kNotifyType: return &options->NotifyType;
        default: return nullptr;
    }
}

std::wstring OptionChoiceTable::RowText(int32_t row) const {
    if (row < 0 || row >= GetItemCount()) return std::wstring();
    switch (m_kind) {
        case kOwnStatus: return PresenceLabel(StatusOfRow(row));
        case kChatType: return Options::ChatTypeLabel(row);
        case kViewType: return Options::ViewTypeLabel(row);
        case kSortType: return Options::SortTypeLabel(row);
        case kNotifyType: return Options::NotifyTypeLabel(row);
        case kNotifyScopes: return kScopeTexts[row];
        default: return std::wstring();
    }
}

bool OptionChoiceTable::RowChecked(int32_t row) const {
    if (row < 0 || row >= GetItemCount()) return false;
    if (m_kind == kOwnStatus) return RowOfStatus(OwnStatus()) == row;
    if (m_kind == kNotifyScopes) {
        const Options* options = Options::Instance();
        return options != nullptr && (options->NotifyScopes & ScopeBit(row)) != 0;
    }
    const uint32_t* value = Setting(m_kind);
    return value != nullptr && *value == static_cast<uint32_t>(row);
}

int OptionChoiceTable::DrawBackground(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor({kSection, L"View"}), rect);
    return 1;
}

int OptionChoiceTable::DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) {
    if (surface == nullptr) return 1;
    QeCell cell(*this, *surface, index, clip, inRow);
    TableRowPainter(cell, index == GetSelection(), s_skin.BackColor({kSection, L"View"}), m_selectionBar,
                    s_skin.Rect({kSection, L"View", L"SelectionBar"}));
    const bool checked = RowChecked(index);
    if (m_kind == kNotifyScopes) {
        const wchar_t* box = checked ? L"CheckBoxChecked" : L"CheckBoxUnchecked";
        cell.DrawImage(checked ? m_checkChecked : m_checkUnchecked, s_skin.Rect({kSection, L"View", box}));
    } else {
        const wchar_t* box = checked ? L"RadioBoxChecked" : L"RadioBoxUnchecked";
        cell.DrawImage(checked ? m_radioChecked : m_radioUnchecked, s_skin.Rect({kSection, L"View", box}));
    }
    m_text.SetText(RowText(index));
    if (m_kind == kOwnStatus) {
        m_statusIcon.SetSourceRect(PresenceIcon(StatusOfRow(index), 0));
        cell.DrawImage(m_statusIcon, s_skin.Rect({kSection, L"View", L"StatusIcon"}));
        cell.DrawText(m_text, s_skin.Rect({kSection, L"View", L"TextWithStatusIcon"}));
    } else {
        cell.DrawText(m_text, s_skin.Rect({kSection, L"View", L"Text"}));
    }
    cell.DrawImage(m_line, s_skin.Rect({kSection, L"View", L"Line"}));
    return 1;
}

int OptionChoiceTable::OnPenUp(int x, int y) {
    if (!QeTableView::OnPenUp(x, y)) return 0;
    const TableItem* row = GetItem(GetSelection());
    if (row != nullptr && row->kind != TableItem::kHeader) Apply(GetSelection());
    return 1;
}

void OptionChoiceTable::Apply(int32_t row) {
    if (m_kind == kOwnStatus) {
        InvalidateItem(RowOfStatus(OwnStatus()));
        InvalidateItem(row);
        SendOwnPresence(StatusOfRow(row));
        return;
    }
    if (m_kind == kNotifyScopes) {
        Options* options = Options::Instance();
        if (options == nullptr) return;
        options->NotifyScopes ^= ScopeBit(row);
        InvalidateItem(row);
        Save();
        return;
    }
    uint32_t* value = Setting(m_kind);
    if (value == nullptr) return;
    InvalidateItem(static_cast<int32_t>(*value));
    InvalidateItem(row);
    if (*value == static_cast<uint32_t>(row)) return;
    *value = static_cast<uint32_t>(row);
    Save();
    // The buddy rows are labelled and chosen by these two.
    MessengerApp* app = MessengerApp::Instance();
    if (app != nullptr && (m_kind == kViewType || m_kind == kSortType)) app->BuddyList().Table().Refresh();
}
