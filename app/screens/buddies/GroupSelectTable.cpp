#include "app/screens/buddies/GroupSelectTable.h"

#include <algorithm>

#include "framework/base/QeStrings.h"
#include "messenger/model/BuddyGroupList.h"

ClassSkin GroupSelectTable::s_skin;

#define VIEW_PATH(element) {L"GroupSelect", L"View", element}

bool GroupSelectTable::Create() {
    s_skin.Load(m_selectionBar, VIEW_PATH(L"SelectionBar"));
    s_skin.Load(m_line, VIEW_PATH(L"Line"));
    s_skin.Load(m_radioUnchecked, VIEW_PATH(L"RadioBoxUnchecked"));
    s_skin.Load(m_radioChecked, VIEW_PATH(L"RadioBoxChecked"));
    s_skin.Load(m_groupName, VIEW_PATH(L"GroupName"));
    return true;
}

void GroupSelectTable::Refresh() {
    RemoveAllItems();
    m_names.clear();
    if (BuddyGroupList* groups = BuddyGroupList::Instance()) {
        groups->ForEach([&](BuddyGroup& group) { m_names.push_back(group.Name); });
    }
    std::sort(m_names.begin(), m_names.end(), QeStrings::LessUtf16);
    const std::wstring wanted = m_selectedName.empty() ? std::wstring(L"기타") : m_selectedName;
    const auto found = std::find(m_names.begin(), m_names.end(), wanted);
    m_checkedRow = found != m_names.end() ? static_cast<int32_t>(found - m_names.begin()) : -1;
    const int height = s_skin.ItemHeight({L"GroupSelect", L"View"});
    for (size_t i = 0; i < m_names.size(); ++i) AddItem(TableItem(TableItem::kItem, height));
    FinishAnimation();
}

void GroupSelectTable::OnVisibleChanged(bool visible) {
    if (visible) Refresh();
}

int GroupSelectTable::OnPenUp(int x, int y) {
    if (QeTableView::OnPenUp(x, y) == 0) return 0;
    const int32_t selected = GetSelection();
    const TableItem* row = GetItem(selected);
    if (row == nullptr || row->kind != TableItem::kItem || selected >= static_cast<int32_t>(m_names.size())) return 1;
    InvalidateItem(m_checkedRow);
    InvalidateItem(selected);
    m_checkedRow = selected;
    m_selectedName = m_names[static_cast<size_t>(selected)];
    return 1;
}

int GroupSelectTable::DrawBackground(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor({L"GroupSelect", L"View"}), rect);
    return 1;
}

int GroupSelectTable::DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) {
    if (surface == nullptr || index < 0 || index >= static_cast<int32_t>(m_names.size())) return 1;
    QeCell cell(*this, *surface, index, clip, inRow);
    TableRowPainter painter(cell, index == GetSelection(), s_skin.BackColor({L"GroupSelect", L"View"}),
                            m_selectionBar, s_skin.Rect(VIEW_PATH(L"SelectionBar")));
    if (index == m_checkedRow) {
        painter.Image(m_radioChecked, s_skin.Rect(VIEW_PATH(L"RadioBoxChecked")));
    } else {
        painter.Image(m_radioUnchecked, s_skin.Rect(VIEW_PATH(L"RadioBoxUnchecked")));
    }
    BuddyGroupList* groups = BuddyGroupList::Instance();
    const BuddyGroup* group = groups != nullptr ? groups->FindGroupByName(m_names[static_cast<size_t>(index)]) : nullptr;
    m_groupName.SetText(group != nullptr ? group->Name : std::wstring());
    painter.Text(m_groupName, s_skin.Rect(VIEW_PATH(L"GroupName")));
    painter.Line(m_line, s_skin.Rect(VIEW_PATH(L"Line")));
    return 1;
}
