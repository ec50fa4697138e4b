// BuddySelectPage, the buddy chooser: search bar and table. A shell until its screen is built.
#pragma once

#include "app/screens/ShellPage.h"

class BuddySelectPage : public ShellPage<BuddySelectPage, 2> {
public:
    static constexpr const wchar_t* kSection = L"BuddySelect";
    static constexpr PartName kParts[] = {{L"BuddySelect", L"SearchBar"}, {L"BuddySelect", L"View"}};
};
