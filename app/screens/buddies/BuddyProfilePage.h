// A buddy's profile: the seven rows and the block and delete buttons.
#pragma once

#include "app/screens/buddies/BuddyProfileButtonBar.h"
#include "app/screens/buddies/BuddyProfileTable.h"
#include "app/screens/common/ViewAndBarPage.h"

class Buddy;
class BuddyGroup;

class BuddyProfilePage : public ViewAndBarPage<BuddyProfileTable, BuddyProfileButtonBar> {
public:
    static constexpr const wchar_t* kSection = L"BuddyProfile";

    BuddyProfilePage();

    // The buddy to show and the group it was opened in (null for none); set by the opener.
    void SetBuddy(Buddy* buddy, BuddyGroup* group) { m_table.SetBuddy(buddy, group); }
    // The group changed under the shown buddy (a move): shown at once.
    void SetGroup(BuddyGroup* group);
    Buddy* ShownBuddy() const { return m_table.ShownBuddy(); }
    BuddyGroup* ShownGroup() const { return m_table.ShownGroup(); }
    // Both parts drawn again from the model.
    void Repaint();

    BuddyProfileTable& Table() { return m_table; }
    BuddyProfileButtonBar& ButtonBar() { return m_buttonBar; }
};
