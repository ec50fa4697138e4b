#include "app/screens/buddies/BuddyRequestInfoTable.h"

#include "app/MessengerApp.h"
#include "app/screens/TableRowPainter.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"

ClassSkin BuddyRequestInfoTable::s_skin;

namespace {

#define VIEW_PATH(element) {L"BuddyRequestInfo", L"View", element}

CaptionColors s_captionColors;

}  // namespace

bool BuddyRequestInfoTable::Create() {
    const bool stale = s_skin.Stale();
    s_skin.Load(m_selectionBar, VIEW_PATH(L"SelectionBar"));
    s_skin.Load(m_line, VIEW_PATH(L"Line"));
    s_skin.Load(m_lText, VIEW_PATH(L"LText"));
    s_skin.Load(m_rText, VIEW_PATH(L"RText"));
    s_skin.Load(m_disclosureButton, VIEW_PATH(L"DisclosureButton"));
    const int height = s_skin.ItemHeight({L"BuddyRequestInfo", L"View"});
    if (stale) s_captionColors = CaptionColors::Read(VIEW_PATH(L"LText"));
    s_skin.MarkRead();
    if (GetItemCount() == 0) {
        for (int32_t i = kNameRow; i <= kGroupRow; ++i) AddItem(TableItem(TableItem::kItem, height));
        FinishAnimation();
    }
    return true;
}

void BuddyRequestInfoTable::SetRequest(Buddy* requester, BuddyGroup* group) {
    m_requester = requester;
    SetGroup(group);
}

void BuddyRequestInfoTable::SetGroup(BuddyGroup* group) {
    m_group = group;
    InvalidateItems(-1, -1);
}

int BuddyRequestInfoTable::OnPenUp(int x, int y) {
    if (QeTableView::OnPenUp(x, y) == 0) return 0;
    MessengerApp* app = MessengerApp::Instance();
    if (GetSelection() != kGroupRow || app == nullptr) return 1;
    // The chooser hands its choice back through SetGroup when it is left.
    app->GroupSelect().Open(GroupSelectPage::kModeRequest, m_requester != nullptr ? m_requester->Name : std::wstring(),
                            m_requester, std::wstring());
    app->SwitchView(&app->GroupSelect(), kSwitchPushLeftwards, false);
    return 1;
}

int BuddyRequestInfoTable::DrawBackground(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor({L"BuddyRequestInfo", L"View"}), rect);
    return 1;
}

int BuddyRequestInfoTable::DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) {
    if (surface == nullptr || GetItem(index) == nullptr) return 1;
    QeCell cell(*this, *surface, index, clip, inRow);
    const bool selected = index == GetSelection();
    TableRowPainter painter(cell, selected, s_skin.BackColor({L"BuddyRequestInfo", L"View"}), m_selectionBar,
                            s_skin.Rect(VIEW_PATH(L"SelectionBar")));
    switch (index) {
        case kNameRow:
            m_lText.SetText(L"이름");
            m_rText.SetText(m_requester != nullptr ? m_requester->Name : std::wstring());
            break;
        case kIdRow:
            m_lText.SetText(L"ID");
            m_rText.SetText(m_requester != nullptr ? m_requester->Id : std::wstring());
            break;
        case kGroupRow:
            m_lText.SetText(L"그룹");
            m_rText.SetText(m_group != nullptr ? m_group->Name : std::wstring());
            painter.Image(m_disclosureButton, s_skin.Rect(VIEW_PATH(L"DisclosureButton")));
            break;
        default: return 1;
    }
    painter.Caption(m_lText, s_captionColors, s_skin.Rect(VIEW_PATH(L"LText")));
    painter.Text(m_rText, s_skin.Rect(VIEW_PATH(L"RText")));
    painter.Line(m_line, s_skin.Rect(VIEW_PATH(L"Line")));
    return 1;
}
