// The buddy add form and its request button, under the status bar's title strip with its own
// request button (mode 2).
#pragma once

#include "app/ScreenBase.h"
#include "app/ScreenSkin.h"
#include "app/screens/buddies/BuddyAddButtonBar.h"
#include "app/screens/buddies/BuddyAddTable.h"

class BuddyAddPage : public ScreenBase {
public:
    static constexpr const wchar_t* kSection = L"BuddyAdd";

    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;

    // Run by both request buttons. An empty id or domain, or an empty message, is refused with an
    // alert; a chosen group name that no group has stops it silently. Otherwise ADSB asks for
    // account + "@" + domain as typed, and the page goes back; the fields keep their texts.
    void SendBuddyRequest();

    BuddyAddTable& Table() { return m_table; }
    BuddyAddButtonBar& ButtonBar() { return m_buttonBar; }

private:
    BuddyAddTable m_table;
    BuddyAddButtonBar m_buttonBar;
    static ClassSkin s_skin;
};
