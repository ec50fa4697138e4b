// The chooser's title: the buddy's name and, under it, its login id.
#pragma once

#include "app/ScreenSkin.h"
#include "framework/controls/QeImageView.h"
#include "framework/controls/QeLabel.h"
#include "framework/ui/view/QeWindow.h"

class GroupSelectTitleBar : public QeWindow {
public:
    bool Create();
    int Draw(QeSurface* surface, const RECT& rect) override;
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;

    QeLabel& BuddyName() { return m_buddyName; }
    QeLabel& BuddyNick() { return m_buddyNick; }

private:
    QeImageView m_buddyIcon;
    QeLabel m_buddyName;
    QeLabel m_buddyNick;
    static ClassSkin s_skin;
};
