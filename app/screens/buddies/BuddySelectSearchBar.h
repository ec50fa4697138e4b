// The buddy chooser's search field: the buddy list's search bar on Tevrik/BuddySelect/SearchBar,
// filtering the chooser's table.
#pragma once

#include "app/screens/buddies/BuddyListSearchBar.h"

class BuddySelectSearchBar : public BuddyListSearchBar {
public:
    explicit BuddySelectSearchBar(QeTableView& table) : BuddyListSearchBar(L"BuddySelect", table) {}
};
