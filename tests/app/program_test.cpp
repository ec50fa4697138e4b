// The program's start and exit through its own steps and the real loop, with the project's skin
// and with skins that lack what the program needs; the notification decisions.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <typeinfo>
#include <vector>

#include "app/SkinDocument.h"
#include "framework/base/QeSingleton.h"
#include "messenger/model/Options.h"
#include "framework/ui/view/QeRect.h"
#include "platform/screen/presenter.h"
#include "platform/system/device.h"
#include "platform/system/file.h"
#include "platform/system/text.h"
#include "tests/support/MessengerRig.h"
#include "tests/support/TraceLog.h"

namespace {

// Every singleton made (+) and destroyed (-), in order.
class SingletonLog {
public:
    SingletonLog() { QeSetSingletonObserver(&SingletonLog::Tell, this); }
    ~SingletonLog() { QeSetSingletonObserver(nullptr, nullptr); }
    std::vector<std::string> lines;

private:
    static void Tell(void* self, const std::type_info& type, bool created) {
        static_cast<SingletonLog*>(self)->lines.push_back((created ? "+" : "-") + QeTypeName(type));
    }
};

// Counts the windows the presenter is asked to show.
struct ShowCounter : Presenter {
    void Shown(HWND, int, int) override { ++shown; }
    int shown = 0;
};

std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::wstringstream in(text);
    for (std::wstring line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(Program, StartsAndExitsThroughTheRealLoopMakingAndDeletingEverythingInOrder) {
    SingletonLog log;
    TraceLog trace;
    {
        MessengerRig rig;
        ASSERT_TRUE(rig.Start());
        EXPECT_EQ(trace.Text(), L"");

        MessengerApp& app = rig.App();
        MessengerApp::WindowEntry windows[MessengerApp::kWindowCount];
        app.Windows(windows);
        QeWindow* child = app.Root().FirstChild();
        std::string visible;
        for (const MessengerApp::WindowEntry& entry : windows) {
            SCOPED_TRACE(testing::PrintToString(std::wstring(entry.section)));
            EXPECT_EQ(child, entry.window);
            EXPECT_FALSE(QeRectsDiffer(entry.window->Rect(), ScreenSkin::Rect({entry.section})));
            EXPECT_GT(entry.window->Width(), 0);
            if (entry.window->IsVisible()) visible += TextWideToUtf8(entry.section) + " ";
            child = child != nullptr ? child->Next() : nullptr;
        }
        EXPECT_EQ(child, nullptr);
        EXPECT_EQ(visible, "Login MenuBar ");
        EXPECT_EQ(app.CurrentPage(), nullptr);

        // The first frame already shows what a full repaint shows.
        const GoldenPicture first = CaptureFramebuffer(rig.Window());
        app.Root().Invalidate(RECT{0, 0, 0, 0}, true);
        rig.Settle();
        EXPECT_TRUE(first.pixels == CaptureFramebuffer(rig.Window()).pixels);
    }
    const std::vector<std::string> expected = {
        "+QePathTable", "+QeSurfacePool", "+QeImagePool", "+QeFontPool", "+QeUpdateRegion", "+QeBackBuffer",
        "+QeClock", "+QeTimerManager", "+QeTransitionManager", "+QePopupHolder", "+QeMainWindow",
        "+QeMessageDispatcher", "+QeConnection", "+QeInputPanel", "+QeNotifyLed", "+QeApplicationBase",
        "+AccountInfo", "+BuddyGroupList", "+BuddyRoster", "+ChatSessionManager", "+MemoStore", "+Options",
        "+EmoticonCatalog", "+TrIdGenerator", "+MessageFactory", "+HandlerRegistry", "+PendingRequests",
        "+ProtocolSession", "+KeepAlive", "+SkinDocument",
        "-SkinDocument", "-KeepAlive", "-ProtocolSession", "-PendingRequests", "-TrIdGenerator", "-MessageFactory",
        "-HandlerRegistry", "-EmoticonCatalog", "-Options", "-MemoStore", "-ChatSessionManager", "-BuddyRoster",
        "-BuddyGroupList", "-AccountInfo", "-QeApplicationBase",
        "-QeNotifyLed", "-QeInputPanel", "-QeConnection", "-QeMessageDispatcher", "-QeMainWindow", "-QePopupHolder",
        "-QeTransitionManager", "-QeTimerManager", "-QeClock", "-QeBackBuffer", "-QeUpdateRegion", "-QeFontPool",
        "-QeImagePool", "-QeSurfacePool", "-QePathTable"};
    EXPECT_EQ(log.lines, expected);
}

TEST(Program, WithoutItsSkinEndsAtStartWithOneTraceAndNoWindow) {
    struct Case {
        const char* name;
        std::string skin;
    };
    const Case cases[] = {
        {"no file", ""},
        {"another program's skin", "<Other><Login><_Rect>0, 0, 480, 540</_Rect></Login></Other>"},
        {"not markup", "<Tevrik><Login>"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        ShowCounter presenter;
        Presenter* previous = SetPresenter(&presenter);
        TraceLog trace;
        MessengerRig rig;
        rig.UseSkinText(test.skin);
        EXPECT_FALSE(rig.Start());
        SetPresenter(previous);
        const std::wstring file = PathFromNative(rig.FolderFile("Image/Skin.dat"));
        std::wstring expected = file;
        std::replace(expected.begin(), expected.end(), L'/', L'\\');
        EXPECT_EQ(trace.Text(), L"[QE+] MessengerApp::LoadSkin, " + expected +
                                    L" is missing, unreadable or not a skin of Tevrik.\n");
        EXPECT_EQ(presenter.shown, 0);
        EXPECT_EQ(rig.Window(), nullptr);
    }
}

TEST(Program, MissingSkinPiecesAreTracedOnceEachAndTheProgramRuns) {
    TraceLog trace;
    MessengerRig rig;
    rig.UseSkinText("<Tevrik><Login><_Rect>0, 0, 480, 540</_Rect></Login><BuddyList><View/></BuddyList></Tevrik>");
    ASSERT_TRUE(rig.Start());
    const std::vector<std::wstring> lines = Lines(trace.Text());
    const std::set<std::wstring> unique(lines.begin(), lines.end());
    EXPECT_EQ(unique.size(), lines.size());
    for (const wchar_t* line : {L"[QE+] ScreenSkin::Find, Tevrik/Login/BackgroundSkin is missing.",
                                     L"[QE+] ScreenSkin::Find, Tevrik/MenuBar is missing.",
                                     L"[QE+] ScreenSkin::Find, Tevrik/TabBar is missing.",
                                     L"[QE+] ScreenSkin::Find, Tevrik/BuddyList/_Rect is missing.",
                                     L"[QE+] ScreenSkin::Find, Tevrik/BuddyList/View/_Rect is missing.",
                                     L"[QE+] ScreenSkin::Find, Tevrik/BuddyList/View/_BackColor is missing."}) {
        EXPECT_EQ(unique.count(line), 1u) << testing::PrintToString(std::wstring(line));
    }
    for (const std::wstring& line : lines) EXPECT_EQ(line.rfind(L"[QE+] ScreenSkin::Find, Tevrik/", 0), 0u);
    EXPECT_TRUE(rig.App().Login().IsVisible());
    EXPECT_EQ(rig.App().MenuBarWindow().Width(), 0);
    trace.Clear();
    EXPECT_EQ(ScreenSkin::ItemHeight({L"BuddyList", L"View"}), 0);
    EXPECT_EQ(ScreenSkin::BackColor({L"BuddyList", L"View"}), 0u);
    EXPECT_EQ(trace.Text(), L"[QE+] ScreenSkin::Find, Tevrik/BuddyList/View/_TableViewItemHeight is missing.\n");
}

TEST(Program, UpgradeLeftoversAreDeletedAndStartUpGoesOn) {
    struct Case {
        bool inf;
        bool cab;
    };
    for (const Case& test : {Case{true, true}, Case{true, false}, Case{false, true}, Case{false, false}}) {
        SCOPED_TRACE(testing::Message() << "inf " << test.inf << ", cab " << test.cab);
        MessengerRig rig;
        if (test.inf) testsupport::WriteBytes(rig.FolderFile("_Tevrik.inf"), "manifest");
        if (test.cab) testsupport::WriteBytes(rig.FolderFile("_Tevrik.cab"), "package");
        testsupport::WriteBytes(rig.FolderFile("Tevrik.cab"), "kept");
        ASSERT_TRUE(rig.Start());
        EXPECT_FALSE(testsupport::Exists(rig.FolderFile("_Tevrik.inf")));
        EXPECT_FALSE(testsupport::Exists(rig.FolderFile("_Tevrik.cab")));
        EXPECT_TRUE(testsupport::Exists(rig.FolderFile("Tevrik.cab")));
        EXPECT_TRUE(rig.App().Login().IsVisible());
    }
}

TEST(Program, NotificationsPlayAndVibrateAsTheOptionsSay) {
    MessengerRig rig;
    ASSERT_TRUE(rig.Start());
    std::wstring sounds = PathFromNative(rig.FolderFile("Sound/"));
    std::replace(sounds.begin(), sounds.end(), L'/', L'\\');
    const std::wstring names[] = {L"login.wav", L"buddy_login.wav", L"recv_chat.wav", L"recv_memo.wav"};
    // For each scope set, the events that get through: the own sign-in (0) always does.
    struct Scope {
        uint32_t scopes;
        const char* events;
    };
    const Scope scopes[] = {{0, "0"}, {1, "01"}, {2, "02"}, {4, "03"}, {7, "0123"}};
    for (uint32_t type = 0; type < 4; ++type) {
        for (const Scope& scope : scopes) {
            SCOPED_TRACE(testing::Message() << "type " << type << ", scopes " << scope.scopes);
            Options::Instance()->NotifyType = type;
            Options::Instance()->NotifyScopes = scope.scopes;
            for (int event = 0; event < 4; ++event) {
                ResetDevices();
                rig.App().PlayNotification(event);
                std::vector<std::wstring> calls;
                for (const std::wstring& call : DeviceCalls()) {
                    if (call.rfind(L"sndPlaySoundW", 0) == 0 || call.rfind(L"NLedSetDevice", 0) == 0) calls.push_back(call);
                }
                std::vector<std::wstring> expected;
                const bool through = std::string(scope.events).find(static_cast<char>('0' + event)) != std::string::npos;
                if (through && (type == 1 || type == 3)) {
                    expected.push_back(L"sndPlaySoundW(" + sounds + names[event] + L", 0x20001)");
                }
                if (through && type >= 2) {
                    expected.push_back(L"NLedSetDevice(2, 0, 0)");
                    expected.push_back(L"NLedSetDevice(2, 0, 1)");
                }
                EXPECT_EQ(calls, expected) << "event " << event;
                rig.Advance(200);
            }
        }
    }
}

}  // namespace
