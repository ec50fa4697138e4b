// The fourth main page: the title and the option list, above the page's own tab bar.
#pragma once

#include "app/ScreenBase.h"
#include "app/ScreenSkin.h"
#include "app/screens/options/OptionListTable.h"
#include "app/screens/options/OptionListTitleBar.h"
#include "app/screens/common/TabBar.h"

class OptionListPage : public ScreenBase {
public:
    static constexpr const wchar_t* kSection = L"OptionList";

    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;

    OptionListTable& Table() { return m_table; }
    TabBar& Tabs() { return m_tabBar; }

private:
    TabBar m_tabBar;
    OptionListTitleBar m_titleBar;
    OptionListTable m_table;
    static ClassSkin s_skin;
};
