// OptionServiceInfoPage, the service information. A shell until its screen is built.
#pragma once

#include "app/screens/ShellPage.h"

class OptionServiceInfoPage : public ShellPage<OptionServiceInfoPage, 1> {
public:
    static constexpr const wchar_t* kSection = L"OptionServiceInfo";
    static constexpr PartName kParts[] = {{L"OptionServiceInfo", L"View"}};
};
