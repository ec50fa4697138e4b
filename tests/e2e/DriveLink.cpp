#include "tests/e2e/DriveLink.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <sstream>

#include "app/Program.h"
#include "app/screens/chats/ChatPage.h"
#include "app/screens/common/MsgBox.h"
#include "app/screens/common/NotifyBox.h"
#include "framework/base/QeStrings.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/view/QePopup.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/MemoStore.h"
#include "platform/screen/presenter.h"
#include "platform/windows/imm.h"
#include "platform/windows/input.h"
#include "platform/windows/window.h"
#include "tests/support/Pump.h"

// Sounds played and LED changes, passed on to the presenter that shows the program.
class SoundAndLedLog : public Presenter {
public:
    explicit SoundAndLedLog(Presenter* next) : m_next(next) {}

    void Shown(HWND window, int width, int height) override { m_next->Shown(window, width, height); }
    void Hidden(HWND window) override { m_next->Hidden(window); }
    void Resized(HWND window, int width, int height) override { m_next->Resized(window, width, height); }
    void Painted(HWND window, const RECT& area) override { m_next->Painted(window, area); }
    void Raised(HWND window) override { m_next->Raised(window); }
    void TextInput(bool on) override { m_next->TextInput(on); }
    bool Visible() const override { return m_next->Visible(); }
    void Flash(bool on) override {
        Note(on ? "on" : "off", m_leds);
        m_next->Flash(on);
    }
    SoundPlay PlaySound(const std::string& path) override {
        Note(path.substr(path.find_last_of("/\\") + 1), m_sounds);
        return m_next->PlaySound(path);
    }

    // What came since the last call, comma-separated.
    std::string TakeSounds() { return Take(m_sounds); }
    std::string TakeLeds() { return Take(m_leds); }
    Presenter* Next() const { return m_next; }

private:
    void Note(const std::string& what, std::string& list) {
        std::lock_guard<std::mutex> guard(m_lock);
        list += (list.empty() ? "" : ",") + what;
    }
    std::string Take(std::string& list) {
        std::lock_guard<std::mutex> guard(m_lock);
        return std::exchange(list, std::string());
    }

    Presenter* m_next;
    std::mutex m_lock;
    std::string m_sounds, m_leds;
};

namespace {

constexpr UINT kRunCommands = WM_USER + 7;
const wchar_t kCommandClass[] = L"TevrikDriveLink";

LRESULT CommandWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunCommands) {
        reinterpret_cast<DriveLink*>(lParam)->RunWaiting();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND MainWindow() {
    QeMainWindow* main = QeMainWindow::Instance();
    return main != nullptr ? main->Handle() : nullptr;
}

// Text on one line: backslash, CR and LF written as \\, \r and \n.
std::string OneLine(const std::wstring& text) {
    std::string out;
    for (char c : QeStrings::WideToUtf8(text)) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

}  // namespace

DriveLink::DriveLink(FakeClock* clock) : m_clock(clock) {}

DriveLink::~DriveLink() { Shut(); }

bool DriveLink::Open(Program& program, unsigned short port) {
    m_program = &program;
    static const bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &CommandWindowProc;
        windowClass.lpszClassName = kCommandClass;
        return RegisterClassW(&windowClass) != 0;
    }();
    if (!registered) return false;
    m_commandWindow = CreateWindowExW(0, kCommandClass, kCommandClass, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    m_log = std::make_unique<SoundAndLedLog>(&CurrentPresenter());
    SetPresenter(m_log.get());
    return m_commandWindow != nullptr && Connect(QeSocketAddress(L"127.0.0.1", port), 0);
}

void DriveLink::Shut() {
    Close();
    if (m_log) SetPresenter(m_log->Next() == &CurrentPresenter() ? nullptr : m_log->Next());
    m_log.reset();
    if (m_commandWindow != nullptr) DestroyWindow(m_commandWindow);
    m_commandWindow = nullptr;
}

void DriveLink::FrameLength(const BYTE* bytes, DWORD available, DWORD& length) {
    for (DWORD i = 0; i < available; ++i) {
        if (bytes[i] == '\n') {
            length = i + 1;
            return;
        }
    }
}

void DriveLink::OnMessage(const BYTE* bytes, DWORD length) {
    std::string line(reinterpret_cast<const char*>(bytes), length);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    m_waiting.push_back(line);
    PostMessageW(m_commandWindow, kRunCommands, 0, reinterpret_cast<LPARAM>(this));
}

// The test went away: nothing is left to drive the program, which closes.
void DriveLink::OnClose() { PostMessageW(MainWindow(), WM_CLOSE, 0, 0); }
void DriveLink::OnError(int) { PostMessageW(MainWindow(), WM_CLOSE, 0, 0); }

void DriveLink::RunWaiting() {
    if (m_running) return;  // the command running now goes on with the rest when it is done
    m_running = true;
    while (!m_waiting.empty()) {
        const std::string line = m_waiting.front();
        m_waiting.erase(m_waiting.begin());
        Answer(Execute(line));
    }
    m_running = false;
}

void DriveLink::Answer(const std::string& text) {
    const std::string line = text + "\n";
    Send(line.data(), line.size());
}

std::string DriveLink::Execute(const std::string& line) {
    std::istringstream in(line);
    std::string command;
    in >> command;
    std::string rest;
    std::getline(in >> std::ws, rest);
    std::istringstream args(rest);
    const HWND window = MainWindow();
    if (window == nullptr) return "error no window";
    if (command == "tap") {
        int x = 0, y = 0;
        if (!(args >> x >> y)) return "error tap x y";
        InjectClick(window, x, y);
    } else if (command == "drag") {
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        unsigned ms = 0;
        if (!(args >> x1 >> y1 >> x2 >> y2 >> ms)) return "error drag x1 y1 x2 y2 ms";
        InjectPen(window, WM_LBUTTONDOWN, x1, y1);
        PumpPending();
        const int steps = ms >= 40 ? static_cast<int>(ms / 20) : 1;
        for (int i = 1; i <= steps; ++i) {
            Advance(ms / steps);
            InjectPen(window, WM_MOUSEMOVE, x1 + (x2 - x1) * i / steps, y1 + (y2 - y1) * i / steps);
            PumpPending();
        }
        InjectPen(window, WM_LBUTTONUP, x2, y2);
    } else if (command == "key") {
        unsigned vk = 0;
        if (!(args >> vk)) return "error key vk";
        InjectKeyPress(window, vk);
    } else if (command == "chars" || command == "compose") {
        // Committed text goes past the Korean keyboard; composed text is typed on it and its
        // composition ends with the line. The input mode the screen chose is kept.
        HIMC context = ImmGetContext(window);
        DWORD conversion = 0, sentence = 0;
        ImmGetConversionStatus(context, &conversion, &sentence);
        const bool compose = command == "compose";
        ImmSetConversionStatus(context, compose ? IME_CMODE_NATIVE : IME_CMODE_ALPHANUMERIC, sentence);
        const std::wstring text = QeStrings::Utf8ToWide(rest);
        InjectText(window, std::u32string(text.begin(), text.end()));
        PumpPending();
        ImmSetConversionStatus(context, IME_CMODE_ALPHANUMERIC, sentence);
        ImmSetConversionStatus(context, conversion, sentence);
    } else if (command == "settle") {
        if (!Settle()) return "error still busy after 5 s";
    } else if (command == "advance") {
        unsigned ms = 0;
        if (!(args >> ms)) return "error advance ms";
        Advance(ms);
    } else if (command == "shot") {
        if (!SaveFramebufferPng(window, rest)) return "error cannot write " + rest;
    } else if (command == "state") {
        return "state " + State();
    } else if (command == "quit") {
        InjectClose(window);
    } else {
        return "error unknown command " + command;
    }
    return "ok";
}

bool DriveLink::Settle() {
    // On the real clock timers keep ticking (the caret, the keep-alive): the queue is emptied and
    // the loop runs 100 ms more.
    if (m_clock == nullptr) {
        const bool idle = PumpUntilIdle(5.0);
        PumpFor(0.1);
        return idle;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    for (;;) {
        if (!PumpUntilIdle(std::chrono::duration<double>(deadline - Clock::now()).count())) return false;
        if (Clock::now() >= deadline) return false;
        MSG msg;
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message == WM_QUIT) return true;
        // Quiet for 100 ms: nothing more is on its way.
        if (!WaitMessageTimeout(100)) return true;
    }
}

void DriveLink::Advance(unsigned ms) {
    if (m_clock != nullptr) {
        m_clock->Advance(ms);
    } else {
        PumpFor(ms / 1000.0);
    }
}

std::string DriveLink::State() {
    MessengerApp& app = *m_program->App();
    std::ostringstream out;
    std::string page = "-";
    MessengerApp::WindowEntry windows[MessengerApp::kWindowCount];
    app.Windows(windows);
    for (const MessengerApp::WindowEntry& entry : windows) {
        if (entry.window == app.CurrentPage()) page = QeStrings::WideToUtf8(entry.section);
    }
    if (dynamic_cast<ChatPage*>(app.CurrentPage()) != nullptr) page = QeStrings::WideToUtf8(ChatPage::kSection);
    out << "page=" << page;
    out << " login=" << (app.Login().IsVisible() ? std::to_string(app.Login().CurrentPanel()) : "-");
    std::wstring popup;
    if (auto* box = dynamic_cast<MsgBox*>(QePopup::Current())) popup = box->Text().GetText();
    else if (auto* notice = dynamic_cast<NotifyBox*>(QePopup::Current())) popup = notice->Text().GetText();
    else if (QePopup::Current() != nullptr) popup = L"(popup)";
    out << " popup=\"" << OneLine(popup) << "\"";
    if (const QePopup* open = QePopup::Current()) out << "@" << open->Rect().left << "," << open->Rect().top;
    out << " buddies=";
    std::string buddies;
    if (BuddyRoster* roster = BuddyRoster::Instance()) {
        roster->ForEach([&](const Buddy& buddy) {
            buddies += (buddies.empty() ? "" : ",") + OneLine(buddy.Id) + ":" + std::to_string(buddy.Status) + ":" +
                       OneLine(buddy.Nickname);
        });
    }
    out << (buddies.empty() ? "-" : buddies);
    const ChatSessionManager* chats = ChatSessionManager::Instance();
    out << " chats=" << (chats != nullptr ? chats->Count() : 0) << "/" << (chats != nullptr ? chats->HasUnreadChat() : 0);
    size_t memos = 0, unread = 0;
    if (const MemoStore* store = MemoStore::Instance()) {
        memos = store->Count();
        for (size_t i = 0; i < memos; ++i) unread += store->RecordAt(i)->Read == 0 ? 1 : 0;
    }
    out << " memos=" << memos << "/" << unread;
    out << " sounds=" << (m_log ? m_log->TakeSounds() : "") << " leds=" << (m_log ? m_log->TakeLeds() : "");
    out << " search=\"" << OneLine(app.BuddyList().SearchBar().SearchWord().GetText()) << "\"";
    out << " filter=\"" << OneLine(app.BuddyList().Table().FilterText()) << "\"";
    // Anything of the model a screen still holds.
    std::string held;
    auto hold = [&](bool holds, const char* name) { held += holds ? (held.empty() ? "" : ",") + std::string(name) : ""; };
    hold(app.BuddyProfile().ShownBuddy() != nullptr || app.BuddyProfile().ShownGroup() != nullptr, "profile");
    hold(app.BuddyRequestInfo().Table().Requester() != nullptr || app.BuddyRequestInfo().Table().Group() != nullptr,
         "request");
    hold(app.BuddySelect().Chat() != nullptr || app.BuddySelect().Table().GetItemCount() > 0, "select");
    hold(app.ChatInfo().Table().Session() != nullptr, "participants");
    hold(app.MemoRead().View().Memo() != nullptr, "memo");
    out << " held=" << (held.empty() ? "-" : held);
    return out.str();
}
