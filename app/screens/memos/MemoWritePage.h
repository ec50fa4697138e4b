// MemoWritePage, the memo form. A shell until its screen is built.
#pragma once

#include "app/screens/ShellPage.h"

class MemoWritePage : public ShellPage<MemoWritePage, 1> {
public:
    static constexpr const wchar_t* kSection = L"MemoWrite";
    static constexpr PartName kParts[] = {{L"MemoWrite", L"View"}};
};
