// The whole program in a test: MessengerApp started and ended by the program's own steps (the end
// through the real loop, as a closed window ends it) on the headless presenter, with the built
// skin, pictures and sounds (TEVRIK_ASSETS_DIR) in a private program folder, private settings and
// window announcements, the test clock, and local time fixed at kLocalStart. Sockets are real:
// waits for the service stand-in run the loop in real time while the test clock stands still.
//
//     MessengerRig rig;
//     ASSERT_TRUE(rig.Start() && rig.StartService());
//     ASSERT_TRUE(rig.SignIn(L"minsu@tevrik.example", L"1234"));
//     rig.Tap({L"BuddyList", L"SearchBar", L"SearchWord"});
//     EXPECT_TRUE(rig.MatchesGolden("buddy_list_filtered"));
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/Program.h"
#include "app/ScreenSkin.h"
#include "platform/system/systime.h"
#include "tests/support/Golden.h"
#include "tests/support/Pump.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/temp_folder.h"

namespace tevrik_service {
class TestService;
}

class MessengerRig {
public:
    // Friday 15 March 2024, 14:30:00.
    static constexpr SYSTEMTIME kLocalStart{2024, 3, 5, 15, 14, 30, 0, 0};

    MessengerRig();
    ~MessengerRig();
    MessengerRig(const MessengerRig&) = delete;
    MessengerRig& operator=(const MessengerRig&) = delete;

    // Before Start: a file of the program folder, and a skin of the test's own (UTF-8 text; empty:
    // no skin file) in place of the project's.
    std::string FolderFile(const std::string& name) const { return m_folder.File(name); }
    void UseSkinText(const std::string& text);

    bool Start();
    void Stop();  // once; harmless when not started
    MessengerApp& App() { return *m_program.App(); }
    HWND Window() const;

    void Settle() { PumpUntilIdle(2.0); }
    void Advance(DWORD ms) { m_clock.Advance(ms); }
    void Pass(DWORD ms) {
        Advance(ms);
        Settle();
    }
    FakeClock& Clock() { return m_clock; }
    // A page slid in over the current one, as a page opened from it is, and the status bar's Back;
    // each slide run to its end.
    void Cover(ScreenBase* page);
    void Back();

    // Input routed through the main window. A skin path is tapped at the centre of its "_Rect",
    // moved by the "_Rect" of each element above it on the path that has one and by `origin`
    // (for an element of a window that lies in another, as the tab bar in a page).
    void Tap(SkinPath path, POINT origin = POINT{0, 0});
    void TapAt(int x, int y);
    // Halfway down the rectangle, `x` from its left (its centre when negative); a table's row.
    void TapIn(const RECT& r, int x = -1);
    void TapRow(QeTableView& table, int32_t row, int x = -1);
    // The open message box: its text (empty when none is open), a part of it tapped ("OkButton",
    // "YesButton", "NoButton", "CheckBox").
    std::wstring BoxText() const;
    void TapBox(const wchar_t* part, const wchar_t* section = L"MsgBox");
    void Key(UINT virtualKey);
    // Text typed into the focus view, as a keyboard with no input method gives it.
    void Type(const std::wstring& text);
    ::testing::AssertionResult MatchesGolden(const std::string& name);
    // The sounds played since the device calls were cleared: "name.wav, flags)".
    static std::vector<std::wstring> Sounds();

    // The service stand-in in this process (the demo seed when none is given), with the program's
    // login and trust pointed at it; a user signed in as the login form does, waiting (real time)
    // until the buddy list is in.
    bool StartService(const std::string& seedJson = std::string());
    tevrik_service::TestService& Service() { return *m_service; }
    bool SignIn(const std::wstring& loginId, const std::wstring& password);
    // Pages as a signed-in user sees them: the status bar and its card in place of the login screen.
    void LookSignedIn();

    // The application's session writing to a capture instead of a socket: ConnectCaptured runs
    // the connect of the phase (its first request is sent; the capture made first if it was not),
    // Inject dispatches one frame.
    void CaptureSessionWrites();
    void ConnectCaptured(int phase);
    void Inject(const std::string& frame);
    std::string SentText() const;
    // What went out since the last call; `restartIds`: transaction ids from 1 again after it.
    std::string Fresh(bool restartIds = false);

private:
    class Wire;

    testsupport::TempFolder m_folder, m_runtime;
    testsupport::ScopedConfigHome m_config;
    testsupport::ScopedEnv m_runtimeEnv;
    FakeClock m_clock;
    Program m_program;
    bool m_started = false;
    size_t m_seen = 0;
    std::unique_ptr<Wire> m_wire;
    std::unique_ptr<tevrik_service::TestService> m_service;
    std::vector<std::unique_ptr<testsupport::ScopedEnv>> m_serviceEnv;
};

// A test of the started program; Prepare adds what the test needs once it runs.
class RigTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig.Start());
        Prepare();
    }
    virtual void Prepare() {}
    MessengerApp& app() { return rig.App(); }

    MessengerRig rig;
};

// A request inside the frame CRP2 2, as the session sends its first once ids start from 1 again;
// nothing for nothing.
std::string Carried(const std::string& inner);

// "left,top,right,bottom".
std::string RectText(const RECT& r);
