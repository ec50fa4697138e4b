// OptionListPage, the option list: tab bar, title bar and table.
// The tab bar reads the root section "TabBar". A shell until its screen is built.
#pragma once

#include "app/screens/ShellPage.h"

class OptionListPage : public ShellPage<OptionListPage, 3> {
public:
    static constexpr const wchar_t* kSection = L"OptionList";
    static constexpr PartName kParts[] = {{L"TabBar", nullptr}, {L"OptionList", L"TitleBar"}, {L"OptionList", L"View"}};
};
