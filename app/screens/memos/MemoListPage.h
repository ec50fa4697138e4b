// MemoListPage, the memo box: tab bar, title bar and table.
// The tab bar reads the root section "TabBar". A shell until its screen is built.
#pragma once

#include "app/screens/ShellPage.h"

class MemoListPage : public ShellPage<MemoListPage, 3> {
public:
    static constexpr const wchar_t* kSection = L"MemoList";
    static constexpr PartName kParts[] = {{L"TabBar", nullptr}, {L"MemoList", L"TitleBar"}, {L"MemoList", L"View"}};
};
