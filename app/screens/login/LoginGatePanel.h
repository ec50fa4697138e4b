// The gate (panel 1): the saved id, sign in with it, or switch to another id.
#pragma once

#include "app/ScreenSkin.h"
#include "framework/controls/QeButton.h"
#include "framework/controls/QeLabel.h"

class LoginPage;

class LoginGatePanel {
public:
    void Create(LoginPage& page);
    void Layout();
    void SetVisible(bool visible);
    // Shown with the saved id.
    void Show();
    // False when the child is none of the gate's.
    bool OnNotify(QeWindow* child, int code);
    void OnLoginButton();
    void OnLoginWithOtherIdButton();

    QeLabel IdText;
    QeButton LoginButton;
    QeButton LoginWithOtherIdButton;

private:
    LoginPage* m_page = nullptr;
    static ClassSkin s_skin;
};
