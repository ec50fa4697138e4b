// The request button under the buddy add form.
#pragma once

#include "app/screens/common/SkinButtonBar.h"

class BuddyAddButtonBar : public SkinButtonBar {
public:
    BuddyAddButtonBar() : SkinButtonBar(L"BuddyAdd", s_skin) { Place(m_requestButton, L"RequestButton"); }
    int OnNotify(QeWindow* child, int code) override;

    QeButton& RequestButton() { return m_requestButton; }

private:
    QeButton m_requestButton;
    static ClassSkin s_skin;
};
