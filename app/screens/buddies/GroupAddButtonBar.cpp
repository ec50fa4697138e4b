#include "app/screens/buddies/GroupAddButtonBar.h"

#include "app/screens/buddies/FormSent.h"
#include "app/screens/common/MsgBox.h"
#include "framework/ui/drawing/QeDC.h"
#include "messenger/protocol/BuddyCommands.h"

ClassSkin GroupAddButtonBar::s_skin;

namespace {
constexpr const wchar_t* kSection = L"GroupAdd";
}

bool GroupAddButtonBar::Create() {
    AddChild(&m_addButton);
    s_skin.Load(m_addButton, {kSection, L"ButtonBar", L"AddButton"});
    s_skin.BackColor({kSection, L"ButtonBar"});
    s_skin.MarkRead();
    return true;
}

void GroupAddButtonBar::OnRectChanged(const RECT&) {
    m_addButton.SetRect(s_skin.Rect({kSection, L"ButtonBar", L"AddButton"}));
}

void GroupAddButtonBar::OnVisibleChanged(bool visible) { m_addButton.SetVisible(visible); }

int GroupAddButtonBar::OnNotify(QeWindow* child, int code) {
    if (child == &m_addButton && code == kNotifyClick) AddGroup();
    return 1;
}

int GroupAddButtonBar::Draw(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor({kSection, L"ButtonBar"}), rect);
    return 1;
}

void GroupAddButtonBar::AddGroup() {
    const std::wstring name = m_nameView.GroupName().GetText();
    if (name.empty()) {
        MsgBox::Alert(L"그룹 이름을 입력하세요.");
        return;
    }
    SendGroupAdd(name);
    GoBackFromSentForm();
}
