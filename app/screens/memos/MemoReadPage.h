// MemoReadPage, one memo: button bar and content. A shell until its screen is built.
#pragma once

#include "app/screens/ShellPage.h"

class MemoReadPage : public ShellPage<MemoReadPage, 2> {
public:
    static constexpr const wchar_t* kSection = L"MemoRead";
    static constexpr PartName kParts[] = {{L"MemoRead", L"ButtonBar"}, {L"MemoRead", L"View"}};
};
