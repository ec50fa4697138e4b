// The memo list's box menu: row 0 the inbox, row 1 the sent box.
#pragma once

#include "app/screens/common/MenuPopup.h"

class MenuMemoBox : public MenuPopup {
public:
    static constexpr const wchar_t* kSection = L"MenuMemoBox";
    static constexpr int kNoChoice = 2;

    MenuMemoBox();
    int DrawMenuItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override;
    // The chosen row, or kNoChoice.
    int Selection();

private:
    static ClassSkin s_skin;
};
