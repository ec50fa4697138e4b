// BuddyRequestInfoPage, one buddy request: table and button bar. A shell until its screen is built.
#pragma once

#include "app/screens/ShellPage.h"

class BuddyRequestInfoPage : public ShellPage<BuddyRequestInfoPage, 2> {
public:
    static constexpr const wchar_t* kSection = L"BuddyRequestInfo";
    static constexpr PartName kParts[] = {{L"BuddyRequestInfo", L"View"}, {L"BuddyRequestInfo", L"ButtonBar"}};
};
