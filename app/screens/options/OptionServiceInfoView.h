// The service information: the logo and the skin's texts, with the client's version line.
#pragma once

#include "app/ScreenSkin.h"
#include "framework/controls/QeImageView.h"
#include "framework/controls/QeLabel.h"
#include "framework/ui/view/QeWindow.h"

class OptionServiceInfoView : public QeWindow {
public:
    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;
    int Draw(QeSurface* surface, const RECT& rect) override;

    QeLabel& VersionText() { return m_versionText; }

private:
    // Each child with its element's name, in the order they are added.
    template <class Visit>
    void ForEachChild(Visit visit);

    QeImageView m_logo;
    QeLabel m_versionText;
    QeLabel m_lastUpdateInfoText;
    QeLabel m_platformInfoText;
    QeLabel m_applicationName;
    QeImageView m_line;
    QeLabel m_joruSupportText;
    QeLabel m_supportPhone;
    QeLabel m_supportMail;
    QeLabel m_copyrightText;
    static ClassSkin s_skin;
};
