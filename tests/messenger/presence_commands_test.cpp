// Presence, nickname, profile and service notices, and the user's own presence and nickname going
// out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/protocol/PresenceCommands.h"
#include "tests/messenger/wire_bytes.h"
#include "tests/support/RecordingScreens.h"
#include "tests/support/SessionHarness.h"

namespace {

// Passes writes on to the harness and notes the own status and nickname at the moment each write
// goes out.
class AccountWatchingWire : public SessionWire {
public:
    explicit AccountWatchingWire(SessionHarness& harness) : m_harness(harness) {}
    bool Write(const uint8_t* bytes, uint32_t count) override {
        const AccountInfo* account = AccountInfo::Instance();
        Statuses.push_back(account != nullptr ? account->Status : 99);
        Nicknames.push_back(account != nullptr ? account->Nickname : L"?");
        return m_harness.Write(bytes, count);
    }
    void Close() override { m_harness.Close(); }

    std::vector<uint32_t> Statuses;
    std::vector<std::wstring> Nicknames;

private:
    SessionHarness& m_harness;
};

class PresenceCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        harness.Connect(1);
        harness.ClearSent();
        harness.Ids().LastId = 0;
    }

    Buddy& AddBuddy(const std::wstring& key, const std::wstring& id, uint32_t status) {
        Buddy buddy;
        buddy.Key = key;
        buddy.Id = id;
        buddy.Status = status;
        buddy.ListFlags = 3;
        roster.AddOrUpdate(key, buddy);
        return *roster.FindEntry(key);
    }

    // The buddy's status after a presence notice with the letter.
    void Notify(const std::string& command, const std::string& id, const std::string& letter) {
        harness.Receive(command + " 0 " + id + " " + letter + " 0 %00 1\r\n");
    }

    AccountInfo account;
    BuddyGroupList groups;
    BuddyRoster roster;
    ChatSessionManager chats;
    RecordingScreens screens;
    SessionHarness harness;
};

// ---------------------------------------------------------------- presence notices

TEST_F(PresenceCommandsTest, SoundOnlyWhenAnOfflineBuddyComesOnline) {
    Buddy& bee = AddBuddy(L"1001", L"b@tevrik.example", 6);
    Notify("NTFY", "b@tevrik.example", "A");
    EXPECT_EQ(bee.Status, 1u);
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"PlayNotification(1)", L"BuddyListUpdateRow(buddy:b@tevrik.example)"}));
    EXPECT_EQ(screens.First("BuddyListUpdateRow")->BuddyArg, &bee);

    Notify("NTFY", "b@tevrik.example", "O");  // away to online
    Notify("NTFY", "b@tevrik.example", "F");  // going offline
    Notify("NTFY", "b@tevrik.example", "F");  // still offline
    EXPECT_EQ(bee.Status, 6u);
    EXPECT_EQ(screens.Count("PlayNotification"), 1u);
    EXPECT_EQ(screens.Count("BuddyListUpdateRow"), 4u);

    // Appearing offline is not offline: going there from offline counts as coming online, and
    // coming back from it is no sign-in.
    Notify("NTFY", "b@tevrik.example", "X");
    EXPECT_EQ(screens.Count("PlayNotification"), 2u);
    Notify("NTFY", "b@tevrik.example", "O");
    EXPECT_EQ(screens.Count("PlayNotification"), 2u);
}

TEST_F(PresenceCommandsTest, BuddyNeverReportedBeforePlaysNothing) {
    Buddy& cee = AddBuddy(L"1002", L"c@tevrik.example", 7);
    Notify("NTFY", "c@tevrik.example", "O");
    EXPECT_EQ(cee.Status, 0u);
    EXPECT_EQ(screens.Count("PlayNotification"), 0u);
    // A letter outside the seven makes the presence unknown again; from offline, any presence but
    // offline counts as coming online.
    Notify("NTFY", "c@tevrik.example", "Z");
    EXPECT_EQ(cee.Status, 7u);
    cee.Status = 6;
    Notify("NTFY", "c@tevrik.example", "Q");
    EXPECT_EQ(cee.Status, 7u);
    EXPECT_EQ(screens.Count("PlayNotification"), 1u);
}

TEST_F(PresenceCommandsTest, InfyActsAsNtfy) {
    Buddy& bee = AddBuddy(L"1001", L"b@tevrik.example", 6);
    Notify("INFY", "b@tevrik.example", "M");
    EXPECT_EQ(bee.Status, 2u);
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"PlayNotification(1)", L"BuddyListUpdateRow(buddy:b@tevrik.example)"}));
}

TEST_F(PresenceCommandsTest, NoticesForStrangersAreIgnored) {
    AddBuddy(L"1001", L"b@tevrik.example", 6);
    Notify("NTFY", "B@tevrik.example", "O");  // ids compare exactly
    Notify("INFY", "x@tevrik.example", "O");
    harness.Receive("NNIK 0 x@tevrik.example nick\r\n");
    harness.Receive("NPRF 0 x@tevrik.example 111111 a b c d Y e\r\n");
    EXPECT_TRUE(screens.Lines().empty());
    EXPECT_EQ(roster.FindEntry(L"1001")->Status, 6u);
}

TEST_F(PresenceCommandsTest, OneToOneChatWindowFollowsThePresence) {
    AddBuddy(L"1001", L"b@tevrik.example", 0);
    ChatSession* group = chats.CreateChatSession();
    group->BuddyId = L"b@tevrik.example";
    for (const wchar_t* id : {L"a@x", L"c@x"}) group->AddMember(ChatMember{id, id, id, L""});
    ChatSession* single = chats.CreateChatSession();
    single->BuddyId = L"b@tevrik.example";
    screens.Clear();

    Notify("NTFY", "b@tevrik.example", "P");
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"BuddyListUpdateRow(buddy:b@tevrik.example)",
                                                          L"ChatWindow.SetBuddyIcon(chat:b@tevrik.example, buddy:b@tevrik.example)",
                                                          L"ChatWindow.UpdateInputState(chat:b@tevrik.example)"}));
    EXPECT_EQ(screens.WindowOf(group)->Calls().size(), 0u);
    EXPECT_EQ(screens.WindowOf(single)->Count("SetBuddyIcon"), 1u);

    // A chat whose window is gone is passed over safely.
    single->Page.reset();
    Notify("NTFY", "b@tevrik.example", "O");
    EXPECT_EQ(roster.FindEntry(L"1001")->Status, 0u);
}

// ---------------------------------------------------------------- nickname and profile

TEST_F(PresenceCommandsTest, NicknameNoticeRepaintsTheRow) {
    Buddy& bee = AddBuddy(L"1001", L"b@tevrik.example", 0);
    AddBuddy(L"1002", L"c@tevrik.example", 0);
    harness.Receive("NNIK 0 b@tevrik.example 새%20별명%25\r\n");
    EXPECT_EQ(bee.Nickname, L"새 별명%");
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"BuddyListUpdateRow(buddy:b@tevrik.example)"}));
    EXPECT_EQ(screens.First("BuddyListUpdateRow")->BuddyArg, &bee);
    EXPECT_EQ(roster.FindEntry(L"1002")->Nickname, L"");
}

class ProfileTest : public PresenceCommandsTest {
protected:
    void SetUp() override {
        PresenceCommandsTest::SetUp();
        Buddy& bee = AddBuddy(L"1001", L"b@tevrik.example", 0);
        bee.Profile1 = L"p1";
        bee.Profile2 = L"p2";
        bee.Profile3 = L"p3";
        bee.Profile4 = L"p4";
        bee.ProfileFlag5 = 0;
        bee.Profile6 = L"p6";
    }

    std::vector<std::wstring> Fields() {
        const Buddy& bee = *roster.FindEntry(L"1001");
        return {bee.Profile1, bee.Profile2, bee.Profile3, bee.Profile4, std::to_wstring(bee.ProfileFlag5), bee.Profile6};
    }

    void Profile(const std::string& mask) {
        harness.Receive("NPRF 0 b@tevrik.example " + mask + " 010-1 둘 셋 넷 Y 19990101\r\n");
    }
};

TEST_F(ProfileTest, OnlyTheFieldsTheMaskNamesChange) {
    Profile("100001");
    EXPECT_EQ(Fields(), (std::vector<std::wstring>{L"010-1", L"p2", L"p3", L"p4", L"0", L"19990101"}));
    Profile("011110");
    EXPECT_EQ(Fields(), (std::vector<std::wstring>{L"010-1", L"둘", L"셋", L"넷", L"1", L"19990101"}));
    harness.Receive("NPRF 0 b@tevrik.example 000010 a b c d N e\r\n");
    EXPECT_EQ(Fields(), (std::vector<std::wstring>{L"010-1", L"둘", L"셋", L"넷", L"0", L"19990101"}));
    // Nothing is repainted.
    EXPECT_TRUE(screens.Lines().empty());
}

TEST_F(ProfileTest, ShortOrOddMasksChangeNothingTheyDoNotName) {
    for (const char* mask : {"11111", "1", "%00", "", "2x3y0z"}) {
        Profile(mask);
        EXPECT_EQ(Fields(), (std::vector<std::wstring>{L"p1", L"p2", L"p3", L"p4", L"0", L"p6"})) << mask;
    }
    harness.Receive("NPRF 0 b@tevrik.example\r\n");
    // Places past the sixth say nothing.
    Profile("0000011111");
    EXPECT_EQ(Fields(), (std::vector<std::wstring>{L"p1", L"p2", L"p3", L"p4", L"0", L"19990101"}));
}

// ---------------------------------------------------------------- service notice

TEST_F(PresenceCommandsTest, ServiceNoticeShowsItsThirdText) {
    harness.Receive("SNFY 0 a b 서버%20점검%0a오늘%20밤\r\n");
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"ShowNotice(서버 점검\n오늘 밤)"}));
    harness.Receive("SNFY 0\r\n");
    EXPECT_EQ(screens.Count("ShowNotice"), 2u);
    EXPECT_EQ(screens.Last("ShowNotice")->Text, L"");
}

// ---------------------------------------------------------------- own presence and nickname

TEST_F(PresenceCommandsTest, RequestsWriteTheirBodies) {
    OnstRequest onst(5);
    EXPECT_EQ(Serialized(onst), "ONST 5 Unknown Unknown %00 Unknown\r\n");
    OnstRequest away(6);
    away.Presence = 1;
    away.Typing = 0;
    away.Tail = 1;
    EXPECT_EQ(Serialized(away), "ONST 6 A 0 %00 2\r\n");
    CnikRequest cnik(7);
    EXPECT_EQ(Serialized(cnik), "CNIK 7 %00\r\n");
    CnikRequest nick(8);
    nick.Nickname = L"새 별명 100%";
    EXPECT_EQ(Serialized(nick), "CNIK 8 새%20별명%20100%25\r\n");
}

TEST_F(PresenceCommandsTest, OwnPresenceIsStoredBeforeOnstGoesOut) {
    AccountWatchingWire wire(harness);
    harness.Session().SetWire(&wire);
    account.Status = 0;
    EXPECT_EQ(SendOwnPresence(4), 1);
    EXPECT_EQ(account.Status, 4u);
    EXPECT_EQ(wire.Statuses, (std::vector<uint32_t>{4}));
    EXPECT_EQ(harness.Sent(), (std::vector<std::string>{Carried(2, "ONST 1 B 0 %00 2\r\n")}));

    harness.Receive(Carried(2, "ONST 1\r\n"));
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"StatusBarCardRefresh()"}));
    EXPECT_EQ(harness.Pending().Count(), 0u);

    // A refused change is shown; the stored presence stays.
    screens.Clear();
    EXPECT_EQ(SendOwnPresence(5), 1);
    harness.Receive(Carried(4, "202 3\r\n"));
    EXPECT_EQ(account.Status, 5u);
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"Alert(FailureCodeInvalidData)"}));

    // No presence beyond offline exists to choose.
    EXPECT_EQ(SendOwnPresence(7), 0);
    EXPECT_EQ(account.Status, 5u);
    EXPECT_EQ(harness.Sent().size(), 2u);
    harness.Session().SetWire(&harness);
}

TEST_F(PresenceCommandsTest, OwnNicknameIsStoredBeforeCnikGoesOut) {
    AccountWatchingWire wire(harness);
    harness.Session().SetWire(&wire);
    account.Nickname = L"옛 별명";
    EXPECT_EQ(SendOwnNickname(L"옛 별명"), 0);
    EXPECT_TRUE(harness.Sent().empty());

    EXPECT_EQ(SendOwnNickname(L"새 별명"), 1);
    EXPECT_EQ(account.Nickname, L"새 별명");
    EXPECT_EQ(wire.Nicknames, (std::vector<std::wstring>{L"새 별명"}));
    EXPECT_EQ(harness.Sent(), (std::vector<std::string>{Carried(2, "CNIK 1 새%20별명\r\n")}));
    harness.Receive(Carried(2, "CNIK 1\r\n"));
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"StatusBarCardRefresh()"}));

    // The empty nickname goes out like any other; a failure keeps it stored.
    screens.Clear();
    EXPECT_EQ(SendOwnNickname(L""), 1);
    EXPECT_EQ(harness.Sent().back(), Carried(4, "CNIK 3 %00\r\n"));
    harness.Receive(Carried(4, "400 3\r\n"));
    EXPECT_EQ(account.Nickname, L"");
    EXPECT_EQ(screens.Lines(), (std::vector<std::wstring>{L"Alert(FailureCodeGeneralServerError)"}));
    harness.Session().SetWire(&harness);
}

TEST_F(PresenceCommandsTest, OwnChoicesAreKeptEvenWithoutConnection) {
    harness.Session().Close();
    EXPECT_EQ(SendOwnPresence(2), 0);
    EXPECT_EQ(SendOwnNickname(L"x"), 0);
    EXPECT_EQ(account.Status, 2u);
    EXPECT_EQ(account.Nickname, L"x");
    EXPECT_TRUE(harness.Sent().empty());
    EXPECT_EQ(harness.Pending().Count(), 0u);
}

}  // namespace
