// BuddyRequestListPage, the buddy requests: table. A shell until its screen is built.
#pragma once

#include "app/screens/ShellPage.h"

class BuddyRequestListPage : public ShellPage<BuddyRequestListPage, 1> {
public:
    static constexpr const wchar_t* kSection = L"BuddyRequestList";
    static constexpr PartName kParts[] = {{L"BuddyRequestList", L"View"}};
};
