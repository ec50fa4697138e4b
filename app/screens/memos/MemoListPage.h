// MemoListPage, the memo box: tab bar, title bar and table.
// The tab bar is built; the other parts are shells until the screen is built.
#pragma once

#include "app/screens/MainShellPage.h"

class MemoListPage : public MainShellPage<MemoListPage, 2, TabBar::kMemoListTab> {
public:
    static constexpr const wchar_t* kSection = L"MemoList";
    static constexpr PartName kParts[] = {{L"MemoList", L"TitleBar"}, {L"MemoList", L"View"}};
};
