// The buddy add form and its request button, under the status bar's title strip with its own
// request button (mode 2).
#pragma once

#include "app/screens/buddies/BuddyAddButtonBar.h"
#include "app/screens/buddies/BuddyAddTable.h"
#include "app/screens/common/ViewAndBarPage.h"

class BuddyAddPage : public ViewAndBarPage<BuddyAddTable, BuddyAddButtonBar> {
public:
    static constexpr const wchar_t* kSection = L"BuddyAdd";

    BuddyAddPage();

    // Run by both request buttons. An empty id or domain, or an empty message, is refused with an
    // alert; a chosen group name that no group has stops it silently. Otherwise ADSB asks for
    // account + "@" + domain as typed, and the page goes back; the fields keep their texts. While
    // the chooser opened from the form is shown, its checked group is taken into the form first.
    void SendBuddyRequest();

    BuddyAddTable& Table() { return m_table; }
    BuddyAddButtonBar& ButtonBar() { return m_buttonBar; }
};
