// MemoListPage, the memo box: tab bar, title bar and table. Shows what MemoStore holds; asks for
// nothing when shown (the box is loaded after sign-in and by the title bar).
#pragma once

#include "app/ScreenBase.h"
#include "app/ScreenSkin.h"
#include "app/screens/common/TabBar.h"
#include "app/screens/memos/MemoListTable.h"
#include "app/screens/memos/MemoListTitleBar.h"

class MemoListPage : public ScreenBase {
public:
    static constexpr const wchar_t* kSection = L"MemoList";

    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;

    TabBar& Tabs() { return m_tabBar; }
    MemoListTitleBar& TitleBar() { return m_titleBar; }
    MemoListTable& Table() { return m_table; }

private:
    TabBar m_tabBar;
    MemoListTitleBar m_titleBar;
    MemoListTable m_table;
    static ClassSkin s_skin;
};
