// OptionPage, one option's choices: help and table. A shell until its screen is built.
#pragma once

#include "app/screens/ShellPage.h"

class OptionPage : public ShellPage<OptionPage, 2> {
public:
    static constexpr const wchar_t* kSection = L"Option";
    static constexpr PartName kParts[] = {{L"Option", L"TitleBar"}, {L"Option", L"View"}};
};
