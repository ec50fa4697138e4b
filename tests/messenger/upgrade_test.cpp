// The client upgrade: the manifest, the download and the dialogue, against the local service's
// version check and upgrade server.
#include "messenger/protocol/ClientUpgrade.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/base/QePathTable.h"
#include "messenger/protocol/TokenSets.h"
#include "platform/system/file.h"
#include "platform/system/mmtimer.h"
#include "platform/system/shell.h"
#include "platform/windows/window.h"
#include "tests/framework/http_test_server.h"
#include "tests/support/Loopback.h"
#include "tests/support/Pump.h"
#include "tests/support/RecordingScreens.h"
#include "tests/support/SessionHarness.h"
#include "tests/support/temp_folder.h"
#include "tools/service/TestService.h"

namespace {

using testsupport::Exists;
using testsupport::ReadBytes;
using testsupport::TempFolder;
using testsupport::WriteBytes;

constexpr double kBound = 20.0;
constexpr std::chrono::milliseconds kWait{10000};

// Sets an environment variable for the object's lifetime.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_had = true;
            m_old = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (m_had) {
            setenv(m_name, m_old.c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    bool m_had = false;
    std::string m_old;
};

// --- the manifest reader

class IniValueTest : public ::testing::Test {
protected:
    std::wstring Read(const std::string& text, const std::wstring& section, const std::wstring& key) {
        EXPECT_TRUE(WriteBytes(m_folder.File("m.inf"), text));
        std::wstring out = L"stale";
        IniValue(out, PathFromNative(m_folder.File("m.inf")), section, key);
        return out;
    }
    TempFolder m_folder;
};

TEST_F(IniValueTest, KeysMatchOnlyAtTheStartOfALine) {
    const std::string manifest = "msg=before the section\r\n[main]\r\nxmsg=wrong\r\nnote=msg=inside\r\nmsg=right\r\nurl=u\r\n";
    EXPECT_EQ(Read(manifest, L"main", L"msg"), L"right");
    EXPECT_EQ(Read(manifest, L"main", L"url"), L"u");
    EXPECT_EQ(Read(manifest, L"main", L"sg"), L"");
    EXPECT_EQ(Read(manifest, L"main", L"missing"), L"");
    EXPECT_EQ(Read(manifest, L"other", L"msg"), L"");
}

TEST_F(IniValueTest, SectionsAndLineEnds) {
    // A key in a later section is still found once "[main]" has been passed.
    EXPECT_EQ(Read("[main]\r\nmsg=m\r\n[extra]\r\nurl=http://h/p\r\n", L"main", L"url"), L"http://h/p");
    // The header counts only as a line of its own.
    EXPECT_EQ(Read("note=[main]\r\nurl=no\r\n", L"main", L"url"), L"");
    EXPECT_EQ(Read("[main] \r\nurl=yes\r\n", L"main", L"url"), L"yes");
    // The last line may end without CR LF; LF alone ends a line too; the value keeps its blanks.
    EXPECT_EQ(Read("[main]\r\nurl= a b ", L"main", L"url"), L" a b ");
    EXPECT_EQ(Read("[main]\nmsg=one\nurl=two\n", L"main", L"msg"), L"one");
    EXPECT_EQ(Read("[main]\r\nmsg=\r\n", L"main", L"msg"), L"");
    // UTF-8 text, with or without a byte-order mark.
    EXPECT_EQ(Read("\xEF\xBB\xBF[main]\r\nmsg=\xED\x95\x9C\r\n", L"main", L"msg"), L"\xD55C");
    EXPECT_EQ(Read("", L"main", L"msg"), L"");

    std::wstring out = L"stale";
    IniValue(out, PathFromNative(m_folder.File("none.inf")), L"main", L"msg");
    EXPECT_EQ(out, L"");
}

TEST(UpgradeProgress, FractionIsClampedAndSafeWithoutATotal) {
    EXPECT_EQ(UpgradeProgressListener::Fraction(0, 0), 0.0f);
    EXPECT_EQ(UpgradeProgressListener::Fraction(5000, 0), 0.0f);
    EXPECT_EQ(UpgradeProgressListener::Fraction(50, 100), 0.5f);
    EXPECT_EQ(UpgradeProgressListener::Fraction(150, 100), 1.0f);
    EXPECT_EQ(UpgradeProgressListener::Fraction(0xFFFFFFFFu, 1), 1.0f);

    RecordingScreens screens;
    UpgradeProgressListener listener;
    listener.bytesDone = 10;
    listener.bytesTotal = 0;
    EXPECT_TRUE(listener.OnReceiveProgress(10));
    listener.bytesTotal = 40;
    EXPECT_TRUE(listener.OnReceiveProgress(10));
    EXPECT_EQ(screens.Lines(),
              (std::vector<std::wstring>{L"SetUpgradeProgress(0.00)", L"SetUpgradeProgress(0.25)"}));
}

TEST(UpgradeHost, DefaultAndEnvironment) {
    {
        ScopedEnv env("TEVRIK_UPGRADE_HOST", "");
        unsetenv("TEVRIK_UPGRADE_HOST");
        EXPECT_EQ(UpgradeManifestUrl(), std::wstring(L"http://") + kDefaultUpgradeHost + L"/Upgrade/Upgrade_wm10.ipml");
    }
    {
        ScopedEnv env("TEVRIK_UPGRADE_HOST", "upgrade.example");
        EXPECT_EQ(UpgradeManifestUrl(), L"http://upgrade.example/Upgrade/Upgrade_wm10.ipml");
        QeUrl url(UpgradeManifestUrl());
        EXPECT_EQ(url.Port(), 80);
    }
    {
        ScopedEnv env("TEVRIK_UPGRADE_HOST", " http://127.0.0.1:8123/ ");
        QeUrl url(UpgradeManifestUrl());
        EXPECT_EQ(url.Host(), L"127.0.0.1");
        EXPECT_EQ(url.Port(), 8123);
        EXPECT_EQ(url.Path(), L"Upgrade/Upgrade_wm10.ipml");
    }
}

// --- against the local service

// Stands in for the sign-in's PVER request and handler: the version check as the sign-in sends it,
// and the reply handed to UpgradeCheck after the code check.
class VersionCheck final : public ConcreteRequest<VersionCheck> {
public:
    VersionCheck() : ConcreteRequest(L"PVER") {}
    bool WriteBody(QeMemoryWriter& writer) override {
        WriteToken(writer, L"1.0.2");
        WriteToken(writer, L"2.0");
        WriteToken(writer, L"ko.wm");
        WriteCrLf(writer);
        return true;
    }
};

class VersionCheckHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override {
        if (!CheckCode(session, message)) return false;
        const std::string& body = static_cast<RawReceivedBase&>(message).Body;
        TokenReader reader(body.data(), static_cast<uint32_t>(body.size()));
        std::wstring answer;
        reader.ReadToken(answer);
        UpgradeCheck(ParseUpgradeAnswer(answer));
        return true;
    }
};

// The stand-in first: the first class registered for a command stays.
void UpgradeCommands(CommandRegistrar& registrar) {
    registrar.Command<RawReceived<L"PVER">, VersionCheckHandler>(L"PVER");
    RegisterAllCommands(registrar);
}

void SendVersionCheck(ProtocolSession& session) {
    VersionCheck request;
    session.Send(request);
}

int g_continued = 0;
void CountContinue() { ++g_continued; }

class UpgradeFlow : public ::testing::Test {
protected:
    UpgradeFlow() {
        g_continued = 0;
        SetContinueLoginAction(&CountContinue);
        harness.Session().SetConnectAction(0, &SendVersionCheck);
        QePathTableStart();
        QePathTable::Instance()->SetRoot(3, PathFromNative(folder.Path()));
        SetShellLauncher([this](const std::string&, const std::vector<std::string>& argv) {
            opened.push_back(argv);
            return true;
        });
        WNDCLASSW wc{};
        wc.lpfnWndProc = &DefWindowProcW;
        wc.lpszClassName = L"UpgradeTestMain";
        RegisterClassW(&wc);
        mainWindow = CreateWindowExW(0, L"UpgradeTestMain", L"main", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        SetUpgradeMainWindow(mainWindow);
    }
    ~UpgradeFlow() override {
        harness.Session().Close();
        SetUpgradeMainWindow(nullptr);
        if (IsWindow(mainWindow)) DestroyWindow(mainWindow);
        SetShellLauncher(nullptr);
        SetContinueLoginAction(nullptr);
        QePathTableStop();
    }

    void Start(char answer) {
        tevrik_service::ServiceOptions options;
        options.upgradeAnswer = answer;
        std::string error;
        ASSERT_TRUE(service.Start(options, &error)) << error;
        host = std::make_unique<ScopedEnv>("TEVRIK_UPGRADE_HOST", "127.0.0.1:" + std::to_string(service.HttpPort()));
    }

    // Connects to the login server; the version check goes out and its answer is handled.
    void SignInUntilTheVersionCheck() {
        ASSERT_TRUE(harness.ConnectTo(service.LoginPort(), 0));
        ASSERT_TRUE(PumpUntil([&] { return screens.PendingConfirms() > 0 || g_continued > 0; }, kBound));
    }

    size_t HttpRequests(const std::string& path) {
        size_t n = 0;
        for (const tevrik_service::Frame& f : service.Frames()) {
            if (f.fromClient && f.command == "GET" && f.bytes.find(" " + path + " ") != std::string::npos) ++n;
        }
        return n;
    }

    bool CloseWasPosted() {
        MSG msg;
        return PeekMessageW(&msg, mainWindow, WM_CLOSE, WM_CLOSE, PM_NOREMOVE) != FALSE;
    }

    std::string File(const wchar_t* name) { return folder.File(PathToNative(name)); }

    std::vector<float> Progress() const {
        std::vector<float> values;
        for (const ScreenCall& call : screens.Calls()) {
            if (call.Name == "SetUpgradeProgress") values.push_back(call.Progress);
        }
        return values;
    }

    RecordingScreens screens;
    SessionHarness harness{&UpgradeCommands, SessionHarness::Transport::Socket};
    TempFolder folder;
    tevrik_service::TestService service;
    std::unique_ptr<ScopedEnv> host;
    std::vector<std::vector<std::string>> opened;
    HWND mainWindow = nullptr;
};

const char kManifest[] = "/Upgrade/Upgrade_wm10.ipml";
const char kPackage[] = "/Upgrade/Tevrik_wm10.cab";

TEST_F(UpgradeFlow, OfferedAndAcceptedDownloadsOpensAndCloses) {
    Start('Y');
    service.SetUpgradeMessage("새 버전이 있습니다 (100%).\r\n받으시겠습니까?");
    const std::string package = testnet::Pattern(300000);
    service.SetUpgradePackage(package);
    SignInUntilTheVersionCheck();

    // The manifest's message, unescaped, with LF line breaks.
    EXPECT_EQ(screens.Lines(),
              (std::vector<std::wstring>{L"Confirm(새 버전이 있습니다 (100%).\n받으시겠습니까?)"}));
    EXPECT_EQ(HttpRequests(kManifest), 1u);
    EXPECT_TRUE(Exists(File(kUpgradeManifestFile)));
    EXPECT_EQ(g_continued, 0);
    EXPECT_TRUE(harness.Session().IsConnected());  // the sign-in waits at the version check

    screens.Clear();
    ASSERT_TRUE(screens.AnswerConfirm(2));
    // Signed out first, then the box, then the download's progress, and no message.
    ASSERT_GE(screens.Calls().size(), 3u);
    EXPECT_EQ(screens.Calls()[0].Name, "OnResetToLogin");
    EXPECT_EQ(screens.Calls()[1].Name, "ShowUpgradeBox");
    EXPECT_EQ(screens.Count("Alert"), 0u) << testing::PrintToString(screens.Dump());
    const std::vector<float> progress = Progress();
    ASSERT_GT(progress.size(), 1u);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_GE(progress.front(), 0.0f);
    EXPECT_EQ(progress.back(), 1.0f);
    EXPECT_FALSE(harness.Session().IsConnected());

    EXPECT_EQ(HttpRequests(kPackage), 1u);
    EXPECT_EQ(ReadBytes(File(kUpgradePackageFile)), package);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], (std::vector<std::string>{"xdg-open", File(kUpgradePackageFile)}));
    EXPECT_TRUE(CloseWasPosted());
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(mainWindow); }, kBound));  // the loop ends the program
    EXPECT_EQ(g_continued, 0);
}

TEST_F(UpgradeFlow, OfferedAndDeclinedGoesOnWithTheSignIn) {
    Start('Y');
    SignInUntilTheVersionCheck();
    ASSERT_EQ(screens.PendingConfirms(), 1u);
    ASSERT_TRUE(screens.AnswerConfirm(3));
    EXPECT_EQ(g_continued, 1);
    EXPECT_TRUE(harness.Session().IsConnected());
    EXPECT_EQ(screens.Count("OnResetToLogin"), 0u);
    EXPECT_EQ(HttpRequests(kPackage), 0u);
    EXPECT_FALSE(Exists(File(kUpgradePackageFile)));
    EXPECT_TRUE(opened.empty());
    EXPECT_FALSE(CloseWasPosted());
}

TEST_F(UpgradeFlow, RequiredAndDeclinedResetsToTheLogin) {
    Start('F');
    SignInUntilTheVersionCheck();
    ASSERT_EQ(screens.PendingConfirms(), 1u);
    EXPECT_EQ(screens.First("Confirm")->Text, L"새 버전의 Tevrik이 나왔습니다.\n지금 업그레이드하시겠습니까?");
    screens.Clear();
    ASSERT_TRUE(screens.AnswerConfirm(3));
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"OnResetToLogin()", L"Alert(업그레이드가 취소되었습니다.)"}));
    EXPECT_EQ(g_continued, 0);
    EXPECT_FALSE(harness.Session().IsConnected());
    EXPECT_EQ(HttpRequests(kPackage), 0u);
    EXPECT_TRUE(opened.empty());
}

TEST_F(UpgradeFlow, RequiredAndAcceptedInstallsToo) {
    Start('F');
    SignInUntilTheVersionCheck();
    ASSERT_TRUE(screens.AnswerConfirm(2));
    EXPECT_EQ(ReadBytes(File(kUpgradePackageFile)), "TEVRIK-PACKAGE\n");
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_TRUE(CloseWasPosted());
}

TEST_F(UpgradeFlow, MissingPackageShowsTheFailure) {
    Start('Y');
    SignInUntilTheVersionCheck();
    ASSERT_EQ(screens.PendingConfirms(), 1u);
    // The manifest names a package the server does not have: its 404 page is no package.
    ASSERT_TRUE(WriteBytes(File(kUpgradeManifestFile),
                           "[main]\r\nmsg=m\r\nurl=http://127.0.0.1:" + std::to_string(service.HttpPort()) +
                               "/Upgrade/none.cab\r\n"));
    screens.Clear();
    ASSERT_TRUE(screens.AnswerConfirm(2));
    EXPECT_EQ(screens.Last("Alert")->Text, kUpgradeFailedText);
    EXPECT_EQ(screens.Calls()[0].Name, "OnResetToLogin");  // signed out all the same
    EXPECT_EQ(HttpRequests("/Upgrade/none.cab"), 1u);
    EXPECT_FALSE(Exists(File(kUpgradePackageFile)));
    EXPECT_TRUE(opened.empty());
    EXPECT_FALSE(CloseWasPosted());
}

TEST_F(UpgradeFlow, CutDownloadsAreNeitherSavedNorOpened) {
    Start('Y');
    // Both answers announce more bytes than they bring before the server closes.
    testhttp::Server cut([](const testhttp::Request&, int) {
        return testhttp::Reply("HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n[main]\r\nmsg=cut\r\nurl=x\r\n");
    });
    SignInUntilTheVersionCheck();
    ASSERT_TRUE(WriteBytes(File(kUpgradeManifestFile), "[main]\r\nmsg=m\r\nurl=" + cut.Base() + "/pkg.cab\r\n"));
    screens.Clear();
    ASSERT_TRUE(screens.AnswerConfirm(2));
    EXPECT_EQ(screens.Last("Alert")->Text, kUpgradeFailedText);
    EXPECT_FALSE(Exists(File(kUpgradePackageFile)));
    EXPECT_TRUE(opened.empty());
    EXPECT_FALSE(CloseWasPosted());

    // A cut manifest is no manifest: the sign-in goes on without a question.
    std::remove(File(kUpgradeManifestFile).c_str());
    ScopedEnv env("TEVRIK_UPGRADE_HOST", "127.0.0.1:" + std::to_string(cut.Port()));
    screens.Clear();
    UpgradeCheck(kUpgradeOffered);
    EXPECT_EQ(g_continued, 1);
    EXPECT_EQ(screens.PendingConfirms(), 0u);
    EXPECT_FALSE(Exists(File(kUpgradeManifestFile)));
    EXPECT_EQ(cut.Count(), 2u);
}

TEST_F(UpgradeFlow, ManifestStillComingAfterThirtySecondsIsNoManifest) {
    Start('Y');
    FakeClock clock;
    // The server keeps sending, 1100 bytes every 25 s of the test clock, but needs 75 s in all.
    testhttp::Server slow([](const testhttp::Request&, int) {
        testhttp::Response r = testhttp::Reply("HTTP/1.0 200 OK\r\n\r\n[main]\r\nmsg=slow\r\nurl=x\r\n[pad]\r\nx=" +
                                               std::string(3000, 'y') + "\r\n");
        r.piece = 1100;
        r.between = [](size_t) { timeFakeClockAdvance(25000, nullptr, nullptr); };
        return r;
    });
    ScopedEnv env("TEVRIK_UPGRADE_HOST", "127.0.0.1:" + std::to_string(slow.Port()));
    UpgradeCheck(kUpgradeOffered);
    EXPECT_EQ(g_continued, 1);
    EXPECT_EQ(screens.PendingConfirms(), 0u);
    EXPECT_FALSE(Exists(File(kUpgradeManifestFile)));
}

TEST_F(UpgradeFlow, UnreachablePackageAndManifestWithoutUrl) {
    Start('F');
    SignInUntilTheVersionCheck();
    ASSERT_TRUE(WriteBytes(File(kUpgradeManifestFile), "[main]\r\nmsg=m\r\n"));
    ASSERT_TRUE(screens.AnswerConfirm(2));
    EXPECT_EQ(screens.Last("Alert")->Text, kUpgradeFailedText);

    SignInUntilTheVersionCheck();
    service.Stop();
    screens.Clear();
    ASSERT_TRUE(screens.AnswerConfirm(2));
    EXPECT_EQ(screens.Last("Alert")->Text, kUpgradeFailedText);
    EXPECT_TRUE(opened.empty());
}

TEST_F(UpgradeFlow, NoNewerClientDownloadsNothing) {
    Start('N');
    SignInUntilTheVersionCheck();
    EXPECT_EQ(g_continued, 1);
    EXPECT_EQ(screens.PendingConfirms(), 0u);
    EXPECT_EQ(HttpRequests(kManifest), 0u);
    EXPECT_FALSE(Exists(File(kUpgradeManifestFile)));
}

TEST_F(UpgradeFlow, UnknownAnswerAndMissingManifestGoOnWithTheSignIn) {
    Start('Y');
    UpgradeCheck(3);  // an answer this client does not know
    EXPECT_EQ(g_continued, 1);
    EXPECT_EQ(HttpRequests(kManifest), 0u);

    // No upgrade server where the manifest should be.
    ScopedEnv nowhere("TEVRIK_UPGRADE_HOST", "127.0.0.1:" + std::to_string(testnet::FreePort()));
    UpgradeCheck(kUpgradeOffered);
    EXPECT_EQ(g_continued, 2);
    // A server that has no manifest: its 404 page is not read as one.
    ScopedEnv wrongPath("TEVRIK_UPGRADE_HOST", "127.0.0.1:" + std::to_string(service.HttpPort()) + "/elsewhere");
    UpgradeCheck(kUpgradeRequired);
    EXPECT_EQ(g_continued, 3);
    EXPECT_EQ(screens.PendingConfirms(), 0u);
    EXPECT_FALSE(Exists(File(kUpgradeManifestFile)));
}

TEST_F(UpgradeFlow, DownloadKeepsErrorPagesOutOfFiles) {
    Start('N');
    const std::wstring base = L"http://127.0.0.1:" + std::to_wstring(service.HttpPort());
    const std::wstring target = PathFromNative(folder.File("out.bin"));
    EXPECT_FALSE(DownloadToFile(base + L"/nothing", target));
    EXPECT_FALSE(Exists(folder.File("out.bin")));
    ASSERT_TRUE(WriteBytes(folder.File("out.bin"), std::string("earlier")));
    EXPECT_FALSE(DownloadToFile(base + L"/nothing", target));
    EXPECT_EQ(ReadBytes(folder.File("out.bin")), "earlier");  // left as it was

    EXPECT_TRUE(DownloadToFile(base + L"/Upgrade/Tevrik_wm10.cab", target));
    EXPECT_EQ(ReadBytes(folder.File("out.bin")), "TEVRIK-PACKAGE\n");
    // A folder that does not exist cannot take the file.
    EXPECT_FALSE(DownloadToFile(base + L"/Upgrade/Tevrik_wm10.cab", PathFromNative(folder.File("no/such/x"))));
    EXPECT_TRUE(screens.Lines().empty());  // the plain download shows nothing
}

}  // namespace
