// BuddyProfilePage, a buddy's profile: table and button bar. A shell until its screen is built.
#pragma once

#include "app/screens/ShellPage.h"

class BuddyProfilePage : public ShellPage<BuddyProfilePage, 2> {
public:
    static constexpr const wchar_t* kSection = L"BuddyProfile";
    static constexpr PartName kParts[] = {{L"BuddyProfile", L"View"}, {L"BuddyProfile", L"ButtonBar"}};
};
