// BuddyListPage, the buddy list: tab bar, search bar and table.
// The tab bar is built; the other parts are shells until the screen is built.
#pragma once

#include "app/screens/MainShellPage.h"

class BuddyListPage : public MainShellPage<BuddyListPage, 2, TabBar::kBuddyListTab> {
public:
    static constexpr const wchar_t* kSection = L"BuddyList";
    static constexpr PartName kParts[] = {{L"BuddyList", L"SearchBar"}, {L"BuddyList", L"View"}};
};
