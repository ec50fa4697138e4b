// The program's start and exit through its own steps and the real loop, with the project's skin
// and with skins that lack what it needs; upgrade leftovers; the notification decisions.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "app/SkinDocument.h"
#include "app/StartAhead.h"
#include "framework/base/QePathTable.h"
#include "framework/ui/view/QeRect.h"
#include "messenger/model/Options.h"
#include "platform/screen/presenter.h"
#include "platform/system/device.h"
#include "platform/system/file.h"
#include "tests/support/MessengerRig.h"
#include "tests/support/TraceLog.h"

namespace {

using Lines = std::vector<std::string>;

void LogSingleton(void* log, const std::type_info& type, bool created) {
    static_cast<Lines*>(log)->push_back((created ? "+" : "-") + QeTypeName(type));
}

struct ShowCounter : Presenter {
    void Shown(HWND, int, int) override { ++shown; }
    int shown = 0;
};

// A file of the rig's program folder as the program names it.
std::wstring ProgramPath(const MessengerRig& rig, const std::string& name) {
    std::wstring path = PathFromNative(rig.FolderFile(name));
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

TEST(Program, StartsAndExitsThroughTheRealLoopMakingAndDeletingEverythingInOrder) {
    Lines log;
    QeSetSingletonObserver(&LogSingleton, &log);
    TraceLog trace;
    {
        MessengerRig rig;
        ASSERT_TRUE(rig.Start());
        EXPECT_EQ(trace.Text(), L"");
        MessengerApp& app = rig.App();
        MessengerApp::WindowEntry windows[MessengerApp::kWindowCount];
        app.Windows(windows);
        QeWindow* child = app.Root().FirstChild();
        std::wstring visible;
        for (const MessengerApp::WindowEntry& entry : windows) {
            EXPECT_EQ(child, entry.window) << entry.section;
            EXPECT_FALSE(QeRectsDiffer(entry.window->Rect(), ScreenSkin::Rect({entry.section})));
            EXPECT_GT(entry.window->Width(), 0) << entry.section;
            visible += entry.window->IsVisible() ? std::wstring(entry.section) + L" " : L"";
            child = child != nullptr ? child->Next() : nullptr;
        }
        EXPECT_EQ(visible, L"Login MenuBar ");
        // The first frame already shows what a whole repaint shows.
        const GoldenPicture first = CaptureFramebuffer(rig.Window());
        app.Root().Invalidate(RECT{0, 0, 0, 0}, true);
        rig.Settle();
        EXPECT_TRUE(first.pixels == CaptureFramebuffer(rig.Window()).pixels);
    }
    QeSetSingletonObserver(nullptr, nullptr);
    EXPECT_EQ(log, (Lines{
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
        "-QeImagePool", "-QeSurfacePool", "-QePathTable"}));
}

TEST(Program, WithoutItsSkinEndsAtStartWithOneTraceAndNoWindow) {
    for (const char* skin : {"", "<Other><Login><_Rect>0, 0, 480, 540</_Rect></Login></Other>", "<Tevrik><Login>"}) {
        SCOPED_TRACE(skin);
        ShowCounter presenter;
        Presenter* previous = SetPresenter(&presenter);
        TraceLog trace;
        MessengerRig rig;
        rig.UseSkinText(skin);
        EXPECT_FALSE(rig.Start());
        SetPresenter(previous);
        EXPECT_EQ(trace.Text(), L"[QE+] MessengerApp::LoadSkin, " + ProgramPath(rig, "Image/Skin.dat") +
                                    L" is missing, unreadable or not a skin of Tevrik.\n");
        EXPECT_EQ(presenter.shown, 0);
        EXPECT_EQ(rig.Window(), nullptr);
    }
}

TEST(Program, ASkinReadAheadIsTakenOnlyByALoadOfThatVeryFile) {
    MessengerRig before;
    before.UseSkinText("<Tevrik><Before/></Tevrik>");
    StartAhead::Begin();
    // The program's folder is another one by the time the skin is loaded: its own file is read.
    MessengerRig rig;
    rig.UseSkinText("<Tevrik><Now/></Tevrik>");
    ASSERT_TRUE(QePathTableStart());
    MessengerApp::SetResourceRoots(*QePathTable::Instance(), MessengerApp::FindProgramFolder());
    {
        SkinDocument skin;
        ASSERT_TRUE(skin.Load(MessengerApp::kSkinFile));
        EXPECT_NE(skin.Top()->FindChild(L"Now"), nullptr);
    }
    QePathTableStop();
    StartAhead::End();
}

TEST(Program, MissingSkinPiecesAreTracedOnceEachAndTheProgramRuns) {
    TraceLog trace;
    MessengerRig rig;
    rig.UseSkinText("<Tevrik><Login><_Rect>0, 0, 480, 540</_Rect></Login><BuddyList><View/></BuddyList><Probe/></Tevrik>");
    ASSERT_TRUE(rig.Start());
    std::wstringstream text(trace.Text());
    std::multiset<std::wstring> lines;
    for (std::wstring line; std::getline(text, line);) {
        EXPECT_EQ(line.rfind(L"[QE+] ScreenSkin::Find, Tevrik/", 0), 0u) << line;
        lines.insert(line.substr(31));
    }
    for (const wchar_t* path : {L"Login/BackgroundSkin is missing.", L"MenuBar is missing.", L"TabBar is missing.",
                                L"BuddyList/_Rect is missing.", L"BuddyList/View/_Rect is missing."}) {
        EXPECT_EQ(lines.count(path), 1u) << path;
    }
    EXPECT_EQ(std::set<std::wstring>(lines.begin(), lines.end()).size(), lines.size());
    EXPECT_TRUE(rig.App().Login().IsVisible());
    trace.Clear();
    // An element that no screen reads at start-up.
    const SkinPath probe = {L"Probe"};
    EXPECT_EQ(ScreenSkin::BackColor(probe) + ScreenSkin::BackColor(probe) + ScreenSkin::ItemHeight(probe), 0u);
    EXPECT_EQ(trace.Text(), L"[QE+] ScreenSkin::Find, Tevrik/Probe/_BackColor is missing.\n"
                            L"[QE+] ScreenSkin::Find, Tevrik/Probe/_TableViewItemHeight is missing.\n");
}

TEST(Program, AClassRecordReadsEachPathAtItsFirstAskForEachSkin) {
    MessengerRig rig;
    rig.UseSkinText("<Tevrik><Login><_Rect>0, 0, 480, 540</_Rect></Login><Probe><_Rect>1, 2, 30, 40</_Rect>"
                    "<_BackColor>#102030</_BackColor><_TableViewItemHeight>52</_TableViewItemHeight></Probe></Tevrik>");
    ASSERT_TRUE(rig.Start());
    TraceLog trace;
    ClassSkin skin;
    skin.MarkRead();
    const SkinPath probe = {L"Probe"}, gap = {L"Probe", L"Gap"};
    for (int ask = 0; ask < 2; ++ask) {
        EXPECT_FALSE(QeRectsDiffer(skin.Rect(probe), RECT{1, 2, 31, 42}));
        EXPECT_EQ(skin.BackColor(probe), 0x302010u);
        EXPECT_EQ(skin.ItemHeight(probe), 52);
        EXPECT_FALSE(QeRectsDiffer(skin.Rect(gap), RECT{0, 0, 0, 0}));
        EXPECT_EQ(skin.BackColor(gap) + skin.ItemHeight(gap), 0u);
    }
    EXPECT_EQ(trace.Text(), L"[QE+] ScreenSkin::Find, Tevrik/Probe/Gap is missing.\n");
    // Another skin: what was kept from the first is read again.
    rig.UseSkinText("<Tevrik><Login><_Rect>0, 0, 480, 540</_Rect></Login><Probe><_Rect>5, 6, 7, 8</_Rect></Probe></Tevrik>");
    ASSERT_TRUE(rig.App().LoadSkin());
    skin.MarkRead();
    EXPECT_FALSE(QeRectsDiffer(skin.Rect(probe), RECT{5, 6, 12, 14}));
    EXPECT_EQ(skin.ItemHeight(probe), 0);
}

TEST(Program, UpgradeLeftoversAreDeletedAndStartUpGoesOn) {
    for (const char* left : {"_Tevrik.inf _Tevrik.cab", "_Tevrik.inf", "_Tevrik.cab", ""}) {
        SCOPED_TRACE(left);
        MessengerRig rig;
        for (const char* name : {"_Tevrik.inf", "_Tevrik.cab"}) {
            if (std::string(left).find(name) != std::string::npos) testsupport::WriteBytes(rig.FolderFile(name), "x");
        }
        testsupport::WriteBytes(rig.FolderFile("Tevrik.cab"), "kept");
        ASSERT_TRUE(rig.Start());
        EXPECT_FALSE(testsupport::Exists(rig.FolderFile("_Tevrik.inf")) || testsupport::Exists(rig.FolderFile("_Tevrik.cab")));
        EXPECT_TRUE(testsupport::Exists(rig.FolderFile("Tevrik.cab")));
        EXPECT_TRUE(rig.App().Login().IsVisible());
    }
}

TEST(Program, NotificationsPlayAndVibrateAsTheOptionsSay) {
    MessengerRig rig;
    ASSERT_TRUE(rig.Start());
    const wchar_t* sounds[] = {L"login.wav", L"buddy_login.wav", L"recv_chat.wav", L"recv_memo.wav"};
    // For each scope set, the events that get through: the own sign-in (0) always does.
    const std::pair<uint32_t, std::string> scopes[] = {{0, "0"}, {1, "01"}, {2, "02"}, {4, "03"}, {7, "0123"}};
    for (uint32_t type = 0; type < 4; ++type) {
        for (const auto& [scope, through] : scopes) {
            Options::Instance()->NotifyType = type;
            Options::Instance()->NotifyScopes = scope;
            for (int event = 0; event < 4; ++event) {
                ResetDevices();
                rig.App().PlayNotification(event);
                std::vector<std::wstring> calls, expected;
                for (const std::wstring& call : DeviceCalls()) {
                    if (call.rfind(L"sndPlaySoundW", 0) == 0 || call.rfind(L"NLedSetDevice(2", 0) == 0) calls.push_back(call);
                }
                const bool passes = through.find(static_cast<char>('0' + event)) != std::string::npos;
                if (passes && type % 2 == 1) {
                    expected.push_back(L"sndPlaySoundW(" + ProgramPath(rig, "Sound/") + sounds[event] + L", 0x20001)");
                }
                if (passes && type >= 2) expected.insert(expected.end(), {L"NLedSetDevice(2, 0, 0)", L"NLedSetDevice(2, 0, 1)"});
                EXPECT_EQ(calls, expected) << "type " << type << ", scopes " << scope << ", event " << event;
                rig.Advance(200);
            }
        }
    }
}

}  // namespace
