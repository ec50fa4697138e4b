// The system menu of the menu bar: "그룹 추가", "친구 추가", "친구 요청함", "로그아웃".
#pragma once

#include "app/screens/common/MenuPopup.h"

class MenuSystem : public MenuPopup {
public:
    static constexpr const wchar_t* kSection = L"MenuSystem";
    static constexpr int kNoChoice = 4;

    MenuSystem();
    int DrawMenuItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override;
    // The chosen row, or kNoChoice.
    int Selection();

private:
    static ClassSkin s_skin;
};
