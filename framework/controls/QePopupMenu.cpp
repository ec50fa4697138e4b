#include "framework/controls/QePopupMenu.h"

#include "framework/controls/QeControlDrawing.h"
#include "framework/ui/view/QePopupHolder.h"

int QePopupMenuList::OnPenUp(int x, int y) {
    const int answer = QeTableView::OnPenUp(x, y);
    // The menu may close here; it is freed only once the pen-up message has been handled.
    if (GetSelection() >= 0 && QePenInside(*this, x, y)) m_owner.OnMenuItemClicked(GetSelection());
    return answer;
}

int QePopupMenuList::DrawBackground(QeSurface* surface, const RECT& rect) {
    return m_owner.DrawMenuBackground(surface, rect);
}

int QePopupMenuList::DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) {
    return m_owner.DrawMenuItem(surface, index, clip, inRow);
}

QePopupMenu::QePopupMenu() : m_list(*this) {
    m_layout.SetMargins(kMargin);
    m_layout.Add(&m_list, nullptr, nullptr, nullptr, nullptr, 1.0f, 1.0f, false, false);
    AddChild(&m_list);
    m_list.SetVisible(true);
    m_list.IndicatorY().SetThickness(kIndicatorThickness);
    m_list.IndicatorY().SetMargin(0);
    if (QePopupHolder* holder = QePopupHolder::Instance()) holder->cover = &m_list;
}

QePopupMenu::~QePopupMenu() {
    QePopupHolder* holder = QePopupHolder::Instance();
    if (holder != nullptr && holder->cover == &m_list) holder->cover = nullptr;
}

void QePopupMenu::OnRectChanged(const RECT& rect) {
    QePopup::OnRectChanged(rect);
    m_layout.Apply(rect.right - rect.left, rect.bottom - rect.top);
}

int QePopupMenu::DrawMenuBackground(QeSurface*, const RECT&) { return 1; }

int QePopupMenu::DrawMenuItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) {
    return m_list.QeTableView::DrawItem(surface, index, clip, inRow);
}

void QePopupMenu::OnMenuItemClicked(int32_t index) {
    const TableItem* row = m_list.GetItem(index);
    if (row != nullptr && row->kind != TableItem::kHeader) Close(1);
}
