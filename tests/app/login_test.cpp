// The login screen through the whole program: what it shows at start-up for each saved login, a
// typed sign-in against the service stand-in, Cancel at each step of the road, the progress bar
// and the move out of the input panel's way, and the returns to the gate.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/SkinDocument.h"
#include "app/screens/common/MenuAccount.h"
#include "app/screens/common/MsgBox.h"
#include "app/screens/login/LoginPrompts.h"
#include "app/screens/login/LoginSettings.h"
#include "framework/base/QeRegistry.h"
#include "framework/ui/motion/QeTransitionManager.h"
#include "framework/ui/view/QePopup.h"
#include "messenger/model/Credentials.h"
#include "messenger/protocol/KeepAlive.h"
#include "messenger/protocol/ProtocolSession.h"
#include "messenger/protocol/Reset.h"
#include "messenger/protocol/SignIn.h"
#include "platform/system/device.h"
#include "platform/windows/input.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/MessengerRig.h"
#include "tests/support/SkinRect.h"
#include "tools/service/TestService.h"

namespace {

using namespace std::chrono_literals;
constexpr wchar_t kMinsu[] = L"minsu@tevrik.example";

std::wstring Digest(const std::wstring& id, const std::wstring& password) {
    std::wstring digest;
    HashCredentials(digest, id, password);
    return digest;
}

// A saved login as the registry holds it; a negative keep writes nothing at all.
void SaveLogin(int keep, const std::wstring& id, const std::wstring& hash, bool agreed) {
    if (keep < 0) return;
    QeRegistryKey key;
    ASSERT_TRUE(key.Create(LoginSettings::kKeyPath, HKEY_CURRENT_USER));
    if (keep > 1) return;  // the key alone
    LoginSettings::WriteLogin(id, keep == 1);
    SavePassword(hash);
    LoginSettings::WriteAgreed(agreed);
}

LoginPage& Login(MessengerRig& rig) { return rig.App().Login(); }

}  // namespace

TEST(Login, StartUpFollowsTheSavedLogin) {
    const std::wstring digest = Digest(kMinsu, L"1234");
    struct Case {
        const char* name;
        int keep;  // -1 no key, 2 a key without values
        std::wstring hash;
        bool agreed;
        int panel;
        const wchar_t* id;
        const wchar_t* domain;
        bool keepChecked;
        const char* golden;
        // The consent prompt, with its check box ticked, answered by a tap on this part; empty:
        // replaced by another box. Null: no prompt.
        const wchar_t* consent = nullptr;
        uint32_t agreedAfter = 1;
        // A login server the connect cannot even start to reach: its alert comes, and is answered.
        const char* host = nullptr;
    } cases[] = {
        {"no key", -1, L"", false, 0, L"", L"tevrik.example", true, "login_form_first_run"},
        {"key without values", 2, L"", false, 0, L"", L"tevrik.example", false, nullptr},
        {"keep 0", 0, digest, true, 1, L"", L"", false, "login_gate"},
        {"keep 1, agreed", 1, digest, true, 2, L"", L"", false, "login_connecting"},
        {"keep 1, not agreed, no", 1, digest, false, 0, L"minsu", L"tevrik.example", true, nullptr, L"NoButton", 1},
        {"keep 1, not agreed, yes", 1, digest, false, 2, L"", L"", false, nullptr, L"YesButton", 1},
        {"keep 1, prompt replaced", 1, digest, false, 0, L"minsu", L"tevrik.example", true, nullptr, L"", 0},
        {"not a digest", 1, L"not-a-digest", true, 0, L"minsu", L"tevrik.example", true, nullptr},
        {"keep 1, agreed, no route", 1, digest, true, 0, L"minsu", L"tevrik.example", true, nullptr, nullptr, 1,
         "255.255.255.255"},
        {"keep 1, not agreed, yes, no route", 1, digest, false, 0, L"minsu", L"tevrik.example", true, nullptr,
         L"YesButton", 1, "255.255.255.255"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessengerRig rig;
        ASSERT_TRUE(rig.StartService());
        rig.Service().SetNoReply("PVER");
        SaveLogin(c.keep, kMinsu, c.hash, c.agreed);
        testsupport::ScopedEnv host("TEVRIK_LOGIN_HOST", c.host != nullptr ? c.host : "127.0.0.1");
        ASSERT_TRUE(rig.Start());
        if (c.consent != nullptr) {
            EXPECT_EQ(rig.BoxText(), LoginPrompts::kConsentText);
            rig.TapBox(L"CheckBox");
            if (*c.consent != L'\0') rig.TapBox(c.consent);
            if (*c.consent == L'\0') MsgBox::Alert(L"다른 상자");
            rig.Settle();
            EXPECT_EQ(QeRegistry::ReadDword(LoginSettings::kKeyPath, LoginSettings::kAgreed, 0), c.agreedAfter);
        }
        if (c.host != nullptr) {
            EXPECT_EQ(rig.BoxText(), L"네트워크를 사용할 수 없습니다.");
            rig.TapBox(L"OkButton");
        }
        EXPECT_TRUE(Login(rig).IsVisible());
        EXPECT_EQ(Login(rig).CurrentPanel(), c.panel);
        LoginFormPanel& form = Login(rig).Form();
        // id|domain|password|offline|keep
        const std::wstring fields = form.IdEdit.GetText() + L"|" + form.AccountEdit.GetText() + L"|" +
                                    form.PasswordEdit.GetText() +
                                    (form.LoginAsOfflineCheckBox.IsChecked() ? L"|off" : L"|") +
                                    (form.KeepIdPasswordCheckBox.IsChecked() ? L"|keep" : L"|");
        const std::wstring expected = std::wstring(c.id) + L"|" + c.domain + L"||" + (c.keepChecked ? L"|keep" : L"|");
        if (c.panel == 0) { EXPECT_EQ(fields, expected); }
        if (c.panel == 1) { EXPECT_EQ(Login(rig).Gate().IdText.Text().Text(), kMinsu); }
        const auto waitingForPver = [] {
            return ProtocolSession::Instance()->WaitingFor() == ProtocolSession::SignInStep::Pver;
        };
        if (c.panel == 2) { EXPECT_TRUE(PumpUntil(waitingForPver, 10.0)); }
        if (c.golden != nullptr) { EXPECT_TRUE(rig.MatchesGolden(c.golden)); }
    }
}

TEST(Login, TypedDemoAccountSignsInAndLogOutReturnsToTheGate) {
    MessengerRig rig;
    ASSERT_TRUE(rig.StartService());
    QeRegistry::WriteDword(LoginSettings::kKeyPath, LoginSettings::kAgreed, 1);
    ASSERT_TRUE(rig.Start());
    const SkinPath id = {L"Login", L"Counter", L"IdEdit"}, password = {L"Login", L"Counter", L"PasswordEdit"};
    rig.Tap(id);
    rig.Type(L"minsu");
    rig.Key(13);
    EXPECT_TRUE(Login(rig).Form().PasswordEdit.HasFocus());
    rig.Type(L"wrong");
    // The refusal may come back within one settle: watch for the connecting panel message by message.
    const RECT login = SkinPathRect(SkinDocument::Instance()->Top(), {L"Login", L"Counter", L"LoginButton"}, POINT{0, 0});
    InjectClick(rig.Window(), (login.left + login.right) / 2, (login.top + login.bottom) / 2);
    EXPECT_TRUE(PumpUntil([&] { return Login(rig).CurrentPanel() == 2; }, 10.0));
    ASSERT_TRUE(PumpUntil([&] { return Login(rig).CurrentPanel() == 0; }, 10.0));
    EXPECT_FALSE(ProtocolSession::Instance()->IsConnected());
    EXPECT_EQ(rig.BoxText(), ProtocolSession::FailureCodeText(301));
    rig.TapBox(L"OkButton");

    rig.Tap(password);
    rig.Type(L"1234");
    rig.Tap({L"Login", L"Counter", L"KeepIdPasswordCheckBox"});
    EXPECT_TRUE(Login(rig).Form().KeepIdPasswordCheckBox.IsChecked());
    rig.Tap(password);
    ClearDeviceCalls();
    rig.Key(13);
    ASSERT_TRUE(PumpUntil([&] { return !Login(rig).IsVisible(); }, 20.0));
    EXPECT_EQ(rig.Sounds(), std::vector<std::wstring>{L"login.wav, 0x20001)"});
    EXPECT_TRUE(rig.App().SignedIn());
    EXPECT_TRUE(rig.App().StatusBarWindow().IsVisible());
    EXPECT_EQ(rig.App().CurrentPage(), &rig.App().BuddyList());
    // The id and hash were kept when the attempt started.
    std::wstring kept;
    LoadSavedPassword(kept);
    EXPECT_EQ(kept, Digest(kMinsu, L"1234"));
    EXPECT_EQ(QeRegistry::ReadString(LoginSettings::kKeyPath, LoginSettings::kUserId, L""), kMinsu);

    const auto conn = rig.Service().SignedInConnection("minsu@tevrik.example");
    LogOut();
    EXPECT_TRUE(rig.Service().WaitForClientFrame(conn, "LOUT", 5s).has_value());
    EXPECT_TRUE(rig.Service().WaitForClose(conn, 5s));
    EXPECT_TRUE(Login(rig).IsVisible());
    EXPECT_EQ(Login(rig).CurrentPanel(), 1);
    EXPECT_FALSE(rig.App().StatusBarWindow().IsVisible());
    EXPECT_EQ(rig.App().CurrentPage(), nullptr);
}

TEST(Login, CancelAtEachStepEndsTheWholeAttempt) {
    using Step = ProtocolSession::SignInStep;
    const std::pair<const char*, Step> steps[] = {
        {"PVER", Step::Pver}, {"AUTH", Step::Auth}, {"REQS", Step::Reqs}, {"LIN2", Step::Lin2}, {"LSTA", Step::List}};
    for (const auto& [command, step] : steps) {
        SCOPED_TRACE(command);
        MessengerRig rig;
        ASSERT_TRUE(rig.StartService());
        SaveLogin(0, kMinsu, Digest(kMinsu, L"1234"), true);
        ASSERT_TRUE(rig.Start());
        rig.Service().SetNoReply(command);
        rig.Tap({L"Login", L"Gate", L"LoginButton"});
        ASSERT_TRUE(PumpUntil([&] { return ProtocolSession::Instance()->WaitingFor() == step; }, 10.0));
        // The service has taken the request: else it may accept the connection, and record the
        // request, only after the cancel had closed it.
        ASSERT_TRUE(rig.Service().WaitForClientFrame(tevrik_service::kAllConnections, command, 5s));
        rig.Tap({L"Login", L"Connecting", L"CancelButton"});
        const auto closed = [&] {
            const auto all = rig.Service().Connections();
            return std::none_of(all.begin(), all.end(), [](const auto& info) { return info.open; });
        };
        ASSERT_TRUE(rig.Service().WaitUntil(closed, 5s));
        const size_t frames = rig.Service().FrameCount();
        rig.Pass(120000);
        EXPECT_EQ(Login(rig).CurrentPanel(), 1);
        EXPECT_TRUE(Login(rig).IsVisible());
        EXPECT_FALSE(rig.App().SignedIn());
        EXPECT_EQ(KeepAlive::Instance()->TimerId, 0u);
        EXPECT_EQ(ProtocolSession::Instance()->WaitingFor(), Step::None);
        for (const auto& frame : rig.Service().Frames(frames)) EXPECT_FALSE(frame.fromClient) << frame.command;
    }
}

TEST(Login, ProgressBarFillsACellPerTickAndStartsAgain) {
    MessengerRig rig;
    ASSERT_TRUE(rig.Start());
    Login(rig).ShowPage(LoginPage::kConnectingPanel);
    const LoginProgressBar& bar = Login(rig).Connecting().ProgressBar;
    std::vector<int> filled;
    for (int tick = 0; tick < 12; ++tick) {
        rig.Advance(200);
        int count = 0;
        for (int i = 0; i < LoginProgressBar::kCellCount; ++i) count += bar.Cell(i).IsChecked() ? 1 : 0;
        filled.push_back(count);
    }
    EXPECT_EQ(filled, std::vector<int>({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0}));
    // A tap on a cell changes nothing.
    rig.TapAt(bar.GetScreenRect().left + 12, bar.GetScreenRect().top + 12);
    EXPECT_FALSE(bar.Cell(0).IsChecked());
}

TEST(Login, FormMovesOutOfTheInputPanelsWayAndBack) {
    MessengerRig rig;
    ASSERT_TRUE(rig.Start());
    ASSERT_EQ(Login(rig).CurrentPanel(), 0);
    const RECT home = ScreenSkin::Rect({L"Login"});
    const LONG passwordBottom = ScreenSkin::Rect({L"Login", L"Counter", L"PasswordSkin"}).bottom;
    const LONG top = -20 - (passwordBottom - (400 - 52));
    rig.App().Root().BroadcastSipShown(RECT{0, 400, 480, 588});
    rig.Pass(600);
    EXPECT_TRUE(rig.MatchesGolden("login_form_moved"));
    const RECT moved = Login(rig).Rect();
    EXPECT_EQ(std::vector<LONG>({moved.left, moved.top, moved.right, moved.bottom}),
              std::vector<LONG>({0, top, home.right - home.left, top + home.bottom - home.top}));
    rig.App().Root().BroadcastSipHidden();
    rig.Pass(600);
    const RECT back = Login(rig).Rect();
    EXPECT_EQ(std::vector<LONG>({back.left, back.top, back.right, back.bottom}),
              std::vector<LONG>({home.left, home.top, home.right, home.bottom}));
    // A pen down on a field hides the panel and shows it again: from field to field the form stays
    // out of its way.
    SetSipPanelRect(RECT{0, 400, 480, 588});
    for (QeEdit* field : {&Login(rig).Form().IdEdit, &Login(rig).Form().PasswordEdit}) {
        rig.TapIn(field->GetScreenRect());
        rig.Pass(600);
        EXPECT_EQ(Login(rig).Rect().top, top);
    }
    ResetDevices();
}

TEST(Login, SessionEndsReturnToTheGateAndResetsRunTwiceDuringATransition) {
    MessengerRig rig;
    ASSERT_TRUE(rig.Start() && rig.StartService());
    for (int ending = 0; ending < 3; ++ending) {
        SCOPED_TRACE(ending);
        ASSERT_TRUE(rig.SignIn(kMinsu, L"1234"));
        const auto conn = rig.Service().SignedInConnection("minsu@tevrik.example");
        if (ending == 0) rig.Service().CloseConnection(conn);
        if (ending == 1) rig.Service().SendKill(conn);
        if (ending == 2) {
            rig.App().SwitchView(&rig.App().ChatList(), kSwitchPushLeftwards, false);
            ASSERT_TRUE(QeTransitionManager::Instance()->IsAnyRunning());
            ResetToLogin();
            ResetToLogin();
            rig.Advance(1000);
        }
        ASSERT_TRUE(PumpUntil([&] { return Login(rig).IsVisible(); }, 10.0));
        rig.Settle();
        const wchar_t* texts[] = {L"Tevrik 서버와의 연결이 끊어졌습니다.",
                                  L"다른 기기에서 동일 아이디로 접속하여 로그아웃 되었습니다.", L""};
        EXPECT_EQ(rig.BoxText(), texts[ending]);
        if (ending < 2) rig.TapBox(L"OkButton");
        EXPECT_EQ(Login(rig).CurrentPanel(), 1);
        EXPECT_EQ(rig.App().CurrentPage(), nullptr);
        EXPECT_FALSE(rig.App().StatusBarWindow().IsVisible());
        EXPECT_TRUE(rig.App().StatusBarWindow().History().empty());
    }
}

// Taps on the form and the boxes it opens, each row from a fresh first start.
TEST(Login, FormInputAndItsBoxes) {
    const std::wstring consent = L"무선 네트워크에 접속합니다.\n\n가입하신 요금제에 따라 별도 과금이 될 수 있습니다.";
    struct Case {
        const char* name;
        const wchar_t* id;
        const wchar_t* password;
        const wchar_t* answer;  // the box's part tapped, or null
        bool check;             // "이 창을 다시 보지 않음" checked first
        std::wstring text;      // the box shown after the login button
        int panel;
        const wchar_t* savedId;
        uint32_t agreed;
    } cases[] = {
        {"no id", L"", L"1234", L"OkButton", false, L"ID를 입력하세요.", 0, L"", 0},
        {"no password", L"minsu", L"", L"OkButton", false, L"비밀번호를 입력하세요.", 0, L"", 0},
        {"consent no", L"a@b", L"1234", L"NoButton", true, consent, 0, L"", 0},
        {"consent yes", L"a@b", L"1234", L"YesButton", false, consent, 2, L"a@b@tevrik.example", 0},
        {"consent yes, not again", L"a@b", L"1234", L"YesButton", true, consent, 2, L"a@b@tevrik.example", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessengerRig rig;
        ASSERT_TRUE(rig.StartService());
        rig.Service().SetNoReply("PVER");
        ASSERT_TRUE(rig.Start());
        rig.Tap({L"Login", L"Counter", L"IdEdit"});
        rig.Type(c.id);
        rig.Tap({L"Login", L"Counter", L"PasswordEdit"});
        rig.Type(c.password);
        rig.Tap({L"Login", L"Counter", L"LoginButton"});
        EXPECT_EQ(rig.BoxText(), c.text);
        if (c.text == consent) {
            EXPECT_TRUE(rig.MatchesGolden("login_consent_prompt"));
        }
        if (c.check) rig.TapBox(L"CheckBox");
        rig.TapBox(c.answer);
        EXPECT_EQ(QePopup::Current(), nullptr);
        EXPECT_EQ(Login(rig).CurrentPanel(), c.panel);
        EXPECT_EQ(QeRegistry::ReadString(LoginSettings::kKeyPath, LoginSettings::kUserId, L""), c.savedId);
        EXPECT_EQ(QeRegistry::ReadDword(LoginSettings::kKeyPath, LoginSettings::kAgreed, 0), c.agreed);
    }
}

TEST(Login, DomainMenuAndAnotherId) {
    MessengerRig rig;
    SaveLogin(0, kMinsu, Digest(kMinsu, L"1234"), true);
    ASSERT_TRUE(rig.Start());
    rig.Tap({L"Login", L"Gate", L"LoginWithOtherIdButton"});
    EXPECT_EQ(rig.BoxText(), L"다른 아이디로 로그인 시 기존 정보가 삭제 됩니다.\n\n계속 진행 하시겠습니까?");
    rig.TapBox(L"YesButton");
    LoginFormPanel& form = Login(rig).Form();
    EXPECT_EQ(Login(rig).CurrentPanel(), 0);
    EXPECT_EQ(form.IdEdit.GetText(), L"");
    EXPECT_TRUE(form.KeepIdPasswordCheckBox.IsChecked());
    std::wstring kept;
    LoadSavedPassword(kept);
    EXPECT_EQ(kept, L"");

    for (int row : {3, 12}) {
        SCOPED_TRACE(row);
        rig.Tap({L"Login", L"Counter", L"AccountButton"});
        auto* menu = dynamic_cast<MenuAccount*>(QePopup::Current());
        ASSERT_NE(menu, nullptr);
        rig.TapIn(menu->List().GetItemScreenRect(row));
        EXPECT_EQ(QePopup::Current(), nullptr);
        const bool typed = row == MenuAccount::kTypeIn;
        EXPECT_EQ((form.AccountEdit.Styles() & QeEdit::kReadOnly) != 0, !typed);
        EXPECT_EQ(form.AccountEdit.GetText(), typed ? L"" : MenuAccount::RowText(row));
        if (typed) {
            EXPECT_TRUE(form.AccountEdit.HasFocus());
        }
    }
    rig.Type(L"mail.example");
    rig.Key(13);
    EXPECT_TRUE(form.PasswordEdit.HasFocus());
    EXPECT_EQ(form.AccountEdit.GetText(), L"mail.example");
}

TEST(Login, TheRealProgramSignsInByItselfWithASavedLogin) {
    testsupport::TempFolder runtime;
    testsupport::ScopedConfigHome config;
    SaveLogin(1, kMinsu, Digest(kMinsu, L"1234"), true);
    tevrik_service::TestService service;
    tevrik_service::ServiceOptions options;
    options.seedJson = testsupport::ReadBytes(TEVRIK_SOURCE_ROOT "/tools/service/demo-seed.json");
    ASSERT_TRUE(service.Start(options));
    ASSERT_TRUE(testsupport::WriteBytes(runtime.File("ca.pem"), service.CaCertPem()));
    testsupport::WriteBytes(runtime.File("lsan.supp"), "leak:libfontconfig\n");
    ChildProcess program;
    ASSERT_TRUE(program.Start(
        TEVRIK_PROGRAM,
        {{"SDL_VIDEODRIVER", "offscreen"}, {"SDL_AUDIODRIVER", "dummy"}, {"XDG_RUNTIME_DIR", runtime.Path()},
         {"XDG_CONFIG_HOME", config.Path()}, {"SSL_CERT_FILE", runtime.File("ca.pem")}, {"SSL_CERT_DIR", "/nonexistent"},
         {"TEVRIK_LOGIN_HOST", "127.0.0.1"}, {"TEVRIK_LOGIN_PORT", std::to_string(service.LoginPort())},
         {"LSAN_OPTIONS", "suppressions=" + runtime.File("lsan.supp")}}));
    EXPECT_NE(service.WaitForSignIn("minsu@tevrik.example", 10s), 0);
    program.Kill();
}
