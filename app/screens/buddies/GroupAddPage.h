// GroupAddPage, the group add form: help, name and button bar. A shell until its screen is built.
#pragma once

#include "app/screens/ShellPage.h"

class GroupAddPage : public ShellPage<GroupAddPage, 3> {
public:
    static constexpr const wchar_t* kSection = L"GroupAdd";
    static constexpr PartName kParts[] = {{L"GroupAdd", L"TitleBar"}, {L"GroupAdd", L"View"}, {L"GroupAdd", L"ButtonBar"}};

    // The status bar's GroupAddButton adds the form's group; the shell has no form.
    void AddGroup() {}
};
