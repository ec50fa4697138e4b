// The mail-domain menu of the login form and the buddy add screen: the service's own domain, eleven
// others, and "직접 입력" (row 12), which leaves the domain to be typed.
#pragma once

#include <string>

#include "app/screens/common/MenuPopup.h"

class MenuAccount : public MenuPopup {
public:
    static constexpr const wchar_t* kSection = L"MenuAccount";
    static constexpr int kTypeIn = 12;
    static constexpr int kRowCount = 13;

    MenuAccount();
    int DrawMenuItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override;
    // The chosen row, or kTypeIn when none is chosen.
    int Selection();
    // The row's text; "직접 입력" for kTypeIn and for any index outside 0 to 11.
    static std::wstring RowText(int row);

private:
    static ClassSkin s_skin;
};
