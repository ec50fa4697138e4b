// The login form (panel 0): id, domain and password, appear-offline and keep-login boxes, and the
// login button. Its widgets are children of the login screen itself, in this order.
#pragma once

#include "app/ScreenSkin.h"
#include "framework/controls/QeButton.h"
#include "framework/controls/QeCheckBox.h"
#include "framework/controls/QeEdit.h"
#include "framework/controls/QeImageView.h"
#include "framework/controls/QeLabel.h"

class LoginPage;

class LoginFormPanel {
public:
    static constexpr int kWidgetCount = 15;
    // The domain menu's row that lets the user type a domain.
    static constexpr int kTypedDomainRow = 12;

    void Create(LoginPage& page);
    void Layout();
    void SetVisible(bool visible);

    // Shown and filled from the saved login.
    void Load();
    // Signs in with what was typed and saves the login; false when the attempt did not start.
    bool Login();
    void OnLoginButton();
    // False when the child is none of the form's.
    bool OnNotify(QeWindow* child, int code);
    void OnDomainChosen(int row, const std::wstring& domain);

    QeLabel IdText;
    QeImageView IdSkin;
    QeEdit IdEdit;
    QeLabel AccountText;
    QeImageView AccountSkin;
    QeEdit AccountEdit;
    QeButton AccountButton;
    QeLabel PasswordText;
    QeImageView PasswordSkin;
    QeEdit PasswordEdit;
    QeCheckBox LoginAsOfflineCheckBox;
    QeLabel LoginAsOfflineText;
    QeCheckBox KeepIdPasswordCheckBox;
    QeLabel KeepIdPasswordText;
    QeButton LoginButton;

    // The fifteen widgets in the order they were added, with their skin names.
    struct Entry {
        QeWindow* window;
        const wchar_t* name;
    };
    void Widgets(Entry (&out)[kWidgetCount]);

private:
    LoginPage* m_page = nullptr;
    static ClassSkin s_skin;
};
