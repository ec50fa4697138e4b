// The first screen: the form, the gate and the connecting panel. Never the current page: the
// application shows and hides it directly. A shell of its background and copyright line until the
// login screen is built.
#pragma once

#include "app/ScreenSkin.h"
#include "framework/controls/QeImageView.h"
#include "framework/controls/QeLabel.h"
#include "framework/ui/view/QeWindow.h"

class LoginPage : public QeWindow {
public:
    static constexpr const wchar_t* kSection = L"Login";

    LoginPage();
    bool Create();
    void OnRectChanged(const RECT& rect) override;

private:
    QeImageView m_background;
    QeLabel m_copyright;
    static ClassSkin s_skin;
};
