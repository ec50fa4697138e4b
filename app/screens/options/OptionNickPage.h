// OptionNickPage, the nickname form: help and edit. A shell until its screen is built.
#pragma once

#include "app/screens/ShellPage.h"

class OptionNickPage : public ShellPage<OptionNickPage, 2> {
public:
    static constexpr const wchar_t* kSection = L"OptionNick";
    static constexpr PartName kParts[] = {{L"OptionNick", L"TitleBar"}, {L"OptionNick", L"View"}};
};
