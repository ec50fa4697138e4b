// A screen seam for tests: installs itself for its lifetime, records every call in order (a
// readable line plus typed fields), and answers with values the test sets. The chat windows it
// makes record their own calls too, both in their own log and, in order, in the seam's log.
//
//     RecordingScreens screens;
//     ... run a handler ...
//     EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"PlayNotification(2)"}));
//     EXPECT_EQ(screens.Count("ChatWindow.AppendLine"), 1u);
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "messenger/model/ScreenSeam.h"

class RecordingScreens;

// One recorded call. Only the fields that the operation has are set.
struct ScreenCall {
    std::string Name;               // "Alert", "ChatWindow.AppendLine", ...
    std::wstring Line;              // readable form: Name(arguments)
    std::wstring Text;              // text argument
    int Number = 0;                 // integer argument: event, page, box, count, line kind, result
    float Progress = 0.0f;          // SetUpgradeProgress
    const Buddy* BuddyArg = nullptr;
    ChatSession* Session = nullptr;  // the session argument, or the window's session
    const void* Object = nullptr;    // any other pointer argument (ImsgReceived)
};

class RecordingChatWindow : public ChatWindow {
public:
    RecordingChatWindow(RecordingScreens* screens, ChatSession* session);
    ~RecordingChatWindow() override;

    void AppendLine(const std::wstring& text, int kind) override;
    void SetStatusText(const std::wstring& text) override;
    void UpdateTitle() override;
    void SetBuddyIcon(const Buddy* buddy) override;
    void UpdateInputState() override;
    bool IsCurrentPage() const override { return CurrentPage; }

    ChatSession* Session() const { return m_session; }
    const std::vector<ScreenCall>& Calls() const { return m_calls; }
    // The texts of AppendLine, in order; with kinds when asked.
    std::vector<std::wstring> Lines() const;
    std::vector<int> LineKinds() const;
    // The last status text, empty when none was set.
    std::wstring Status() const;
    size_t Count(const std::string& name) const;
    void Clear() { m_calls.clear(); }

    bool CurrentPage = false;

private:
    friend class RecordingScreens;
    void Record(ScreenCall call);

    RecordingScreens* m_screens;
    ChatSession* m_session;
    std::vector<ScreenCall> m_calls;
};

class RecordingScreens : public ScreenSeam {
public:
    // Installs itself as the seam; the destructor puts the silent default back.
    RecordingScreens();
    ~RecordingScreens() override;
    RecordingScreens(const RecordingScreens&) = delete;
    RecordingScreens& operator=(const RecordingScreens&) = delete;

    // ---- queries ----
    const std::vector<ScreenCall>& Calls() const { return m_calls; }
    std::vector<std::wstring> Lines() const;
    std::vector<std::string> Names() const;
    size_t Count(const std::string& name) const;
    // First / last call of that name, or null.
    const ScreenCall* First(const std::string& name) const;
    const ScreenCall* Last(const std::string& name) const;
    // Every line joined by newlines (for failure messages).
    std::wstring Dump() const;
    // Forgets the calls (not the answers, windows or pending tasks).
    void Clear() { m_calls.clear(); }

    // The chat windows made and not yet deleted, in creation order; the one of a session, or null.
    const std::vector<RecordingChatWindow*>& Windows() const { return m_windows; }
    RecordingChatWindow* WindowOf(const ChatSession* session) const;
    size_t WindowsCreated() const { return m_windowsCreated; }

    // ---- answers and test controls ----
    bool RefreshResult = true;                 // BuddyListRefresh
    bool MemoReadPageCurrent = false;          // IsMemoReadPageCurrent
    MemoRecord* ReadRecord = nullptr;          // MemoReadRecord
    const Buddy* ProfileBuddy = nullptr;       // BuddyProfileBuddy
    // The application's signed-in flag as SetSignedIn left it (a state, not logged as a call).
    bool SignedIn = false;
    // RunLater: queued (the loop runs them later) unless RunTasksAtOnce is set.
    bool RunTasksAtOnce = false;
    size_t PendingTasks() const { return m_tasks.size(); }
    // Runs the queued tasks, and those they queue, as the loop would; returns how many ran.
    size_t RunPendingTasks();
    // Confirm boxes still open, oldest first; answering one runs its callback (2 Yes, 3 No).
    size_t PendingConfirms() const { return m_confirms.size(); }
    bool AnswerConfirm(int result);

    // ---- the seam ----
    void Alert(const std::wstring& text) override;
    void Confirm(const std::wstring& text, std::function<void(int result)> onResult) override;
    void ShowNotice(const std::wstring& text) override;
    void RunLater(std::function<void()> task) override;
    void OnResetToLogin() override;
    void SetSignedIn(bool signedIn) override { SignedIn = signedIn; }
    void PlayNotification(int event) override;
    void UpdateNotifyIndicators() override;
    void LoginShowPage(int page) override;
    void ShowSignedIn() override;
    void StatusBarCardRefresh() override;
    bool BuddyListRefresh() override;
    void BuddyListUpdateRow(const Buddy* buddy) override;
    void BuddyProfileRepaint() override;
    void OpenBuddyRequestPage(const std::wstring& groupId) override;
    void BuddyRequestInfoRepaint() override;
    void BuddyRequestInfoSetRequester(const Buddy* requester) override;
    const Buddy* BuddyProfileBuddy() override;
    void BuddyProfileSetGroup(BuddyGroup* group) override;
    std::unique_ptr<ChatWindow> CreateChatWindow(ChatSession* session) override;
    void ChatListAddRow(ChatSession* session) override;
    void ChatListUpdateRow(ChatSession* session) override;
    void PageIndicatorRebuild() override;
    void ParticipantsAddRow(ChatSession* session) override;
    void ParticipantsRemoveRow(ChatSession* session, size_t index) override;
    void MemoListSwitchBox(int box) override;
    void MemoListInsertNewMemos(int count) override;
    void MemoListAppendPage(int count) override;
    bool IsMemoReadPageCurrent() const override;
    MemoRecord* MemoReadRecord() override;
    void MemoReadFill(const ImsgReceived& memo) override;
    void ShowUpgradeBox() override;
    void SetUpgradeProgress(float progress) override;

    // Readable names of pointer arguments.
    static std::wstring Describe(const Buddy* buddy);
    static std::wstring Describe(const ChatSession* session);

private:
    friend class RecordingChatWindow;
    void Record(ScreenCall call);
    void Simple(const char* name);
    void WithText(const char* name, const std::wstring& text);
    void WithNumber(const char* name, int number);
    void WithSession(const char* name, ChatSession* session);
    void Forget(RecordingChatWindow* window);

    std::vector<ScreenCall> m_calls;
    std::vector<RecordingChatWindow*> m_windows;
    size_t m_windowsCreated = 0;
    std::vector<std::function<void()>> m_tasks;
    std::vector<std::function<void(int)>> m_confirms;
};
