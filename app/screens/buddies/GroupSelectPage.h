// GroupSelectPage, the group chooser: title bar and table. A shell until its screen is built.
#pragma once

#include "app/screens/ShellPage.h"

class GroupSelectPage : public ShellPage<GroupSelectPage, 2> {
public:
    static constexpr const wchar_t* kSection = L"GroupSelect";
    static constexpr PartName kParts[] = {{L"GroupSelect", L"TitleBar"}, {L"GroupSelect", L"View"}};
};
