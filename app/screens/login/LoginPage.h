// The first screen: the form, the gate and the connecting panel, of which exactly one is shown.
// Never the current page: the application shows and hides it directly. It decides on being shown
// whether to sign in by itself, and moves up out of the soft input panel's way on the form.
#pragma once

#include <string>

#include "app/ScreenSkin.h"
#include "app/screens/login/LoginConnectingPanel.h"
#include "app/screens/login/LoginFormPanel.h"
#include "app/screens/login/LoginGatePanel.h"
#include "framework/controls/QeImageView.h"
#include "framework/controls/QeLabel.h"
#include "framework/ui/view/QeWindow.h"

class LoginPage : public QeWindow {
public:
    static constexpr const wchar_t* kSection = L"Login";
    static constexpr int kFormPanel = 0;
    static constexpr int kGatePanel = 1;
    static constexpr int kConnectingPanel = 2;
    // How far above the input panel the password field's bottom stays, and the move's timing.
    static constexpr int kSipClearance = 52;
    static constexpr int kSipTopShift = 20;
    static constexpr float kMoveSeconds = 0.5f;
    static constexpr uint32_t kMoveEasing = 19;

    LoginPage();
    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;
    int OnNotify(QeWindow* child, int code) override;
    int OnSipShown(const RECT& panel) override;
    int OnSipHidden() override;

    void ShowPage(int index);
    int CurrentPanel() const { return m_panel; }
    // Starts signing in (the connecting panel shows); false, with the panel kept, when the
    // connection cannot be started.
    bool StartSignIn(const std::wstring& id, const std::wstring& hash, bool offline);

    LoginFormPanel& Form() { return m_form; }
    LoginGatePanel& Gate() { return m_gate; }
    LoginConnectingPanel& Connecting() { return m_connecting; }

private:
    // The start-up decision: sign in by itself, the gate or the form.
    void DecideOnShow();
    void OnAutomaticConsent(int result, bool dontAskAgain);

    int m_panel = kFormPanel;
    QeImageView m_background;
    QeLabel m_copyright;
    LoginFormPanel m_form;
    LoginGatePanel m_gate;
    LoginConnectingPanel m_connecting;
    static ClassSkin s_skin;
};
