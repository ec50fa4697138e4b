#include "app/screens/buddies/BuddySelectTable.h"

#include "app/screens/buddies/BuddyListRows.h"
#include "app/screens/buddies/BuddySelectPage.h"
#include "framework/base/QeMarkup.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/Options.h"

ClassSkin BuddySelectTable::s_skin;

namespace {

// Tevrik/BuddySelect/View/<element>.
#define VIEW_PATH(element) {L"BuddySelect", L"View", element}
const SkinPath kView{L"BuddySelect", L"View"};

uint32_t ViewType() { return Options::Instance() != nullptr ? Options::Instance()->ViewType : 3; }

// An invitation goes to connected buddies only, a memo to anyone; without a purpose the list is
// the user's.
uint32_t SortTypeFor(uint32_t mode) {
    if (mode == BuddySelectPage::kModeInvite) return 1;
    if (mode == BuddySelectPage::kModeRecipients) return 0;
    return Options::Instance() != nullptr ? Options::Instance()->SortType : 0;
}

template <class Model>
Model* UserValue(const TableItem* row) {
    return row != nullptr ? reinterpret_cast<Model*>(row->userValue) : nullptr;
}

}  // namespace

bool BuddySelectTable::Create() {
    m_look.Load(s_skin, L"BuddySelect");
    s_skin.Load(m_checkBoxUnchecked, VIEW_PATH(L"CheckBoxUnchecked"));
    s_skin.Load(m_checkBoxChecked, VIEW_PATH(L"CheckBoxChecked"));
    return true;
}

// ---- rows

bool BuddySelectTable::Refresh(uint32_t mode) {
    RemoveAllItems();
    InvalidateItems(-1, -1);
    BuddyListRows rows;
    RebuildRows(rows, std::wstring(), SortTypeFor(mode), ViewType());
    BuddyRoster* roster = BuddyRoster::Instance();
    BuddyGroupList* groups = BuddyGroupList::Instance();
    const int32_t height = ScreenSkin::ItemHeight(kView);
    for (const BuddyListRow& row : rows.rows) {
        uintptr_t model = 0;
        if (row.kind == BuddyListRow::kBuddy) {
            model = reinterpret_cast<uintptr_t>(roster != nullptr ? roster->FindEntry(row.key) : nullptr);
        } else {
            model = reinterpret_cast<uintptr_t>(groups != nullptr ? groups->FindEntry(row.key) : nullptr);
        }
        if (model == 0) continue;
        TableItem item(row.kind == BuddyListRow::kBuddy ? TableItem::kItem : TableItem::kHeader, height);
        item.userValue = model;
        AddItem(item);
    }
    return true;
}

void BuddySelectTable::RemoveRows() {
    RemoveAllItems();
    SetFilter(std::wstring());
    InvalidateItems(-1, -1);
}

void BuddySelectTable::RedrawBuddyRows(const Buddy* buddy) {
    for (int32_t i = 0; i < GetItemCount(); ++i) {
        const TableItem* row = GetItem(i);
        if (row->kind == TableItem::kItem && UserValue<const Buddy>(row) == buddy) InvalidateItem(i);
    }
}

// ---- taps

int BuddySelectTable::OnPenUp(int x, int y) {
    if (QeTableView::OnPenUp(x, y) == 0) return 0;
    const TableItem* row = GetItem(GetSelection());
    Buddy* buddy = row != nullptr && row->kind == TableItem::kItem ? UserValue<Buddy>(row) : nullptr;
    if (buddy == nullptr) return 1;
    buddy->Ticked = buddy->Ticked != 0 ? 0 : 1;
    RedrawBuddyRows(buddy);
    return 1;
}

// ---- drawing

int BuddySelectTable::DrawBackground(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor(kView), rect);
    return 1;
}

bool BuddySelectTable::MatchesFilter(const TableItem& row, const std::wstring& text) {
    return MatchesBuddyFilter(row, text);
}

int BuddySelectTable::DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) {
    const TableItem* row = GetItem(index);
    if (surface == nullptr || row == nullptr) return 1;
    QeCell cell(*this, *surface, index, clip, inRow);
    TableRowPainter painter = m_look.Painter(cell, index == GetSelection());
    if (row->kind == TableItem::kItem) {
        if (const Buddy* buddy = UserValue<const Buddy>(row)) {
            if (buddy->Ticked != 0) {
                painter.Image(m_checkBoxChecked, s_skin.Rect(VIEW_PATH(L"CheckBoxChecked")));
            } else {
                painter.Image(m_checkBoxUnchecked, s_skin.Rect(VIEW_PATH(L"CheckBoxUnchecked")));
            }
            m_look.DrawBuddy(painter, *buddy, ViewType());
        }
    } else if (row->kind == TableItem::kHeader) {
        if (const BuddyGroup* group = UserValue<const BuddyGroup>(row)) m_look.DrawGroup(painter, group->Name, row->expanded);
    }
    m_look.DrawLine(painter);
    return 1;
}
