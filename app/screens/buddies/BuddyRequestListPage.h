// BuddyRequestListPage, the buddy requests not yet answered. The list is built again each time the
// page is shown, so an answer shows only once its reply has changed the model.
#pragma once

#include "app/ScreenBase.h"
#include "app/ScreenSkin.h"
#include "app/screens/buddies/BuddyRequestListTable.h"

class BuddyRequestListPage : public ScreenBase {
public:
    static constexpr const wchar_t* kSection = L"BuddyRequestList";

    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;

    BuddyRequestListTable& Table() { return m_table; }

private:
    BuddyRequestListTable m_table;
    static ClassSkin s_skin;
};
