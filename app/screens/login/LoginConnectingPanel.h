// The connecting panel (panel 2): a static text, the progress bar and Cancel.
#pragma once

#include "app/ScreenSkin.h"
#include "app/screens/login/LoginProgressBar.h"
#include "framework/controls/QeButton.h"
#include "framework/controls/QeLabel.h"

class LoginPage;

class LoginConnectingPanel {
public:
    void Create(LoginPage& page);
    void Layout();
    void SetVisible(bool visible);
    // False when the child is none of the panel's.
    bool OnNotify(QeWindow* child, int code);

    QeLabel ProgressText;
    LoginProgressBar ProgressBar;
    QeButton CancelButton;

private:
    static ClassSkin s_skin;
};
