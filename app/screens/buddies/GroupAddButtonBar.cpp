#include "app/screens/buddies/GroupAddButtonBar.h"

#include "app/screens/buddies/FormSent.h"
#include "app/screens/common/MsgBox.h"
#include "messenger/protocol/BuddyCommands.h"

ClassSkin GroupAddButtonBar::s_skin;

int GroupAddButtonBar::OnNotify(QeWindow* child, int code) {
    if (child == &m_addButton && code == kNotifyClick) AddGroup();
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
