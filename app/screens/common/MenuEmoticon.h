// The chat input bar's emoticon menu: one row per child of the skin's "_EmoticonList/RGBA", its
// icon and its "Text". The choice is a position in that list (-1: none), which the chat input
// looks up in the emoticon catalogue.
#pragma once

#include <memory>
#include <vector>

#include "app/screens/common/MenuPopup.h"

class MenuEmoticon : public MenuPopup {
public:
    static constexpr const wchar_t* kSection = L"MenuEmoticon";
    static constexpr int kNoChoice = -1;

    MenuEmoticon();
    int DrawMenuItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override;
    // The chosen row, or kNoChoice.
    int Selection();

private:
    std::vector<std::unique_ptr<QeSkinImage>> m_icons;
    static ClassSkin s_skin;
};
