// The buddy request list and info pages in the real program on the test clock: which buddies are
// listed and in what order, the pictures, and the answers that go out.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "app/screens/buddies/BuddyProfileButtonBar.h"
#include "app/screens/common/MsgBox.h"
#include "framework/ui/view/QePopup.h"
#include "messenger/protocol/BuddyCommands.h"
#include "messenger/protocol/ProtocolSession.h"
#include "tests/app/model_seed.h"
#include "tests/support/MessengerRig.h"

namespace {

class BuddyRequestsTest : public RigTest {
public:
    void Prepare() override { rig.LookSignedIn(); }
    void TearDown() override { app().BuddyRequestInfo().OnResetBegin(); }

    BuddyRequestListTable& list() { return app().BuddyRequestList().Table(); }
    BuddyRequestInfoTable& info() { return app().BuddyRequestInfo().Table(); }
    void Show(ScreenBase& page) {
        app().SetCurrentView(&page);
        Settle();
    }
    void Settle() { rig.Pass(1000); }
    std::wstring Listed() {
        std::wstring text;
        for (const std::wstring& id : list().Requests()) text += (text.empty() ? L"" : L" ") + id;
        return text;
    }
    // Through the info page's group row: the chooser, titled with the requester, checks the page's
    // group; the row of the name is ticked and the chooser left.
    void ChooseGroup(const std::wstring& name) {
        rig.TapRow(info(), BuddyRequestInfoTable::kGroupRow, 10);
        Settle();
        GroupSelectPage& chooser = app().GroupSelect();
        ASSERT_EQ(app().CurrentPage(), &chooser);
        const std::vector<std::wstring>& names = chooser.Table().Names();
        EXPECT_EQ(std::make_tuple(chooser.CurrentMode(), chooser.TitleBar().BuddyNick().Text().Text(),
                                  names[static_cast<size_t>(chooser.Table().CheckedRow())]),
                  std::make_tuple(uint32_t{GroupSelectPage::kModeRequest}, info().Requester()->Id, info().Group()->Name));
        rig.TapRow(chooser.Table(), static_cast<int32_t>(std::find(names.begin(), names.end(), name) - names.begin()), 10);
        app().StatusBarWindow().OnBack();
        Settle();
        ASSERT_EQ(app().CurrentPage(), &app().BuddyRequestInfo());
    }
    std::string Sent() { return rig.Fresh(); }
};

TEST_F(BuddyRequestsTest, ListsRequestOnlyBuddiesByNameKeepingKeyOrderForEqualNames) {
    Show(app().BuddyRequestList());
    EXPECT_EQ(Listed(), L"");
    EXPECT_TRUE(list().HelpText().IsVisible());
    EXPECT_TRUE(rig.MatchesGolden("buddy_request_list_empty"));

    // Keys in the reverse of the name order; "e" and "a" tie on the empty name.
    AddBuddies({{L"e", L"eve", L"", L"", 0, 8}, {L"d", L"dan", L"Ahn", L"", 0, 8}, {L"c", L"cat", L"", L"", 0, 9},
                {L"b", L"bob", L"", L"", 0, 10}, {L"f", L"fay", L"", L"", 0, 12}, {L"a", L"amy", L"", L"", 0, 8}});
    Show(app().BuddyList());
    Show(app().BuddyRequestList());
    EXPECT_EQ(Listed(), L"amy eve dan");
    EXPECT_FALSE(list().HelpText().IsVisible());
    EXPECT_EQ(list().GetItemCount(), 3);
    list().SetSelection(2);
    Settle();
    EXPECT_TRUE(rig.MatchesGolden("buddy_request_list_selected"));
}

TEST_F(BuddyRequestsTest, AnswersGoOutWholeAndGoBack) {
    rig.ConnectCaptured(0);
    AddBuddies({{L"1004", L"b@tevrik.example", L"", L"", 0, 8}});
    Show(app().BuddyRequestList());
    // Without a group "0" nothing opens.
    rig.TapRow(list(), 0, 100);
    Settle();
    EXPECT_EQ(app().CurrentPage(), &app().BuddyRequestList());

    AddGroup(L"0", L"친구");
    AddGroup(L"5", L"회사");
    const struct {
        const char* what;
        const wchar_t* group;  // chosen instead of "0", or null
        SkinPath button;
        const char* frames;
    } cases[] = {
        {"accept", nullptr, {L"BuddyRequestInfo", L"ButtonBar", L"AcceptButton"},
         "CRP2 3 DP %00 42\r\nADSB 2 ACCPT 1004 b@tevrik.example 0 %00\r\n"},
        {"reject", nullptr, {L"BuddyRequestInfo", L"ButtonBar", L"RejectButton"},
         "CRP2 5 DP %00 42\r\nADSB 4 REJCT 1004 b@tevrik.example 0 %00\r\n"},
        {"accept into another group", L"5", {L"BuddyRequestInfo", L"ButtonBar", L"AcceptButton"},
         "CRP2 7 DP %00 42\r\nADSB 6 ACCPT 1004 b@tevrik.example 5 %00\r\n"},
    };
    Sent();
    for (const auto& c : cases) {
        Show(app().BuddyRequestList());
        app().StatusBarWindow().ClearHistory();
        rig.TapRow(list(), 0, 100);
        Settle();
        ASSERT_EQ(app().CurrentPage(), &app().BuddyRequestInfo()) << c.what;
        if (c.group != nullptr) ChooseGroup(BuddyGroupList::Instance()->FindEntry(c.group)->Name);
        if (c.what == cases[0].what) {
            EXPECT_TRUE(rig.MatchesGolden("buddy_request_info"));
        }
        rig.Tap(c.button);
        Settle();
        EXPECT_EQ(Sent(), c.frames) << c.what;
        // Back on the list, which still shows the request: the reply has not come.
        EXPECT_EQ(app().CurrentPage(), &app().BuddyRequestList()) << c.what;
        EXPECT_EQ(Listed(), L"b@tevrik.example") << c.what;
    }

    // The reply to the last answer: the buddy is taken, and the list shown again no longer has it.
    rig.Inject("ADSB 6 ACCPT 1004 Bee 0 %00\r\n");
    Show(app().BuddyList());
    Show(app().BuddyRequestList());
    EXPECT_EQ(Listed(), L"");

    // After a log-out's reset the rows are empty and neither button sends or leaves.
    app().BuddyRequestInfo().OnResetBegin();
    Show(app().BuddyRequestInfo());
    EXPECT_EQ(info().Requester(), nullptr);
    for (const wchar_t* button : {L"AcceptButton", L"RejectButton"}) {
        rig.Tap({L"BuddyRequestInfo", L"ButtonBar", button});
        Settle();
        EXPECT_EQ(Sent(), "");
        EXPECT_EQ(app().CurrentPage(), &app().BuddyRequestInfo());
    }
}

// A second request's prompt answered Yes while the info page shows the first: the page shown again
// with the new requester, the history as it was.
TEST_F(BuddyRequestsTest, PromptAnsweredYesOnTheInfoPageShowsTheNewRequester) {
    rig.ConnectCaptured(0);
    AddGroup(L"0", L"친구");
    Show(app().BuddyList());
    size_t history = 0;
    for (const char* id : {"b@tevrik.example", "c@tevrik.example"}) {
        rig.Inject(std::string("ADDB 0 RL 10") + id[0] + " " + id + " 안녕 %00\r\n");
        Settle();
        ASSERT_NE(QePopup::Current(), nullptr) << id;
        rig.TapBox(L"YesButton");
        Settle();
        ASSERT_EQ(app().CurrentPage(), &app().BuddyRequestInfo()) << id;
        ASSERT_NE(info().Requester(), nullptr);
        EXPECT_EQ(info().Requester()->Id, std::wstring(id, id + 16)) << id;
        // The first switch pushes the list's entry; the second, to the page shown, pushes nothing.
        if (history == 0) history = app().StatusBarWindow().History().size();
        EXPECT_EQ(app().StatusBarWindow().History().size(), history) << id;
    }
    EXPECT_EQ(history, 1u);
}

// A prompt answered over the chooser opened for an earlier requester: the new one keeps group "0".
TEST_F(BuddyRequestsTest, PromptAnsweredOverTheChooserKeepsTheGroupOfRequests) {
    rig.ConnectCaptured(0);
    AddGroup(L"0", L"친구"), AddGroup(L"1", L"가족");
    Show(app().BuddyList());
    for (const char* id : {"b@x", "c@x"}) {
        if (id[0] == 'c') {  // the chooser opened for b, "가족" ticked
            rig.TapRow(info(), BuddyRequestInfoTable::kGroupRow, 10);
            Settle();
            rig.TapRow(app().GroupSelect().Table(), 0, 10);
        }
        rig.Inject(std::string("ADDB 0 RL 10") + id[0] + " " + id + " 안녕 %00\r\n");
        rig.TapBox(L"YesButton");
        Settle();
        EXPECT_EQ(info().Requester()->Id + L" in " + info().Group()->Id, std::wstring(id, id + 3) + L" in 0");
    }
}

// Requests from ever new ids: the newest thousand entries stay, the older ones leave whole (both
// indexes), and the request list and the prompt show the newest.
TEST_F(BuddyRequestsTest, RequestsFromNewIdsKeepTheNewestThousandEntries) {
    rig.ConnectCaptured(0);
    AddGroup(L"0", L"친구");
    for (int n = 0; n < 1100; ++n) {
        const std::string frame = "ADDB 0 RL k" + std::to_string(n) + " r" + std::to_string(n) + "@x hi %00\r\n";
        ProtocolSession::Instance()->OnPacket(reinterpret_cast<const uint8_t*>(frame.data()),
                                              static_cast<uint32_t>(frame.size()));
    }
    Settle();
    BuddyRoster& roster = *BuddyRoster::Instance();
    EXPECT_EQ(std::make_tuple(roster.Count(), roster.FindEntry(L"k99"), roster.Find(L"r99@x")),
              std::make_tuple(size_t{1000}, nullptr, nullptr));
    EXPECT_TRUE(roster.Find(L"r100@x") != nullptr && roster.FindEntry(L"k100") == roster.Find(L"r100@x"));
    list().Rebuild();
    EXPECT_EQ(list().Requests().size(), 1000u);
    EXPECT_NE(Listed().find(L"r1099@x"), std::wstring::npos);
    rig.TapBox(L"YesButton");
    Settle();
    EXPECT_TRUE(info().Requester() != nullptr && info().Requester()->Id == L"r1099@x");
}

// Past the bound: k1's accept awaits its reply, the profile shows k0, made a request again. Both stay.
TEST_F(BuddyRequestsTest, TheRequestBoundKeepsAnAwaitedAnswerAndTheBuddyTheProfileShows) {
    rig.ConnectCaptured(0), AddGroup(L"0", L"친구");
    const auto request = [&](int n) { rig.Inject("ADDB 0 RL k" + std::to_string(n) + " r" + std::to_string(n) + "@x hi %00\r\n"); };
    request(0), request(1);
    for (const wchar_t* key : {L"k0", L"k1"}) SendBuddyRequestAnswer(true, *BuddyRoster::Instance()->FindEntry(key), L"0");
    for (const char* frame : {"ADSB 2 ACCPT k0 Zero 0 %00\r\n", "RMVB 0 FL k0 r0@x\r\n"}) rig.Inject(frame);
    app().BuddyProfile().SetBuddy(BuddyRoster::Instance()->FindEntry(L"k0"), nullptr);
    for (int n = 2; n < 1002; ++n) request(n);
    rig.Inject("ADSB 4 ACCPT k1 One 0 %00\r\n");
    BuddyProfileButtonBar::DeleteBuddy(MsgBox::kResultYes);
    EXPECT_EQ(BuddyGroupList::Instance()->FindGroupOfBuddy(L"k1"), BuddyGroupList::Instance()->FindEntry(L"0"));
    EXPECT_EQ(Sent(), "PVER 1 1.0.2 2.0 ko.wm\r\nCRP2 3 DP %00 28\r\nADSB 2 ACCPT k0 r0@x 0 %00\r\n"
                      "CRP2 5 DP %00 28\r\nADSB 4 ACCPT k1 r1@x 0 %00\r\nCRP2 7 DP %00 19\r\nRMVB 6 FL k0 r0@x\r\n");
}

}  // namespace
