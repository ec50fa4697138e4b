#include "app/screens/buddies/BuddyTable.h"

#include "app/screens/buddies/BuddyListRows.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/Options.h"

uint32_t BuddyTable::ViewType() { return Options::Instance() != nullptr ? Options::Instance()->ViewType : 3; }

void BuddyTable::FillRows(uint32_t sortType) {
    RemoveAllItems();
    InvalidateItems(-1, -1);
    BuddyListRows rows;
    RebuildRows(rows, std::wstring(), sortType, ViewType());
    BuddyRoster* roster = BuddyRoster::Instance();
    BuddyGroupList* groups = BuddyGroupList::Instance();
    // Read once for the whole list: a look-up in the skin per row would cost more than the row.
    const int32_t height = m_look.ItemHeight();
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
}

void BuddyTable::RemoveRows() {
    RemoveAllItems();
    SetFilter(std::wstring());
    InvalidateItems(-1, -1);
}

void BuddyTable::RedrawBuddyRows(const Buddy* buddy) {
    if (!IsVisible()) return;
    for (int32_t i = 0; i < GetItemCount(); ++i) {
        const TableItem* row = GetItem(i);
        if (row->kind == TableItem::kItem && UserValue<const Buddy>(row) == buddy) InvalidateItem(i);
    }
}

int BuddyTable::DrawBackground(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(m_look.BackColor(), rect);
    return 1;
}

bool BuddyTable::MatchesFilter(const TableItem& row, const std::wstring& text) { return MatchesBuddyFilter(row, text); }

int BuddyTable::DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) {
    const TableItem* row = GetItem(index);
    if (surface == nullptr || row == nullptr) return 1;
    QeCell cell(*this, *surface, index, clip, inRow);
    TableRowPainter painter = m_look.Painter(cell, index == GetSelection());
    if (row->kind == TableItem::kItem) {
        if (const Buddy* buddy = UserValue<const Buddy>(row)) DrawBuddyRow(painter, *buddy);
    } else if (row->kind == TableItem::kHeader) {
        if (const BuddyGroup* group = UserValue<const BuddyGroup>(row)) {
            m_look.DrawGroup(painter, HeaderCaption(*group), row->expanded);
        }
    }
    m_look.DrawLine(painter);
    return 1;
}
