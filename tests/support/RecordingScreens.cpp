#include "tests/support/RecordingScreens.h"

#include <algorithm>
#include <cwchar>

#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"

namespace {

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

ScreenCall Named(const std::string& name, const std::wstring& arguments) {
    ScreenCall call;
    call.Name = name;
    call.Line = Widen(name) + L"(" + arguments + L")";
    return call;
}

}  // namespace

// ---------------------------------------------------------------- RecordingChatWindow

RecordingChatWindow::RecordingChatWindow(RecordingScreens* screens, ChatSession* session)
    : m_screens(screens), m_session(session) {}

RecordingChatWindow::~RecordingChatWindow() {
    if (m_screens != nullptr) m_screens->Forget(this);
}

void RecordingChatWindow::Record(ScreenCall call) {
    call.Session = m_session;
    m_calls.push_back(call);
    if (m_screens != nullptr) m_screens->Record(call);
}

void RecordingChatWindow::AppendLine(const std::wstring& text, int kind) {
    ScreenCall call = Named("ChatWindow.AppendLine",
                            RecordingScreens::Describe(m_session) + L", " + std::to_wstring(kind) + L", " + text);
    call.Text = text;
    call.Number = kind;
    Record(call);
}

void RecordingChatWindow::SetStatusText(const std::wstring& text) {
    ScreenCall call = Named("ChatWindow.SetStatusText", RecordingScreens::Describe(m_session) + L", " + text);
    call.Text = text;
    Record(call);
}

void RecordingChatWindow::UpdateTitle() { Record(Named("ChatWindow.UpdateTitle", RecordingScreens::Describe(m_session))); }

void RecordingChatWindow::SetBuddyIcon(const Buddy* buddy) {
    ScreenCall call = Named("ChatWindow.SetBuddyIcon",
                            RecordingScreens::Describe(m_session) + L", " + RecordingScreens::Describe(buddy));
    call.BuddyArg = buddy;
    Record(call);
}

void RecordingChatWindow::UpdateInputState() {
    Record(Named("ChatWindow.UpdateInputState", RecordingScreens::Describe(m_session)));
}

std::vector<std::wstring> RecordingChatWindow::Lines() const {
    std::vector<std::wstring> lines;
    for (const ScreenCall& call : m_calls) {
        if (call.Name == "ChatWindow.AppendLine") lines.push_back(call.Text);
    }
    return lines;
}

std::vector<int> RecordingChatWindow::LineKinds() const {
    std::vector<int> kinds;
    for (const ScreenCall& call : m_calls) {
        if (call.Name == "ChatWindow.AppendLine") kinds.push_back(call.Number);
    }
    return kinds;
}

std::wstring RecordingChatWindow::Status() const {
    for (auto it = m_calls.rbegin(); it != m_calls.rend(); ++it) {
        if (it->Name == "ChatWindow.SetStatusText") return it->Text;
    }
    return std::wstring();
}

size_t RecordingChatWindow::Count(const std::string& name) const {
    std::string full = name.rfind("ChatWindow.", 0) == 0 ? name : "ChatWindow." + name;
    return static_cast<size_t>(
        std::count_if(m_calls.begin(), m_calls.end(), [&](const ScreenCall& c) { return c.Name == full; }));
}

// ---------------------------------------------------------------- RecordingScreens

RecordingScreens::RecordingScreens() { SetScreens(this); }

RecordingScreens::~RecordingScreens() {
    // Windows may outlive the seam (their sessions are the model's); they stop reporting here.
    for (RecordingChatWindow* window : m_windows) window->m_screens = nullptr;
    if (&Screens() == this) SetScreens(nullptr);
}

void RecordingScreens::Record(ScreenCall call) { m_calls.push_back(std::move(call)); }

void RecordingScreens::Simple(const char* name) { Record(Named(name, L"")); }

void RecordingScreens::WithText(const char* name, const std::wstring& text) {
    ScreenCall call = Named(name, text);
    call.Text = text;
    Record(call);
}

void RecordingScreens::WithNumber(const char* name, int number) {
    ScreenCall call = Named(name, std::to_wstring(number));
    call.Number = number;
    Record(call);
}

void RecordingScreens::WithSession(const char* name, ChatSession* session) {
    ScreenCall call = Named(name, Describe(session));
    call.Session = session;
    Record(call);
}

void RecordingScreens::Forget(RecordingChatWindow* window) {
    m_windows.erase(std::remove(m_windows.begin(), m_windows.end(), window), m_windows.end());
    ScreenCall call = Named("ChatWindow.Destroyed", Describe(window->m_session));
    call.Session = window->m_session;
    Record(call);
}

std::wstring RecordingScreens::Describe(const Buddy* buddy) {
    return buddy != nullptr ? L"buddy:" + buddy->Id : L"null";
}

std::wstring RecordingScreens::Describe(const ChatSession* session) {
    return session != nullptr ? L"chat:" + session->BuddyId : L"null";
}

std::vector<std::wstring> RecordingScreens::Lines() const {
    std::vector<std::wstring> lines;
    for (const ScreenCall& call : m_calls) lines.push_back(call.Line);
    return lines;
}

std::vector<std::string> RecordingScreens::Names() const {
    std::vector<std::string> names;
    for (const ScreenCall& call : m_calls) names.push_back(call.Name);
    return names;
}

size_t RecordingScreens::Count(const std::string& name) const {
    return static_cast<size_t>(
        std::count_if(m_calls.begin(), m_calls.end(), [&](const ScreenCall& c) { return c.Name == name; }));
}

const ScreenCall* RecordingScreens::First(const std::string& name) const {
    for (const ScreenCall& call : m_calls) {
        if (call.Name == name) return &call;
    }
    return nullptr;
}

const ScreenCall* RecordingScreens::Last(const std::string& name) const {
    for (auto it = m_calls.rbegin(); it != m_calls.rend(); ++it) {
        if (it->Name == name) return &*it;
    }
    return nullptr;
}

std::wstring RecordingScreens::Dump() const {
    std::wstring text;
    for (const ScreenCall& call : m_calls) text += call.Line + L"\n";
    return text;
}

RecordingChatWindow* RecordingScreens::WindowOf(const ChatSession* session) const {
    for (RecordingChatWindow* window : m_windows) {
        if (window->Session() == session) return window;
    }
    return nullptr;
}

size_t RecordingScreens::RunPendingTasks() {
    size_t ran = 0;
    // A task may queue more; they run in this pass too, as posted messages would.
    while (!m_tasks.empty()) {
        std::function<void()> task = std::move(m_tasks.front());
        m_tasks.erase(m_tasks.begin());
        if (task) task();
        ++ran;
    }
    return ran;
}

bool RecordingScreens::AnswerConfirm(int result) {
    if (m_confirms.empty()) return false;
    std::function<void(int)> onResult = std::move(m_confirms.front());
    m_confirms.erase(m_confirms.begin());
    if (onResult) onResult(result);
    return true;
}

void RecordingScreens::Alert(const std::wstring& text) { WithText("Alert", text); }

void RecordingScreens::Confirm(const std::wstring& text, std::function<void(int result)> onResult) {
    WithText("Confirm", text);
    m_confirms.push_back(std::move(onResult));
}

void RecordingScreens::ShowNotice(const std::wstring& text) { WithText("ShowNotice", text); }

void RecordingScreens::RunLater(std::function<void()> task) {
    // Not logged: it is loop machinery, not something a screen shows; PendingTasks tells.
    if (RunTasksAtOnce) {
        if (task) task();
    } else {
        m_tasks.push_back(std::move(task));
    }
}

void RecordingScreens::OnResetToLogin() { Simple("OnResetToLogin"); }
void RecordingScreens::PlayNotification(int event) { WithNumber("PlayNotification", event); }
void RecordingScreens::UpdateNotifyIndicators() { Simple("UpdateNotifyIndicators"); }
void RecordingScreens::LoginShowPage(int page) { WithNumber("LoginShowPage", page); }
void RecordingScreens::ShowSignedIn() { Simple("ShowSignedIn"); }
void RecordingScreens::StatusBarCardRefresh() { Simple("StatusBarCardRefresh"); }

bool RecordingScreens::BuddyListRefresh() {
    Simple("BuddyListRefresh");
    return RefreshResult;
}

void RecordingScreens::BuddyListUpdateRow(const Buddy* buddy) {
    ScreenCall call = Named("BuddyListUpdateRow", Describe(buddy));
    call.BuddyArg = buddy;
    Record(call);
}

void RecordingScreens::BuddyProfileRepaint() { Simple("BuddyProfileRepaint"); }
void RecordingScreens::OpenBuddyRequestPage(const std::wstring& groupId) { WithText("OpenBuddyRequestPage", groupId); }
void RecordingScreens::BuddyRequestInfoRepaint() { Simple("BuddyRequestInfoRepaint"); }

void RecordingScreens::BuddyRequestInfoSetRequester(const Buddy* requester) {
    ScreenCall call = Named("BuddyRequestInfoSetRequester", Describe(requester));
    call.BuddyArg = requester;
    Record(call);
}

// An answer, not something shown: not logged.
const Buddy* RecordingScreens::BuddyProfileBuddy() { return ProfileBuddy; }

void RecordingScreens::BuddyProfileSetGroup(BuddyGroup* group) {
    ScreenCall call = Named("BuddyProfileSetGroup", group != nullptr ? L"group:" + group->Id : L"null");
    call.Text = group != nullptr ? group->Id : L"";
    call.Object = group;
    Record(call);
}

std::unique_ptr<ChatWindow> RecordingScreens::CreateChatWindow(ChatSession* session) {
    WithSession("CreateChatWindow", session);
    auto window = std::make_unique<RecordingChatWindow>(this, session);
    m_windows.push_back(window.get());
    ++m_windowsCreated;
    return window;
}

void RecordingScreens::ChatListAddRow(ChatSession* session) { WithSession("ChatListAddRow", session); }
void RecordingScreens::ChatListUpdateRow(ChatSession* session) { WithSession("ChatListUpdateRow", session); }
void RecordingScreens::PageIndicatorRebuild() { Simple("PageIndicatorRebuild"); }
void RecordingScreens::ParticipantsAddRow(ChatSession* session) { WithSession("ParticipantsAddRow", session); }
void RecordingScreens::ParticipantsRemoveRow(ChatSession* session, size_t) { WithSession("ParticipantsRemoveRow", session); }
void RecordingScreens::MemoListSwitchBox(int box) { WithNumber("MemoListSwitchBox", box); }
void RecordingScreens::MemoListInsertNewMemos(int count) { WithNumber("MemoListInsertNewMemos", count); }
void RecordingScreens::MemoListAppendPage(int count) { WithNumber("MemoListAppendPage", count); }

bool RecordingScreens::IsMemoReadPageCurrent() const { return MemoReadPageCurrent; }

MemoRecord* RecordingScreens::MemoReadRecord() { return ReadRecord; }

void RecordingScreens::MemoReadFill(const ImsgReceived& memo) {
    ScreenCall call = Named("MemoReadFill", L"");
    call.Object = &memo;
    Record(call);
}

void RecordingScreens::ShowUpgradeBox() { Simple("ShowUpgradeBox"); }

void RecordingScreens::SetUpgradeProgress(float progress) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%.2f", static_cast<double>(progress));
    ScreenCall call = Named("SetUpgradeProgress", text);
    call.Progress = progress;
    Record(call);
}
