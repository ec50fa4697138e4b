// The whole program in a test: MessengerApp started by the program's own steps on the headless
// presenter, with the project's skin, pictures and sounds, on the test clock and with local time
// fixed, its settings, window announcements and program folder private to the test. Screen tests
// are written through it:
//
//     MessengerRig rig;
//     ASSERT_TRUE(rig.Start());
//     ASSERT_TRUE(rig.StartService());           // the local service stand-in, in this process
//     ASSERT_TRUE(rig.SignIn(L"minsu@tevrik.example", L"1234"));
//     rig.Tap({L"BuddyList", L"SearchBar", L"SearchWord"});
//     EXPECT_TRUE(rig.MatchesGolden("buddy_list_filtered"));
//
// - Time: the test clock starts with the rig, so timers fire only when the test advances it, and
//   GetLocalTime reads kLocalStart plus the time advanced. Sockets are real: waiting for the service
//   runs the loop in real time (PumpUntil) while the test clock stands still.
// - The program folder is a fresh folder with Image/ and Sound/ linked to the built assets
//   (TEVRIK_ASSETS_DIR), unless the test chose another skin before Start.
// - Stop (or the destructor) ends the program as a user closing its window does: WM_CLOSE, the
//   real loop to its end, the application's exit, the application deleted, the framework stopped.
// - Capture: CaptureSessionWrites puts a wire into the application's protocol session, so every
//   frame the program sends is kept (Sent) and frames can be handed to it (Inject) without a socket.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/Program.h"
#include "app/ScreenSkin.h"
#include "messenger/protocol/ProtocolSession.h"
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
    // The fixed local time every rig starts at: Friday 15 March 2024, 14:30:00.
    static constexpr SYSTEMTIME kLocalStart{2024, 3, 5, 15, 14, 30, 0, 0};
    // How long a wait for the service may take in real time.
    static constexpr double kServiceBound = 20.0;

    MessengerRig();
    ~MessengerRig();
    MessengerRig(const MessengerRig&) = delete;
    MessengerRig& operator=(const MessengerRig&) = delete;

    // ---- the program folder, before Start
    const testsupport::TempFolder& ProgramFolder() const { return m_folder; }
    std::string FolderFile(const std::string& name) const { return m_folder.File(name); }
    // Image/Skin.dat becomes this text (UTF-8) instead of the project's skin; the pictures are
    // still the project's. An empty text leaves no skin file at all.
    void UseSkinText(const std::string& text);
    // The project's skin file, as the assets build made it.
    static std::string ProjectSkinPath();
    static std::string AssetsFolder();

    // ---- the program
    // The program's own start (Program::Start); false when it ends at start-up.
    bool Start();
    // See above. Once; harmless when not started.
    void Stop();
    MessengerApp& App() { return *m_program.App(); }
    HWND Window() const;
    bool Started() const { return m_started; }

    // ---- the loop
    // Dispatches what waits, without blocking: after an input or a call into the program.
    void Settle();
    // Moves the test clock (each tick dispatched at its time).
    void Advance(DWORD ms) { m_clock.Advance(ms); }
    void AdvanceSeconds(double seconds) { m_clock.AdvanceSeconds(seconds); }
    FakeClock& Clock() { return m_clock; }

    // ---- input, routed through the main window as a user's
    // The centre of the "_Rect" of the element at the path, moved by the "_Rect" of each element
    // above it on the path that has one (a page's section, a part), and by `origin` (for an
    // element whose window lies in another, such as the root section "TabBar" inside a page).
    POINT SkinPoint(SkinPath path, POINT origin = POINT{0, 0}) const;
    void Tap(SkinPath path, POINT origin = POINT{0, 0});
    void TapAt(int x, int y);
    void Key(UINT virtualKey);
    void Type(const std::u32string& text);

    // ---- pictures
    // The framebuffer, settled, compared with tests/golden/NAME.png (tests/support/Golden.h).
    ::testing::AssertionResult MatchesGolden(const std::string& name);

    // ---- the service stand-in
    // Starts it in this process with the seed (the demo seed when empty) and points the program's
    // login and trust at it.
    bool StartService(const std::string& seedJson = std::string());
    tevrik_service::TestService& Service() { return *m_service; }
    static std::string DemoSeed();
    // Signs the user in as the login form does and waits (real time) until the buddy list is in;
    // false when it did not get there.
    bool SignIn(const std::wstring& loginId, const std::wstring& password);

    // ---- the application's own protocol session without a socket
    void CaptureSessionWrites();
    // As the connect of the phase completing: the session sends that phase's first request, if any.
    void ConnectCaptured(int phase);
    // One complete frame dispatched by the session.
    void Inject(const std::string& frame);
    const std::vector<std::string>& Sent() const;
    std::string SentText() const;
    void ClearSent();

private:
    class Wire;
    void LinkAssets();

    testsupport::TempFolder m_folder;
    testsupport::TempFolder m_runtime;
    testsupport::ScopedConfigHome m_config;
    std::unique_ptr<testsupport::ScopedEnv> m_runtimeEnv;
    FakeClock m_clock;
    Program m_program;
    bool m_started = false;
    bool m_stopped = false;
    std::unique_ptr<Wire> m_wire;
    std::unique_ptr<tevrik_service::TestService> m_service;
    std::vector<std::unique_ptr<testsupport::ScopedEnv>> m_serviceEnv;
};
