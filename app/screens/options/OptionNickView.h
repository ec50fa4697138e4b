// The nickname field on its background.
#pragma once

#include "app/ScreenSkin.h"
#include "framework/controls/QeEdit.h"
#include "framework/controls/QeImageView.h"
#include "framework/ui/view/QeWindow.h"

class OptionNickView : public QeWindow {
public:
    bool Create();
    void OnRectChanged(const RECT& rect) override;
    // Shown, the field takes the focus and the input panel opens.
    void OnVisibleChanged(bool visible) override;
    // A pen down on the field opens the input panel.
    int OnNotify(QeWindow* child, int code) override;
    int Draw(QeSurface* surface, const RECT& rect) override;

    QeEdit& Nick() { return m_nick; }

private:
    QeImageView m_background;
    QeEdit m_nick;
    static ClassSkin s_skin;
};
