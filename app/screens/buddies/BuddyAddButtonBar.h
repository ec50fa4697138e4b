// The request button under the buddy add form.
#pragma once

#include "app/ScreenSkin.h"
#include "framework/controls/QeButton.h"
#include "framework/ui/view/QeWindow.h"

class BuddyAddButtonBar : public QeWindow {
public:
    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;
    int OnNotify(QeWindow* child, int code) override;
    int Draw(QeSurface* surface, const RECT& rect) override;

    QeButton& RequestButton() { return m_requestButton; }

private:
    QeButton m_requestButton;
    static ClassSkin s_skin;
};
