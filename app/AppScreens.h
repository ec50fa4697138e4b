// The application's side of the seam between the protocol and model and the screens. Each screen
// issue overrides what its screens show; what is not overridden keeps the seam's silent default.
#pragma once

#include <functional>

#include "messenger/model/ScreenSeam.h"

class MessengerApp;

class AppScreens : public ScreenSeam {
public:
    explicit AppScreens(MessengerApp& app) : m_app(app) {}

    // Queued for the loop (QeRunLater): the task runs after the message being handled.
    void Alert(const std::wstring& text) override;
    void Confirm(const std::wstring& text, std::function<void(int result)> onResult) override;
    void ShowNotice(const std::wstring& text) override;
    void RunLater(std::function<void()> task) override;
    void SetSignedIn(bool signedIn) override;
    void PlayNotification(int event) override;
    void UpdateNotifyIndicators() override;
    bool BuddyListRefresh() override;
    void BuddyListUpdateRow(const Buddy* buddy) override;
    std::unique_ptr<ChatWindow> CreateChatWindow(ChatSession* session) override;
    void OnResetBegin() override;
    void OnResetToLogin() override;
    void LoginShowPage(int page) override;
    void ShowSignedIn() override;

private:
    MessengerApp& m_app;
};
