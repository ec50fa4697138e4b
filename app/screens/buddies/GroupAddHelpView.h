// The two help lines above the group name; their texts are the skin's own.
#pragma once

#include "app/ScreenSkin.h"
#include "framework/controls/QeLabel.h"
#include "framework/ui/view/QeWindow.h"

class GroupAddHelpView : public QeWindow {
public:
    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;
    int Draw(QeSurface* surface, const RECT& rect) override;

private:
    QeLabel m_help1;
    QeLabel m_help2;
    static ClassSkin s_skin;
};
