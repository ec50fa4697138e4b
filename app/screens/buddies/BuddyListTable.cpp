#include "app/screens/buddies/BuddyListTable.h"

#include <cstdio>

#include "app/MessengerApp.h"
#include "app/screens/buddies/BuddyListRows.h"
#include "app/screens/buddies/OpenChatWithBuddy.h"
#include "framework/base/QeMarkup.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/Options.h"

ClassSkin BuddyListTable::s_skin;

namespace {

// Tevrik/BuddyList/View/<element>.
#define VIEW_PATH(element) {L"BuddyList", L"View", element}

uint32_t SortType() { return Options::Instance() != nullptr ? Options::Instance()->SortType : 0; }

}  // namespace

bool BuddyListTable::Create() {
    m_look.Load(s_skin, L"BuddyList");
    s_skin.Load(m_disclosureButton, VIEW_PATH(L"DisclosureButton"));
    return true;
}

int BuddyListTable::ChatTapThreshold() {
    return TableRowPainter::TapThreshold(s_skin.Rect(VIEW_PATH(L"DisclosureButton")));
}

int32_t BuddyListTable::RowHeight() const { return m_look.ItemHeight(); }

// ---- rows

int BuddyListTable::Refresh() {
    FillRows(SortType());
    // New rows follow the search the user typed.
    if (!FilterText().empty()) SetFilter(FilterText());
    return 1;
}

std::wstring BuddyListTable::HeaderText(const BuddyGroup& group) {
    return group.Name + L" (" + std::to_wstring(group.OnlineCount()) + L"/" + std::to_wstring(group.MemberCount()) + L")";
}

int BuddyListTable::UpdateBuddyRow(const Buddy* buddy) {
    if (buddy == nullptr) return 1;
    BuddyGroupList* groups = BuddyGroupList::Instance();
    const uint32_t sortType = SortType();
    if (sortType == 0) {
        RedrawBuddyRows(buddy);
    } else if (sortType == 1 && groups != nullptr) {
        bool inserted = false;
        groups->ForEach([&](BuddyGroup& group) {
            if (!group.Contains(buddy->Key)) return;
            // A row still animating out, from an earlier notice or another group, would move every
            // index after it by one.
            FinishAnimation();
            const int32_t g = FindGroupRow(group.Id);
            if (g < 0) return;
            int32_t r = -1;
            const int32_t t = PlaceInGroup(*buddy, g, &r);
            if (buddy->Status == kPresenceOffline) {
                if (r >= 0) RemoveItem(r);
                return;
            }
            if (r == t) {
                if (IsVisible()) InvalidateItem(r);
                return;
            }
            if (r >= 0) {
                RemoveItem(r);
                // The row must be gone before the count decides where the new one goes, or a place
                // at the end is refused as out of range.
                FinishAnimation();
            }
            AddBuddyRow(const_cast<Buddy*>(buddy), t);
            inserted = true;
        });
        if (inserted && !FilterText().empty()) SetFilter(FilterText());
    }
    InvalidateGroupHeaders(*buddy);
    return 1;
}

int32_t BuddyListTable::PlaceInGroup(const Buddy& buddy, int32_t header, int32_t* current) const {
    // The rows the table shows are counted, not the group's members in the model: a buddy whose
    // notice is still to come has no row yet, and counting it would put this one a row too low.
    *current = -1;
    int32_t end = header + 1;
    for (; end < GetItemCount() && GetItem(end)->kind == TableItem::kItem; ++end) {
        if (*current < 0 && UserValue<const Buddy>(GetItem(end)) == &buddy) *current = end;
    }
    // Every row but the buddy's own (whose name may just have changed) stands where a refresh put
    // it, so those ordering before the buddy are a run at the group's start: halving finds its end
    // without reading the names of a whole large group.
    const auto other = [&](int32_t k) {
        const int32_t i = header + 1 + k;
        return *current >= 0 && i >= *current ? i + 1 : i;
    };
    const uint32_t viewType = ViewType();
    int32_t low = 0;
    int32_t high = end - header - 1 - (*current >= 0 ? 1 : 0);
    while (low < high) {
        const int32_t mid = low + (high - low) / 2;
        const Buddy* shown = UserValue<const Buddy>(GetItem(other(mid)));
        const bool before = shown == nullptr || MemberOrdersBefore(shown, shown->Key, &buddy, buddy.Key, viewType);
        if (before) {
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    return header + 1 + low;
}

void BuddyListTable::InvalidateGroupHeaders(const Buddy& buddy) {
    if (!IsVisible()) return;
    for (int32_t i = 0; i < GetItemCount(); ++i) {
        const TableItem* row = GetItem(i);
        if (row->kind != TableItem::kHeader) continue;
        const BuddyGroup* group = UserValue<BuddyGroup>(row);
        if (group != nullptr && group->Contains(buddy.Key)) InvalidateItem(i);
    }
}

void BuddyListTable::AddGroupRow(BuddyGroup* group, int32_t index) {
    AddRow(TableItem::kHeader, reinterpret_cast<uintptr_t>(group), RowHeight(), index);
}

void BuddyListTable::AddBuddyRow(Buddy* buddy, int32_t index) {
    AddRow(TableItem::kItem, reinterpret_cast<uintptr_t>(buddy), RowHeight(), index);
}

void BuddyListTable::AddRow(uint32_t kind, uintptr_t model, int32_t height, int32_t index) {
    TableItem row(kind, height);
    row.userValue = model;
    if (index >= 0 && index < GetItemCount()) {
        InsertItem(row, index);
    } else {
        AddItem(row);
    }
}

int32_t BuddyListTable::FindGroupRow(const std::wstring& groupId) const {
    for (int32_t i = 0; i < GetItemCount(); ++i) {
        const TableItem* row = GetItem(i);
        const BuddyGroup* group = row->kind == TableItem::kHeader ? UserValue<BuddyGroup>(row) : nullptr;
        if (group != nullptr && group->Id == groupId) return i;
    }
    return -1;
}

int32_t BuddyListTable::FindBuddyRow(const Buddy* buddy, int32_t start) const {
    if (buddy == nullptr) return -1;
    for (int32_t i = start < 0 ? 0 : start; i < GetItemCount(); ++i) {
        const TableItem* row = GetItem(i);
        if (row->kind != TableItem::kItem) {
            if (start >= 0) return -1;
            continue;
        }
        const Buddy* shown = UserValue<Buddy>(row);
        if (shown != nullptr && shown->Id == buddy->Id) return i;
    }
    return -1;
}

// ---- taps

int BuddyListTable::OnPenUp(int x, int y) {
    if (QeTableView::OnPenUp(x, y) == 0) return 0;
    const int32_t selected = GetSelection();
    const TableItem* row = GetItem(selected);
    if (row == nullptr || row->kind != TableItem::kItem) return 1;
    POINT inRow{};
    if (!PointToItem(selected, POINT{x, y}, inRow)) return 1;
    Buddy* buddy = UserValue<Buddy>(row);
    if (buddy == nullptr) return 1;
    if (inRow.x <= ChatTapThreshold()) {
        OpenChatWithBuddy(*buddy, true);
    } else {
        OpenProfile();
    }
    return 1;
}

void BuddyListTable::OpenProfile() {
    const int32_t selected = GetSelection();
    Buddy* buddy = UserValue<Buddy>(GetItem(selected));
    MessengerApp* app = MessengerApp::Instance();
    if (buddy == nullptr || app == nullptr) return;
    BuddyGroup* group = UserValue<BuddyGroup>(GetItem(FindGroupHeader(selected)));
    app->BuddyProfile().SetBuddy(buddy, group);
    app->SwitchView(&app->BuddyProfile(), kSwitchPushLeftwards, false);
}

// ---- drawing

void BuddyListTable::DrawBuddyRow(TableRowPainter& painter, const Buddy& buddy) {
    m_look.DrawBuddy(painter, buddy, ViewType());
    painter.Image(m_disclosureButton, s_skin.Rect(VIEW_PATH(L"DisclosureButton")));
}

std::wstring BuddyListTable::HeaderCaption(const BuddyGroup& group) const { return HeaderText(group); }
