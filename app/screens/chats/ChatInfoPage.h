// ChatInfoPage, a chat's participants: table. A shell until its screen is built.
#pragma once

#include "app/screens/ShellPage.h"

class ChatInfoPage : public ShellPage<ChatInfoPage, 1> {
public:
    static constexpr const wchar_t* kSection = L"ChatInfo";
    static constexpr PartName kParts[] = {{L"ChatInfo", L"View"}};
};
