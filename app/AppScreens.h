// The application's side of the seam between the protocol and model and the screens. Each screen
// issue overrides what its screens show; what is not overridden keeps the seam's silent default.
#pragma once

#include <cstdint>
#include <functional>

#include "messenger/model/ScreenSeam.h"

class MessengerApp;

class AppScreens : public ScreenSeam {
public:
    explicit AppScreens(MessengerApp& app) : m_app(app) {}

    void Alert(const std::wstring& text) override;
    void Confirm(const std::wstring& text, std::function<void(int result)> onResult) override;
    void ShowNotice(const std::wstring& text) override;
    // Queued for the loop (QeRunLater): the task runs after the message being handled.
    void RunLater(std::function<void()> task) override;
    void SetSignedIn(bool signedIn) override;
    void PlayNotification(int event) override;
    void UpdateNotifyIndicators() override;
    void MemoListSwitchBox(int box) override;
    void MemoListInsertNewMemos(int count) override;
    void MemoListDropMemo(MemoRecord* memo) override;
    void MemoListAppendPage(int count) override;
    bool IsMemoReadPageCurrent() const override;
    MemoRecord* MemoReadRecord() override;
    void MemoReadFill(const ImsgReceived& memo) override;
    void ChatListAddRow(ChatSession* session) override;
    void ChatListUpdateRow(ChatSession* session) override;
    // Only while the participants page shows that chat.
    void ParticipantsAddRow(ChatSession* session) override;
    void ParticipantsRemoveRow(ChatSession* session, size_t index) override;
    bool BuddyListRefresh() override;
    // Also repaints the profile while it is the current page and shows the buddy.
    void BuddyListUpdateRow(const Buddy* buddy) override;
    void OpenBuddyRequestPage(const std::wstring& groupId) override;
    void BuddyRequestInfoRepaint() override;
    void BuddyRequestInfoSetRequester(const Buddy* requester) override;
    const Buddy* BuddyRequestInfoRequester() override;
    void BuddyProfileRepaint() override;
    const Buddy* BuddyProfileBuddy() override;
    void BuddyProfileSetGroup(BuddyGroup* group) override;
    std::unique_ptr<ChatWindow> CreateChatWindow(ChatSession* session) override;
    void OnResetBegin() override;
    void OnResetToLogin() override;
    void LoginShowPage(int page) override;
    void ShowSignedIn() override;
    void StatusBarCardRefresh() override;
    void PageIndicatorRebuild() override;
    void ShowUpgradeBox() override;
    // Only into the box ShowUpgradeBox opened, while it is the open popup; then the window is
    // repainted at once, since the download holds the loop.
    void SetUpgradeProgress(float progress) override;

private:
    MessengerApp& m_app;
    uint64_t m_upgradeBox = 0;  // the serial of the box ShowUpgradeBox opened
};
