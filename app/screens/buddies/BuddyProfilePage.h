// BuddyProfilePage, a buddy's profile: table and button bar. A shell until its screen is built.
#pragma once

#include "app/screens/ShellPage.h"

class Buddy;
class BuddyGroup;

class BuddyProfilePage : public ShellPage<BuddyProfilePage, 2> {
public:
    static constexpr const wchar_t* kSection = L"BuddyProfile";
    static constexpr PartName kParts[] = {{L"BuddyProfile", L"View"}, {L"BuddyProfile", L"ButtonBar"}};

    // The buddy to show and the group it was opened in (null for none); set by the opener.
    void SetBuddy(Buddy* buddy, BuddyGroup* group) {
        m_buddy = buddy;
        m_group = group;
    }
    Buddy* ShownBuddy() const { return m_buddy; }
    BuddyGroup* ShownGroup() const { return m_group; }

private:
    Buddy* m_buddy = nullptr;
    BuddyGroup* m_group = nullptr;
};
