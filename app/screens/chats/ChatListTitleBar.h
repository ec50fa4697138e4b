// The chat list's title strip: a background, an icon and the skin's own title text. It takes no
// action of its own.
#pragma once

#include "app/ScreenSkin.h"
#include "framework/controls/QeImageView.h"
#include "framework/controls/QeLabel.h"
#include "framework/ui/view/QeWindow.h"

class ChatListTitleBar : public QeWindow {
public:
    // The three elements added and loaded from ChatList/TitleBar. True.
    bool Create();
    void OnVisibleChanged(bool visible) override;
    void OnRectChanged(const RECT& rect) override;

    QeLabel& Text() { return m_text; }

private:
    QeImageView m_backgroundSkin;
    QeImageView m_icon;
    QeLabel m_text;
    static inline ClassSkin s_skin;
};
