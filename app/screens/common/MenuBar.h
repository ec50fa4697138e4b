// The bottom bar, visible from start-up to the end, and the program's one place that shows and
// hides the soft input panel. A shell of its widgets until the menu bar is built.
#pragma once

#include "app/ScreenSkin.h"
#include "framework/controls/QeImageView.h"
#include "framework/ui/view/QeWindow.h"

class MenuBar : public QeWindow {
public:
    static constexpr const wchar_t* kSection = L"MenuBar";

    MenuBar();
    bool Create();
    void OnRectChanged(const RECT& rect) override;

    void HideSip() {}
    void UpdateNotifyImages() {}

private:
    QeImageView m_background;
    static ClassSkin s_skin;
};
