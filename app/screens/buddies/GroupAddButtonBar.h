// The add button under the group name; the status bar's GroupAddButton runs the same AddGroup.
#pragma once

#include "app/screens/buddies/GroupAddNameView.h"
#include "app/screens/common/SkinButtonBar.h"

class GroupAddButtonBar : public SkinButtonBar {
public:
    explicit GroupAddButtonBar(GroupAddNameView& nameView) : SkinButtonBar(L"GroupAdd", s_skin), m_nameView(nameView) {
        Place(m_addButton, L"AddButton");
    }

    int OnNotify(QeWindow* child, int code) override;

    // An empty name is refused with an alert; any other goes out as typed (ADDG) and the page
    // goes back. The field keeps its text.
    void AddGroup();

    QeButton& AddButton() { return m_addButton; }

private:
    GroupAddNameView& m_nameView;
    QeButton m_addButton;
    static ClassSkin s_skin;
};
