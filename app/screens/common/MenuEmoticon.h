// The chat input bar's emoticon menu: one row per child of the skin's "_EmoticonList/RGBA", its
// icon and its "Text". The choice is a position in that list (-1: none), which the chat input
// looks up in the emoticon catalogue.
#pragma once

#include <memory>
#include <vector>

#include "app/screens/common/MenuPopup.h"

// An animated icon's row is drawn again when its icon's frame changes, and only then: the menu's
// timer lets its ticks pass until the first at or after the next change.
class MenuEmoticon : public MenuPopup {
public:
    static constexpr const wchar_t* kSection = L"MenuEmoticon";
    static constexpr int kNoChoice = -1;
    static constexpr float kTickInterval = 0.01f;

    MenuEmoticon();
    ~MenuEmoticon() override;
    int DrawMenuItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override;
    // The chosen row, or kNoChoice.
    int Selection();
    // The timer that redraws the animated rows; 0 without one.
    UINT AnimationTimer() const { return m_timer; }

private:
    struct Icon {
        std::unique_ptr<QeSkinImage> image;
        size_t drawnFrame = 0;  // of an animated icon, when its row was last drawn
    };
    static void OnTick(void* user);
    // The rows whose icon shows another frame than it was drawn with are drawn again; the next tick
    // comes with the next change.
    void Animate();
    static QeImage* Animated(const Icon& icon);

    std::vector<Icon> m_icons;
    UINT m_timer = 0;
    static ClassSkin s_skin;
};
