// The option list's title: the skin's background, icon and title text; it takes no action.
#pragma once

#include "app/ScreenSkin.h"
#include "framework/controls/QeImageView.h"
#include "framework/controls/QeLabel.h"
#include "framework/ui/view/QeWindow.h"

class OptionListTitleBar : public QeWindow {
public:
    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;

private:
    QeImageView m_background;
    QeImageView m_icon;
    QeLabel m_text;
    static ClassSkin s_skin;
};
