#include "app/screens/buddies/BuddyRequestListTable.h"

#include <algorithm>

#include "app/MessengerApp.h"
#include "app/screens/TableRowPainter.h"
#include "app/screens/common/Presence.h"
#include "framework/base/QeStrings.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"

ClassSkin BuddyRequestListTable::s_skin;

namespace {

#define VIEW_PATH(element) {L"BuddyRequestList", L"View", element}

constexpr uint32_t kRequestOnly = 8;  // RL and nothing else: a request the user has not answered
const wchar_t kRequestGroupId[] = L"0";

CaptionColors s_idColors;

Buddy* FindById(const std::wstring& id) {
    BuddyRoster* roster = BuddyRoster::Instance();
    return roster != nullptr ? roster->Find(id) : nullptr;
}

}  // namespace

bool RequestLessByName(const std::wstring& a, const std::wstring& b) {
    const Buddy* left = FindById(a);
    const Buddy* right = FindById(b);
    if (left == nullptr || right == nullptr) return left == nullptr && right != nullptr;
    return QeStrings::LessUtf16(left->Name, right->Name);
}

bool BuddyRequestListTable::Create() {
    const bool stale = s_skin.Stale();
    AddChild(&m_helpText);
    s_skin.Load(m_selectionBar, VIEW_PATH(L"SelectionBar"));
    s_skin.Load(m_line, VIEW_PATH(L"Line"));
    s_skin.Load(m_buddyIcon, VIEW_PATH(L"BuddyIcon"));
    s_skin.Load(m_buddyName, VIEW_PATH(L"BuddyName"));
    s_skin.Load(m_buddyId, VIEW_PATH(L"BuddyId"));
    s_skin.Load(m_disclosureButton, VIEW_PATH(L"DisclosureButton"));
    ScreenSkin::Load(m_helpText, VIEW_PATH(L"HelpText"));
    if (stale) s_idColors = CaptionColors::Read(VIEW_PATH(L"BuddyId"));
    s_skin.MarkRead();
    return true;
}

void BuddyRequestListTable::ShowHelpText() {
    m_helpText.SetVisible(m_requests.empty());
    m_helpText.Invalidate(RECT{0, 0, 0, 0}, true);
}

void BuddyRequestListTable::Rebuild() {
    m_requests.clear();
    if (BuddyRoster* roster = BuddyRoster::Instance()) {
        roster->ForEach([&](Buddy& buddy) {
            if (buddy.ListFlags == kRequestOnly) m_requests.push_back(buddy.Id);
        });
    }
    ShowHelpText();
    // Most requesters have no name yet (a notice brings none): equal names keep the roster order.
    std::stable_sort(m_requests.begin(), m_requests.end(), RequestLessByName);
    RemoveAllItems();
    const int height = s_skin.ItemHeight({L"BuddyRequestList", L"View"});
    for (size_t i = 0; i < m_requests.size(); ++i) AddItem(TableItem(TableItem::kItem, height));
    FinishAnimation();
    InvalidateItems(-1, -1);
}

void BuddyRequestListTable::OnVisibleChanged(bool) { ShowHelpText(); }

void BuddyRequestListTable::OnRectChanged(const RECT& rect) {
    QeTableView::OnRectChanged(rect);
    m_helpText.SetRect(RECT{0, 0, rect.right - rect.left, rect.bottom - rect.top});
}

int BuddyRequestListTable::OnPenUp(int x, int y) {
    if (QeTableView::OnPenUp(x, y) == 0) return 0;
    const TableItem* row = GetItem(GetSelection());
    if (row != nullptr && row->kind == TableItem::kItem) OpenRequest();
    return 1;
}

void BuddyRequestListTable::OpenRequest() {
    const int32_t selected = GetSelection();
    if (selected < 0 || static_cast<size_t>(selected) >= m_requests.size()) return;
    Buddy* requester = FindById(m_requests[static_cast<size_t>(selected)]);
    BuddyGroupList* groups = BuddyGroupList::Instance();
    BuddyGroup* group = groups != nullptr ? groups->FindEntry(kRequestGroupId) : nullptr;
    MessengerApp* app = MessengerApp::Instance();
    if (requester == nullptr || group == nullptr || app == nullptr) return;
    app->BuddyRequestInfo().Table().SetRequest(requester, group);
    app->SwitchView(&app->BuddyRequestInfo(), kSwitchPushLeftwards, false);
}

int BuddyRequestListTable::DrawBackground(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor({L"BuddyRequestList", L"View"}), rect);
    return 1;
}

int BuddyRequestListTable::DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) {
    if (surface == nullptr || GetItem(index) == nullptr) return 1;
    QeCell cell(*this, *surface, index, clip, inRow);
    const bool selected = index == GetSelection();
    TableRowPainter painter(cell, selected, s_skin.BackColor({L"BuddyRequestList", L"View"}), m_selectionBar,
                            s_skin.Rect(VIEW_PATH(L"SelectionBar")));
    TableRowPainter::SetTextColor(m_buddyId, selected ? s_idColors.selected : s_idColors.normal);
    const Buddy* buddy =
        index >= 0 && static_cast<size_t>(index) < m_requests.size() ? FindById(m_requests[static_cast<size_t>(index)]) : nullptr;
    if (buddy == nullptr) return 1;
    painter.Icon(m_buddyIcon, PresenceIcon(buddy->Status, buddy->ListFlags), s_skin.Rect(VIEW_PATH(L"BuddyIcon")));
    m_buddyName.SetText(buddy->Name);
    m_buddyId.SetText(buddy->Id);
    painter.Text(m_buddyName, s_skin.Rect(VIEW_PATH(L"BuddyName")));
    painter.Text(m_buddyId, s_skin.Rect(VIEW_PATH(L"BuddyId")));
    painter.Image(m_disclosureButton, s_skin.Rect(VIEW_PATH(L"DisclosureButton")));
    painter.Line(m_line, s_skin.Rect(VIEW_PATH(L"Line")));
    return 1;
}
