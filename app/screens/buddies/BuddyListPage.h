// BuddyListPage, the buddy list: tab bar, search bar and table.
// The tab bar reads the root section "TabBar". A shell until its screen is built.
#pragma once

#include "app/screens/ShellPage.h"

class BuddyListPage : public ShellPage<BuddyListPage, 3> {
public:
    static constexpr const wchar_t* kSection = L"BuddyList";
    static constexpr PartName kParts[] = {{L"TabBar", nullptr}, {L"BuddyList", L"SearchBar"}, {L"BuddyList", L"View"}};

    // The system-menu button shows only while this page does.
    void OnVisibleChanged(bool visible) override;
};
