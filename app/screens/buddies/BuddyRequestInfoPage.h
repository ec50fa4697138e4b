// BuddyRequestInfoPage, one buddy request: the requester's rows and the Accept and Reject buttons.
#pragma once

#include "app/screens/buddies/BuddyRequestInfoButtonBar.h"
#include "app/screens/buddies/BuddyRequestInfoTable.h"
#include "app/screens/common/ViewAndBarPage.h"

class BuddyRequestInfoPage : public ViewAndBarPage<BuddyRequestInfoTable, BuddyRequestInfoButtonBar> {
public:
    static constexpr const wchar_t* kSection = L"BuddyRequestInfo";

    BuddyRequestInfoPage();

    // The reset's first step, before the model is emptied: the requester and the group forgotten.
    void OnResetBegin() { m_table.SetRequest(nullptr, nullptr); }

    BuddyRequestInfoTable& Table() { return m_table; }
    BuddyRequestInfoButtonBar& ButtonBar() { return m_buttonBar; }
};
