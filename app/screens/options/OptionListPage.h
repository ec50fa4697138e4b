// OptionListPage, the option list: tab bar, title bar and table.
// The tab bar is built; the other parts are shells until the screen is built.
#pragma once

#include "app/screens/MainShellPage.h"

class OptionListPage : public MainShellPage<OptionListPage, 2, TabBar::kOptionListTab> {
public:
    static constexpr const wchar_t* kSection = L"OptionList";
    static constexpr PartName kParts[] = {{L"OptionList", L"TitleBar"}, {L"OptionList", L"View"}};
};
