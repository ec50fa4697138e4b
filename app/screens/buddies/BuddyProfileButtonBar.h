// The profile's block and delete buttons. Each asks first; the answer acts on the buddy the page
// shows when it comes, which may be none by then (a log-out in between).
#pragma once

#include "app/screens/common/SkinButtonBar.h"

class BuddyProfileButtonBar : public SkinButtonBar {
public:
    BuddyProfileButtonBar() : SkinButtonBar(L"BuddyProfile", s_skin) {
        Place(m_blockButton, L"BlockButton");
        Place(m_deleteButton, L"DeleteButton");
    }

    int Draw(QeSurface* surface, const RECT& rect) override;
    int OnNotify(QeWindow* child, int code) override;

    QeButton& BlockButton() { return m_blockButton; }
    QeButton& DeleteButton() { return m_deleteButton; }

    // The confirmations' answers; each acts on Yes (2) only.
    static void UnblockBuddy(int result);
    static void BlockBuddy(int result);
    static void DeleteBuddy(int result);

private:
    QeButton m_blockButton;
    QeButton m_deleteButton;
    static ClassSkin s_skin;
};
