#include "app/screens/buddies/BuddySelectTable.h"

#include "app/screens/buddies/BuddySelectPage.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/Options.h"

ClassSkin BuddySelectTable::s_skin;

namespace {

// Tevrik/BuddySelect/View/<element>.
#define VIEW_PATH(element) {L"BuddySelect", L"View", element}

// An invitation goes to connected buddies only, a memo to anyone; without a purpose the list is
// the user's.
uint32_t SortTypeFor(uint32_t mode) {
    if (mode == BuddySelectPage::kModeInvite) return 1;
    if (mode == BuddySelectPage::kModeRecipients) return 0;
    return Options::Instance() != nullptr ? Options::Instance()->SortType : 0;
}

}  // namespace

bool BuddySelectTable::Create() {
    m_look.Load(s_skin, L"BuddySelect");
    s_skin.Load(m_checkBoxUnchecked, VIEW_PATH(L"CheckBoxUnchecked"));
    s_skin.Load(m_checkBoxChecked, VIEW_PATH(L"CheckBoxChecked"));
    return true;
}

bool BuddySelectTable::Refresh(uint32_t mode) {
    FillRows(SortTypeFor(mode));
    return true;
}

int BuddySelectTable::OnPenUp(int x, int y) {
    if (QeTableView::OnPenUp(x, y) == 0) return 0;
    const TableItem* row = GetItem(GetSelection());
    Buddy* buddy = row != nullptr && row->kind == TableItem::kItem ? UserValue<Buddy>(row) : nullptr;
    if (buddy == nullptr) return 1;
    buddy->Ticked = buddy->Ticked != 0 ? 0 : 1;
    RedrawBuddyRows(buddy);
    return 1;
}

void BuddySelectTable::DrawBuddyRow(TableRowPainter& painter, const Buddy& buddy) {
    if (buddy.Ticked != 0) {
        painter.Image(m_checkBoxChecked, s_skin.Rect(VIEW_PATH(L"CheckBoxChecked")));
    } else {
        painter.Image(m_checkBoxUnchecked, s_skin.Rect(VIEW_PATH(L"CheckBoxUnchecked")));
    }
    m_look.DrawBuddy(painter, buddy, ViewType());
}

std::wstring BuddySelectTable::HeaderCaption(const BuddyGroup& group) const { return group.Name; }
