// Two driven clients through the service stand-in, as two people would use them: sign-in, a buddy
// request, a chat, a memo, presence and nickname, log-out and sign-in again, the service gone.
// Every step ends in a picture compared whole and in the `state` lines of both clients.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>

#include "platform/windows/input.h"
#include "tests/e2e/DriveHarness.h"
#include "tests/support/Golden.h"
#include "tools/service/TestService.h"

namespace {

using namespace std::chrono_literals;

const char kSeed[] = R"({"users": [
  {"id": "hana@tevrik.example", "password": "1234", "name": "한하나", "nickname": "하나",
   "groups": [{"id": "0", "name": "기타"}]},
  {"id": "dul@tevrik.example", "password": "5678", "name": "두두리", "nickname": "둘",
   "groups": [{"id": "0", "name": "기타"}]}
]})";

class Scenario : public ::testing::Test {
protected:
    void SetUp() override {
        tevrik_service::ServiceOptions options;
        options.seedJson = kSeed;
        ASSERT_TRUE(service.Start(options));
        ASSERT_TRUE(a.Start(service));
        ASSERT_TRUE(b.Start(service));
    }

    // The picture of the client after settle, advance 1000, settle, compared with the golden.
    ::testing::AssertionResult Matches(DrivenClient& client, const std::string& golden) {
        GoldenPicture picture;
        const std::string path = client.Shot(golden);
        if (path.empty() || !ReadPng(path, picture)) return ::testing::AssertionFailure() << "no picture for " << golden;
        return MatchesGolden(picture, golden);
    }

    // A part of the message box open on the client.
    POINT Box(DrivenClient& client, const wchar_t* part) { return skin.Center({L"MsgBox", part}, client.PopupOrigin()); }

    // Signed in through the form, until the service has the options it sends last.
    void SignIn(DrivenClient& client, const std::string& id, const std::string& password) {
        ASSERT_TRUE(SignInThroughForm(client, skin, id, password));
        ASSERT_NE(service.WaitForSignIn(id + "@tevrik.example", 10s), 0);
        ASSERT_TRUE(service.WaitForClientFrame(service.SignedInConnection(id + "@tevrik.example"), "LOPT", 10s));
    }

    // Tab `index` of the tab bar at the foot of the four main pages.
    POINT Tab(int index) {
        const RECT bar = skin.Rect({L"TabBar"}, POINT{0, skin.Rect({L"BuddyList"}).top});
        return POINT{bar.left + (bar.right - bar.left) * (2 * index + 1) / 8, (bar.top + bar.bottom) / 2};
    }
    // Row `index` of the menu open on the client.
    POINT MenuRow(DrivenClient& client, const wchar_t* menu, int index) {
        const POINT origin = client.PopupOrigin();
        const int margin = skin.Number({L"Menu", L"_TableViewMargin"});
        const int height = skin.Number({menu, L"_TableViewItemHeight"});
        const POINT text = skin.Center({menu, L"Text"});
        return POINT{origin.x + margin + text.x, origin.y + margin + height * index + text.y};
    }

    // After the service's record shows the frame that ends an exchange (the command, to or from
    // the user, with `text` in it): both clients settled.
    ::testing::AssertionResult Await(const std::string& user, bool fromClient, const std::string& command,
                                     const std::string& text = "") {
        const tevrik_service::ConnId conn = service.SignedInConnection(user + "@tevrik.example");
        const auto frame = service.WaitForFrame(
            [&](const tevrik_service::Frame& f) {
                return f.conn == conn && f.fromClient == fromClient &&
                       (f.command == command || f.innerCommand == command) && f.bytes.find(text) != std::string::npos;
            },
            10s, mark);
        if (!frame) return ::testing::AssertionFailure() << "no " << command << " " << text << " for " << user;
        mark = frame->index + 1;
        if (!SettleBoth()) return ::testing::AssertionFailure() << "the clients do not settle";
        return ::testing::AssertionSuccess();
    }
    bool SettleBoth() { return a.Run("settle") && b.Run("settle"); }

    tevrik_service::TestService service;
    SkinLayout skin;
    DrivenClient a, b;
    size_t mark = 0;
};

TEST_F(Scenario, TwoUsersMeetChatWriteAndPartThroughTheService) {
    // 1. Both at the login form; both sign in through it.
    EXPECT_TRUE(Matches(a, "e2e_login_form"));
    ASSERT_NO_FATAL_FAILURE(SignIn(a, "hana", "1234"));
    ASSERT_NO_FATAL_FAILURE(SignIn(b, "dul", "5678"));
    ASSERT_TRUE(SettleBoth());
    EXPECT_EQ(a.State(),
              "page=BuddyList login=- popup=\"\" buddies=- chats=0/0 memos=0/0 sounds=login.wav leds=on search=\"\" filter=\"\" held=-");
    EXPECT_EQ(b.State(),
              "page=BuddyList login=- popup=\"\" buddies=- chats=0/0 memos=0/0 sounds=login.wav leds=on search=\"\" filter=\"\" held=-");
    mark = service.FrameCount();

    // 2. A asks B to be buddies; B accepts through the prompt and the request page.
    ASSERT_TRUE(a.Tap(skin.Center({L"MenuBar", L"SystemMenuButton"})));
    ASSERT_TRUE(a.Tap(MenuRow(a, L"MenuSystem", 1)) && a.Still());
    ASSERT_TRUE(a.Tap(skin.Center({L"BuddyAdd", L"View", L"IdEdit"})) && a.Chars("dul"));
    ASSERT_TRUE(a.Tap(skin.Center({L"BuddyAdd", L"View", L"AccountButton"})));
    ASSERT_TRUE(a.Tap(MenuRow(a, L"MenuAccount", 0)));
    ASSERT_TRUE(a.Tap(skin.Center({L"BuddyAdd", L"View", L"RequestMessage"})) && a.Chars("안녕"));
    EXPECT_TRUE(Matches(a, "e2e_buddy_add"));
    ASSERT_TRUE(a.Tap(skin.Center({L"BuddyAdd", L"ButtonBar", L"RequestButton"})) && a.Still());
    ASSERT_TRUE(Await("dul", false, "ADDB"));
    EXPECT_TRUE(Matches(b, "e2e_request_prompt"));
    ASSERT_TRUE(b.Tap(Box(b, L"YesButton")) && b.Still());
    ASSERT_TRUE(b.Tap(skin.Center({L"BuddyRequestInfo", L"ButtonBar", L"AcceptButton"})) && b.Still());
    ASSERT_TRUE(Await("hana", false, "NTFY", "dul@tevrik.example O"));
    EXPECT_TRUE(Matches(b, "e2e_buddy_online_b"));
    EXPECT_EQ(a.State(),
              "page=BuddyList login=- popup=\"\" buddies=dul@tevrik.example:0: chats=0/0 memos=0/0 sounds=buddy_login.wav leds=on search=\"\" filter=\"\" held=-");
    EXPECT_EQ(b.State(),
              "page=BuddyList login=- popup=\"\" buddies=hana@tevrik.example:0: chats=0/0 memos=0/0 sounds= leds= search=\"\" filter=\"\" held=request");

    // 3. A opens a chat and sends Korean and an emoticon; B hears it, answers; A sees B typing.
    ASSERT_TRUE(a.Tap(skin.Row({L"BuddyList", L"View"}, 1, L"BuddyIcon")) && a.Still());
    ASSERT_TRUE(a.Tap(skin.Center({L"Chat", L"InputBar", L"Input"})) && a.Compose("dkssudgktpdy"));
    ASSERT_TRUE(a.Tap(skin.Center({L"Chat", L"InputBar", L"EmoticonButton"})));
    ASSERT_TRUE(a.Tap(MenuRow(a, L"MenuEmoticon", 0)) && a.Still());
    ASSERT_TRUE(a.Key(VK_RETURN) && a.Still());
    ASSERT_TRUE(Await("dul", false, "MESG", "MSG 0"));
    EXPECT_EQ(b.State(),
              "page=BuddyList login=- popup=\"\" buddies=hana@tevrik.example:0: chats=1/1 memos=0/0 sounds=recv_chat.wav leds=on search=\"\" filter=\"\" held=request");
    ASSERT_TRUE(b.Tap(Tab(1)) && b.Still());
    EXPECT_TRUE(Matches(b, "e2e_chat_list_unread"));
    ASSERT_TRUE(b.Tap(skin.Row({L"ChatList", L"View"}, 0, L"Title")) && b.Still());
    ASSERT_TRUE(b.Tap(skin.Center({L"Chat", L"InputBar", L"Input"})) && b.Compose("qksrkdnj"));
    ASSERT_TRUE(Await("hana", false, "MESG", "TYPING"));
    EXPECT_TRUE(Matches(a, "e2e_chat_typing"));
    ASSERT_TRUE(b.Key(VK_RETURN) && b.Still());
    ASSERT_TRUE(Await("hana", false, "MESG", "MSG 0"));
    EXPECT_TRUE(Matches(a, "e2e_chat_answered"));
    EXPECT_EQ(a.State(),
              "page=Chat login=- popup=\"\" buddies=dul@tevrik.example:0: chats=1/0 memos=0/0 sounds= leds= search=\"\" filter=\"\" held=-");

    // 4. B writes A a memo from A's card; it comes on top of A's inbox; A reads it.
    ASSERT_TRUE(b.Tap(skin.Center({L"StatusBar", L"ChatPage", L"BackButton"})) && b.Still());
    ASSERT_TRUE(b.Tap(Tab(0)) && b.Still());
    // The card opens from the disclosure arrow; the rest of the row opens a chat.
    ASSERT_TRUE(b.Tap(skin.Row({L"BuddyList", L"View"}, 1, L"DisclosureButton")) && b.Still());
    ASSERT_TRUE(b.Tap(skin.Center({L"BuddyProfile", L"View", L"MemoIcon"})) && b.Still());
    ASSERT_TRUE(b.Tap(skin.Center({L"MemoWrite", L"View", L"Message"})) && b.Chars("내일 봐요"));
    ASSERT_TRUE(b.Tap(skin.Center({L"MemoWrite", L"View", L"SendButton"})) && b.Still());
    ASSERT_TRUE(Await("hana", false, "CMSG"));
    EXPECT_EQ(a.State(),
              "page=Chat login=- popup=\"\" buddies=dul@tevrik.example:0: chats=1/0 memos=1/1 sounds=recv_memo.wav leds=on search=\"\" filter=\"\" held=-");
    ASSERT_TRUE(a.Tap(skin.Center({L"StatusBar", L"ChatPage", L"BackButton"})) && a.Still());
    ASSERT_TRUE(a.Tap(Tab(2)) && a.Still());
    EXPECT_TRUE(Matches(a, "e2e_memo_inbox"));
    ASSERT_TRUE(a.Tap(skin.Row({L"MemoList", L"View"}, 0, L"Title")));
    ASSERT_TRUE(Await("hana", false, "WGET", "MEMOCNT2"));
    EXPECT_TRUE(Matches(a, "e2e_memo_read"));

    // 5. B goes away and takes a new nickname; A's list shows both.
    ASSERT_TRUE(b.Tap(skin.Center({L"StatusBar", L"Disclosure", L"BackButton"})) && b.Still());
    ASSERT_TRUE(b.Tap(skin.Center({L"StatusBar", L"Disclosure", L"BackButton"})) && b.Still());
    EXPECT_EQ(b.State(),
              "page=BuddyList login=- popup=\"\" buddies=hana@tevrik.example:0: chats=1/0 memos=0/0 sounds= leds=off search=\"\" filter=\"\" held=profile,request");
    ASSERT_TRUE(b.Tap(Tab(3)) && b.Still());
    ASSERT_TRUE(b.Tap(skin.Row({L"OptionList", L"View"}, 0, L"LText")) && b.Still());
    ASSERT_TRUE(b.Tap(skin.Row({L"Option", L"View"}, 1, L"Text")));
    ASSERT_TRUE(Await("hana", false, "NTFY", "dul@tevrik.example A"));
    ASSERT_TRUE(b.Tap(skin.Center({L"StatusBar", L"Disclosure", L"BackButton"})) && b.Still());
    ASSERT_TRUE(b.Tap(skin.Row({L"OptionList", L"View"}, 1, L"LText")) && b.Still());
    ASSERT_TRUE(b.Tap(skin.Center({L"OptionNick", L"View", L"Nick"})) && b.Key(VK_END));
    ASSERT_TRUE(b.Key(VK_BACK) && b.Compose("wkfgownj"));
    EXPECT_TRUE(Matches(b, "e2e_option_nick"));
    ASSERT_TRUE(b.Tap(skin.Center({L"StatusBar", L"Disclosure", L"BackButton"})) && b.Still());
    ASSERT_TRUE(Await("hana", false, "NNIK"));
    ASSERT_TRUE(b.Tap(Tab(0)) && b.Still());
    ASSERT_TRUE(a.Tap(skin.Center({L"StatusBar", L"Disclosure", L"BackButton"})) && a.Still());
    ASSERT_TRUE(a.Tap(Tab(0)) && a.Still());
    EXPECT_TRUE(Matches(a, "e2e_buddy_away"));
    EXPECT_EQ(a.State(),
              "page=BuddyList login=- popup=\"\" buddies=dul@tevrik.example:1:잘해줘 chats=1/0 memos=1/0 sounds= leds=off search=\"\" filter=\"\" held=memo");
    EXPECT_EQ(b.State(),
              "page=BuddyList login=- popup=\"\" buddies=hana@tevrik.example:0: chats=1/0 memos=0/0 sounds= leds= search=\"\" filter=\"\" held=profile,request");

    // 6. A, having seen B's card and searching, logs out (B sees A go) and signs in again from the
    // gate: nothing of the first sign-in is left on any screen.
    ASSERT_TRUE(a.Tap(skin.Row({L"BuddyList", L"View"}, 1, L"DisclosureButton")) && a.Still());
    ASSERT_TRUE(a.Tap(skin.Center({L"StatusBar", L"Disclosure", L"BackButton"})) && a.Still());
    ASSERT_TRUE(a.Tap(skin.Center({L"BuddyList", L"SearchBar", L"SearchWord"})) && a.Chars("d"));
    EXPECT_EQ(a.State(),
              "page=BuddyList login=- popup=\"\" buddies=dul@tevrik.example:1:잘해줘 chats=1/0 memos=1/0 sounds= leds= search=\"d\" filter=\"d\" held=profile,memo");
    ASSERT_TRUE(a.Tap(skin.Center({L"MenuBar", L"SystemMenuButton"})));
    ASSERT_TRUE(a.Tap(MenuRow(a, L"MenuSystem", 3)) && a.Still());
    ASSERT_TRUE(Await("dul", false, "NTFY", "hana@tevrik.example F"));
    EXPECT_TRUE(Matches(b, "e2e_buddy_left"));
    ASSERT_TRUE(a.Tap(skin.Center({L"Login", L"Gate", L"LoginButton"})) && a.Still());
    ASSERT_NE(service.WaitForSignIn("hana@tevrik.example", 10s), 0);
    ASSERT_TRUE(Await("hana", false, "WGET", "MEMOCNT2"));
    EXPECT_TRUE(Matches(a, "e2e_signed_in_again"));
    EXPECT_EQ(a.State(),
              "page=BuddyList login=- popup=\"\" buddies=dul@tevrik.example:1:잘해줘 chats=0/0 memos=1/0 sounds=login.wav leds=on,off search=\"\" filter=\"\" held=-");
    ASSERT_TRUE(a.Tap(Tab(2)) && a.Still());
    EXPECT_TRUE(Matches(a, "e2e_memo_inbox_again"));

    // 7. The service stops: both back at the login screen with the message; both quit cleanly.
    const auto stopped = std::chrono::steady_clock::now();
    service.Stop();
    ASSERT_TRUE(SettleBoth());
    EXPECT_EQ(a.State(),
              "page=- login=1 popup=\"Tevrik 서버와의 연결이 끊어졌습니다.\"@20,172 buddies=- chats=0/0 memos=0/0 sounds= leds= search=\"\" filter=\"\" held=-");
    EXPECT_EQ(b.State(),
              "page=- login=1 popup=\"Tevrik 서버와의 연결이 끊어졌습니다.\"@20,172 buddies=- chats=0/0 memos=0/0 sounds=buddy_login.wav leds=on search=\"\" filter=\"\" held=-");
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, 2s);
    EXPECT_TRUE(Matches(a, "e2e_service_gone"));
    for (DrivenClient* client : {&a, &b}) {
        EXPECT_EQ(client->Quit(), 0);
        const std::regex faults("is missing|QeTransition::Start|Decode|could not be loaded");
        EXPECT_FALSE(std::regex_search(client->Traces(), faults)) << client->Traces();
    }
}

}  // namespace
