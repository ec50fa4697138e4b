// The one door from the protocol and the model to the screens. The application implements it when
// the screens exist; tests install a recording implementation. Nothing in messenger/ includes app/.
//
// Handlers change the model first and then call these operations; they never draw. Every operation
// has a harmless default so an implementation only overrides what it shows.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

class Buddy;
class BuddyGroup;
class ChatSession;
class MemoRecord;
class ImsgReceived;

// The window of one chat (the application's chat page), owned by its ChatSession and made by
// ScreenSeam::CreateChatWindow. It must leave the view tree when it is destroyed: its destructor
// removes it from the application's root window. Sessions are deleted from the message loop
// (ChatSessionManager, RunLater), never while one of their window's own operations runs.
class ChatWindow {
public:
    virtual ~ChatWindow() = default;
    // Line kinds: 0 system, 1 own, 2 other side, 3 error.
    virtual void AppendLine(const std::wstring& text, int kind) { (void)text; (void)kind; }
    virtual void SetStatusText(const std::wstring& text) { (void)text; }
    virtual void UpdateTitle() {}
    // Null looks the buddy up by the session's BuddyId.
    virtual void SetBuddyIcon(const Buddy* buddy) { (void)buddy; }
    virtual void UpdateInputState() {}
    // True while this chat's window is the current page.
    virtual bool IsCurrentPage() const { return false; }
};

class ScreenSeam {
public:
    virtual ~ScreenSeam() = default;

    // Message boxes. Confirm reports 2 for Yes and 3 for No.
    virtual void Alert(const std::wstring& text) { (void)text; }
    virtual void Confirm(const std::wstring& text, std::function<void(int result)> onResult) {
        (void)text;
        (void)onResult;
    }
    // The notify box titled "공지사항".
    virtual void ShowNotice(const std::wstring& text) { (void)text; }

    // Application.
    // Must run the task from the message loop once the message being handled is done (the
    // application posts it to its main window), never from inside this call: a chat window may
    // end its own chat from inside its own notification, and the chat and its window are deleted
    // only after that code has returned. Tasks run in the order they were handed over. The default
    // runs it at once, which is right only while no screen exists.
    virtual void RunLater(std::function<void()> task) {
        if (task) task();
    }
    // The two halves the screens take in returning to the login screen. OnResetBegin comes once
    // the connection is closed and before the model is emptied: every row and model pointer a
    // screen holds goes there, while what they point at still exists. OnResetToLogin comes last,
    // with the model empty, and shows the login screen's gate.
    virtual void OnResetBegin() {}
    virtual void OnResetToLogin() {}
    // The application's signed-in flag: set once the login is accepted (LIN2), cleared by the
    // return to the login screen before OnResetToLogin.
    virtual void SetSignedIn(bool signedIn) { (void)signedIn; }
    // 0 own sign-in, 1 a buddy came online, 2 a chat line while its window is hidden, 3 a new memo.
    virtual void PlayNotification(int event) { (void)event; }
    virtual void UpdateNotifyIndicators() {}

    // Login screen: panel 0 is the form, 1 the gate, 2 the connecting panel.
    virtual void LoginShowPage(int page) { (void)page; }
    // After the buddy list load: hide the login screen, show the status bar and the buddy list.
    virtual void ShowSignedIn() {}
    virtual void StatusBarCardRefresh() {}

    // Buddy list and buddy screens.
    virtual bool BuddyListRefresh() { return true; }
    virtual void BuddyListUpdateRow(const Buddy* buddy) { (void)buddy; }
    virtual void BuddyProfileRepaint() {}
    virtual void OpenBuddyRequestPage(const std::wstring& groupId) { (void)groupId; }
    // The buddy request info page: repaint it; the requester it shows, handed over before it is
    // opened with OpenBuddyRequestPage.
    virtual void BuddyRequestInfoRepaint() {}
    virtual void BuddyRequestInfoSetRequester(const Buddy* requester) { (void)requester; }
    virtual const Buddy* BuddyRequestInfoRequester() { return nullptr; }
    // The buddy the profile page shows (null when none), and the group the page shows it in.
    virtual const Buddy* BuddyProfileBuddy() { return nullptr; }
    virtual void BuddyProfileSetGroup(BuddyGroup* group) { (void)group; }

    // Chats.
    // Called by the ChatSession constructor once every field of the session has its start value.
    // The application's implementation must, in this order:
    //   1. make the chat page and run its create step (its output view and input bar added and laid
    //      out from the skin);
    //   2. set the page's rectangle from the skin: element "Tevrik", then "Chat" / "_Rect";
    //   3. give the page its back pointer to this session;
    //   4. add the page as a child of the application's root window, hidden until navigation
    //      shows it.
    // The session owns the window from then on and deletes it with itself (see ChatWindow).
    virtual std::unique_ptr<ChatWindow> CreateChatWindow(ChatSession* session) {
        (void)session;
        return std::make_unique<ChatWindow>();
    }
    virtual void ChatListAddRow(ChatSession* session) { (void)session; }
    virtual void ChatListUpdateRow(ChatSession* session) { (void)session; }
    virtual void PageIndicatorRebuild() {}
    // The participants page, while it shows the chat: the member just added (always the last) gets
    // its row; the member that was at `index` has left.
    virtual void ParticipantsAddRow(ChatSession* session) { (void)session; }
    virtual void ParticipantsRemoveRow(ChatSession* session, size_t index) {
        (void)session;
        (void)index;
    }

    // Memo box.
    virtual void MemoListSwitchBox(int box) { (void)box; }
    virtual void MemoListInsertNewMemos(int count) { (void)count; }
    // The memo is about to leave the store: its row goes at once, without an animation.
    virtual void MemoListDropMemo(MemoRecord* memo) { (void)memo; }
    virtual void MemoListAppendPage(int count) { (void)count; }
    virtual bool IsMemoReadPageCurrent() const { return false; }
    // The record the memo read page shows, or null.
    virtual MemoRecord* MemoReadRecord() { return nullptr; }
    virtual void MemoReadFill(const ImsgReceived& memo) { (void)memo; }

    // Upgrade box: shown during the package download; progress in [0, 1].
    virtual void ShowUpgradeBox() {}
    virtual void SetUpgradeProgress(float progress) { (void)progress; }
};

// The installed seam; never null (a silent default stands in until one is installed).
ScreenSeam& Screens();
// Installs a seam (not owned); null puts the silent default back.
void SetScreens(ScreenSeam* seam);
