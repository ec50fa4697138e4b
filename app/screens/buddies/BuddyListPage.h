// BuddyListPage, the first of the four main pages: the tab bar, the search bar and the buddy table.
// The table is filled by the buddy list load and the handlers that change the model, never when
// the page is shown; the search word and the filter last while the page is hidden.
#pragma once

#include "app/ScreenBase.h"
#include "app/ScreenSkin.h"
#include "app/screens/buddies/BuddyListSearchBar.h"
#include "app/screens/buddies/BuddyListTable.h"
#include "app/screens/common/TabBar.h"

class BuddyListPage : public ScreenBase {
public:
    static constexpr const wchar_t* kSection = L"BuddyList";

    BuddyListPage() : m_searchBar(kSection, m_table) {}

    // The three children added and loaded. True.
    bool Create();

    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;
    int OnNotify(QeWindow* child, int code) override;

    // The search word and the table's filter emptied (the log-out reset).
    void ClearSearchWord() { m_searchBar.Clear(); }
    // The reset's first step, before the model is emptied: no row keeps a model pointer.
    void OnResetBegin();

    BuddyListTable& Table() { return m_table; }
    BuddyListSearchBar& SearchBar() { return m_searchBar; }
    TabBar& Tabs() { return m_tabBar; }

private:
    TabBar m_tabBar;
    BuddyListTable m_table;
    BuddyListSearchBar m_searchBar;
    static ClassSkin s_skin;
};
