// BuddyAddPage, the buddy add form: table and button bar. A shell until its screen is built.
#pragma once

#include "app/screens/ShellPage.h"

class BuddyAddPage : public ShellPage<BuddyAddPage, 2> {
public:
    static constexpr const wchar_t* kSection = L"BuddyAdd";
    static constexpr PartName kParts[] = {{L"BuddyAdd", L"View"}, {L"BuddyAdd", L"ButtonBar"}};

    // The status bar's BuddyAddButton sends the form's request; the shell has no form.
    void SendBuddyRequest() {}
};
