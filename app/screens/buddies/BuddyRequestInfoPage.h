// BuddyRequestInfoPage, one buddy request: the requester's rows and the Accept and Reject buttons.
#pragma once

#include "app/ScreenBase.h"
#include "app/ScreenSkin.h"
#include "app/screens/buddies/BuddyRequestInfoButtonBar.h"
#include "app/screens/buddies/BuddyRequestInfoTable.h"

class BuddyRequestInfoPage : public ScreenBase {
public:
    static constexpr const wchar_t* kSection = L"BuddyRequestInfo";

    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;

    // The reset's first step, before the model is emptied: the requester and the group forgotten.
    void OnResetBegin() { m_table.SetRequest(nullptr, nullptr); }

    BuddyRequestInfoTable& Table() { return m_table; }
    BuddyRequestInfoButtonBar& ButtonBar() { return m_buttonBar; }

private:
    BuddyRequestInfoTable m_table;
    BuddyRequestInfoButtonBar m_buttonBar;
    static ClassSkin s_skin;
};
