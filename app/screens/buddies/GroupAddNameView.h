// The group name field on its background. Shown or touched, it opens the input panel for
// native input.
#pragma once

#include "app/ScreenSkin.h"
#include "framework/controls/QeEdit.h"
#include "framework/controls/QeImageView.h"
#include "framework/ui/view/QeWindow.h"

class GroupAddNameView : public QeWindow {
public:
    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;
    int OnNotify(QeWindow* child, int code) override;
    int Draw(QeSurface* surface, const RECT& rect) override;

    QeEdit& GroupName() { return m_groupName; }

private:
    QeImageView m_background;
    QeEdit m_groupName;
    static ClassSkin s_skin;
};
