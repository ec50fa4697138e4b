// The chat commands: the bytes of every chat request, both roads that open a chat, members coming
// and going, lines and typing notices, and what reaches the chat window through the screen seam.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "framework/base/QeStrings.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatActions.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/protocol/ChatCommands.h"
#include "messenger/protocol/Envelopes.h"
#include "messenger/protocol/TokenSets.h"
#include "tests/support/RecordingScreens.h"
#include "tests/support/SessionHarness.h"
#include "tests/support/TraceLog.h"

namespace {

using Lines = std::vector<std::wstring>;

std::string N(int32_t id) { return std::to_string(id); }

// "CRP2 <trid> <route> <target> <count>\r\n" + inner.
std::string Crp2(const std::string& trid, const std::string& route, const std::string& target,
                 const std::string& inner) {
    return "CRP2 " + trid + " " + route + " " + target + " " + std::to_string(inner.size()) + "\r\n" + inner;
}

// What the service pushes into chat "77".
std::string Pushed(const std::string& inner, const std::string& sid = "77") { return Crp2("0", "SS", sid, inner); }

// The CSES CONN answer: route, session id, host, port, cookie as the counted payload.
std::string ConnReply(int32_t trId, const std::string& sid, const std::string& cookie) {
    const std::string payload = "SS " + sid + " 127.0.0.1 5005 " + cookie;
    return "CSES " + std::to_string(trId) + " CONN " + std::to_string(payload.size()) + "\r\n" + payload;
}

std::string Serialized(RequestMessage& request) {
    EXPECT_TRUE(request.Serialize());
    return std::string(reinterpret_cast<const char*>(request.Buffer.Data()), request.Buffer.Size());
}

std::string Utf8(const std::wstring& text) { return QeStrings::WideToUtf8(text); }

class ChatCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        account.Id = L"me@tevrik.example";
        account.Name = L"나민수";
        account.Nickname = L"민수";
        account.Status = 0;
        harness.Connect(1);
        harness.ClearSent();
    }

    void AddBuddy(const std::wstring& id, const std::wstring& name, const std::wstring& nickname) {
        Buddy buddy;
        buddy.Id = id;
        buddy.Name = name;
        buddy.Nickname = nickname;
        buddy.Status = 0;
        roster.AddOrUpdate(L"key-" + id, buddy);
    }

    int32_t NextId() const { return TrIdGenerator::Instance()->LastId + 1; }

    // A chat the service already entered with session id "77" and the given members.
    ChatSession* EnteredChat(const std::vector<std::wstring>& members, const std::wstring& sid = L"77") {
        ChatSession* chat = chats.CreateChatSession();
        chat->BuddyId = members.empty() ? L"bud@tevrik.example" : members.front();
        chat->DisplayName = L"Bud";
        chat->SessionId = sid;
        chat->Host = L"127.0.0.1";
        chat->Port = 5005;
        chat->Cookie = L"ck";
        for (const std::wstring& id : members) {
            ChatMember member;
            member.Id = id;
            member.Name = L"name of " + id;
            member.Nickname = L"nick of " + id;
            chat->AddMember(member);
        }
        return chat;
    }

    RecordingChatWindow& Window(ChatSession* chat) {
        RecordingChatWindow* window = screens.WindowOf(chat);
        EXPECT_NE(window, nullptr);
        return *window;
    }

    RecordingScreens screens;
    AccountInfo account;
    BuddyRoster roster;
    ChatSessionManager chats;
    SessionHarness harness;
};

// ---------------------------------------------------------------- request bytes

TEST(ChatRequestBytes, InvitationHasNoIdAndNoLineEnd) {
    InvtRequest invitation(9);
    invitation.NoTrId = true;
    invitation.InviterId = L"me@tevrik.example";
    invitation.Host = L"127.0.0.1";
    invitation.Port = 60000;
    invitation.Cookie = L"c k";
    EXPECT_EQ(Serialized(invitation), "INVT me@tevrik.example 127.0.0.1 60000 c%20k");
}

TEST(ChatRequestBytes, EnterWritesEveryTokenAndTheKindTextOnlyForC) {
    EntrRequest unset(4);
    EXPECT_EQ(Serialized(unset), "ENTR 4 %00 %00 %00 %00 Unknown Unknown %00 Unknown\r\n");

    EntrRequest sent(5);
    sent.LoginId = L"me@tevrik.example";
    sent.Nickname = L"민 수";
    sent.Name = L"나민수";
    sent.Cookie = L"ck";
    sent.Charset = 1;
    sent.Kind = 0;
    sent.KindText = L"never written";
    sent.Version = L"1.1";
    sent.Tail = 1;
    EXPECT_EQ(Serialized(sent), "ENTR 5 me@tevrik.example 민%20수 나민수 ck UTF8 P 1.1 2\r\n");

    EntrRequest chatKind(6);
    chatKind.LoginId = L"a";
    chatKind.Nickname = L"b";
    chatKind.Name = L"c";
    chatKind.Cookie = L"d";
    chatKind.Charset = 0;
    chatKind.Kind = 1;
    chatKind.KindText = L"room";
    chatKind.Version = L"1.0";
    chatKind.Tail = 0;
    EXPECT_EQ(Serialized(chatKind), "ENTR 6 a b c d ANSI C room 1.0 1\r\n");
}

TEST(ChatRequestBytes, MessageKinds) {
    MesgRequest unset(3);
    EXPECT_EQ(Serialized(unset), "MESG 3 Unknown\r\n");

    MesgRequest typing(4);
    typing.Kind = kMesgTyping;
    typing.TypingState = 1;
    typing.Text = L"not sent with a notice";
    EXPECT_EQ(Serialized(typing), "MESG 4 TYPING 1\r\n");

    MesgRequest line(5);
    line.Kind = kMesgMsg;
    line.Text = L"hi there";
    EXPECT_EQ(Serialized(line), "MESG 5 MSG 0%090%090%09hi%20there\r\n");

    MesgRequest away(6);
    away.Kind = kMesgAwayMsg;
    away.FontName = L"Gulim";
    away.FontSize = 9;
    away.FontStyle = kFontBold | kFontUnderline;
    away.Text = L"자리 비움";
    EXPECT_EQ(Serialized(away), "MESG 6 AWAYMSG Gulim%099%09BU%09자리%20비움\r\n");
}

TEST(ChatRequestBytes, PercentIsEscapedOnceMoreForTheSecondReading) {
    MesgRequest line(7);
    line.Kind = kMesgMsg;
    line.Text = L"50%\tx%41";
    // "%" -> "%25" before joining, then the token's own escaping: "%2525".
    EXPECT_EQ(Serialized(line), "MESG 7 MSG 0%090%090%0950%2525%09x%252541\r\n");
}

// ---------------------------------------------------------------- the styled text

TEST(ChatStyledText, WithoutPercentItIsTheJoinedTextByteForByte) {
    for (const std::wstring& text : {std::wstring(L"hello"), std::wstring(L"a\tb c"), std::wstring(L"안녕하세요"),
                                     std::wstring(L"")}) {
        EXPECT_EQ(StyledTextToken(L"", 0, 0, text), JoinStyledText(L"", 0, 0, text));
        EXPECT_EQ(StyledTextToken(L"Gulim", 12, kFontItalic, text), JoinStyledText(L"Gulim", 12, kFontItalic, text));
    }
}

TEST(ChatStyledText, ReceivingReadsEveryPartAndKeepsSeparatorsOfTheText) {
    std::wstring font, text;
    uint32_t size = 99, style = 99;
    ReadStyledText(L"Gulim\t12\tBSx\tone two\tthree", font, size, style, text);
    EXPECT_EQ(font, L"Gulim");
    EXPECT_EQ(size, 12u);
    EXPECT_EQ(style, kFontBold | kFontStrikeOut);
    EXPECT_EQ(text, L"one two\tthree");

    // What a sender that escapes only once gets shown: the escape is undone a second time.
    ReadStyledText(L"0\t0\t0\t%41%2", font, size, style, text);
    EXPECT_EQ(text, L"A%2");

    ReadStyledText(L"", font, size, style, text);
    EXPECT_EQ(font, L"");
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(style, 0u);
    EXPECT_EQ(text, L"");
}

// Our own send path into our own receive path, with the token relayed as it was written.
TEST(ChatStyledText, OwnLinesSurviveBothReadings) {
    const std::vector<std::wstring> texts = {L"%41",       L"100%",          L"%",        L"%%25%2525",
                                             L"탭\t다음 %20", L"a  b\t\tc",     L"%0d%0a!",  L"끝%"};
    for (const std::wstring& sent : texts) {
        MesgRequest line(11);
        line.Kind = kMesgMsg;
        line.FontName = L"Nanum Gothic%";
        line.FontSize = 10;
        line.Text = sent;
        const std::string request = Serialized(line);
        // "MESG 11 MSG <token>\r\n" arrives as "MESG 0 <sender> MSG <token>\r\n".
        const std::string token = request.substr(std::string("MESG 11 MSG ").size());
        const std::string relayed = "MESG 0 peer@tevrik.example MSG " + token;
        TokenReader reader(relayed.data(), static_cast<uint32_t>(relayed.size()));
        MesgReceived received(0);
        ASSERT_TRUE(received.ReadHeader(reader));
        ASSERT_TRUE(received.ReadBody(reader));
        EXPECT_EQ(received.Kind, kMesgMsg);
        EXPECT_EQ(received.SenderId, L"peer@tevrik.example");
        EXPECT_EQ(received.FontName, L"Nanum Gothic%");
        EXPECT_EQ(received.FontSize, 10u);
        EXPECT_EQ(received.Text, sent) << Utf8(sent);
    }
}

// ---------------------------------------------------------------- received bodies

TEST(ChatReceivedBodies, JoinUserAndMesgFields) {
    const std::string join = "JOIN 0 b@x Bee Bee%20Park extra 1\r\n";
    TokenReader joinReader(join.data(), static_cast<uint32_t>(join.size()));
    JoinReceived joined(0);
    joined.ReadHeader(joinReader);
    joined.ReadBody(joinReader);
    EXPECT_EQ(joined.LoginId, L"b@x");
    EXPECT_EQ(joined.Nickname, L"Bee");
    EXPECT_EQ(joined.Name, L"Bee Park");
    EXPECT_EQ(joined.Text, L"extra");
    EXPECT_EQ(joined.Tail, 0);

    const std::string user = "USER 0 2 3 c@x Cee Cee%20Kim %00\r\n";  // no state token
    TokenReader userReader(user.data(), static_cast<uint32_t>(user.size()));
    UserReceived listed(0);
    listed.ReadHeader(userReader);
    listed.ReadBody(userReader);
    EXPECT_EQ(listed.Index, 2);
    EXPECT_EQ(listed.Count, 3);
    EXPECT_EQ(listed.LoginId, L"c@x");
    EXPECT_EQ(listed.Name, L"Cee Kim");
    EXPECT_EQ(listed.Tail, 2);

    const std::string answer = "MESG 31\r\n";
    TokenReader answerReader(answer.data(), static_cast<uint32_t>(answer.size()));
    MesgReceived acknowledged(0);
    acknowledged.ReadHeader(answerReader);
    acknowledged.ReadBody(answerReader);
    EXPECT_EQ(acknowledged.TrId, 31);
    EXPECT_EQ(acknowledged.Kind, kMesgOther);
    EXPECT_TRUE(acknowledged.SenderId.empty());

    const std::string typing = "MESG 0 b@x TYPING 7\r\n";
    TokenReader typingReader(typing.data(), static_cast<uint32_t>(typing.size()));
    MesgReceived notice(0);
    notice.ReadHeader(typingReader);
    notice.ReadBody(typingReader);
    EXPECT_EQ(notice.Kind, kMesgTyping);
    EXPECT_EQ(notice.TypingState, 3);
}

// ---------------------------------------------------------------- texts

TEST(ChatTexts, FormatsWithWideArgumentsAndNeverCutsTheUsersText) {
    EXPECT_EQ(ChatSaidLine(L"홍길동", L"길동", L"안녕"), L"홍길동 (길동) 님의 말:\n안녕\n");
    EXPECT_EQ(ChatJoinLine(L"홍길동", L"길동"), L"홍길동 (길동) 님이 입장하였습니다.\n");
    EXPECT_EQ(ChatLeaveLine(L"홍길동", L"길동"), L"홍길동 (길동) 님이 퇴장하였습니다.\n");
    EXPECT_EQ(ChatTypingText(L"홍길동", L"길동"), L"홍길동 (길동) 님이 메시지를 입력하고 있습니다.");
    EXPECT_EQ(ChatErrorLine(201), L"[201] FailureCodeMissingData\n");
    EXPECT_EQ(ChatErrorLine(12345), L"[12345] Unknown Error\n");
    QeDateTime when;
    when.year = 2024;
    when.month = 3;
    when.day = 7;
    when.hour = 9;
    when.minute = 5;
    when.second = 1;
    EXPECT_EQ(ChatLastMessageText(when), L"마지막 메시지를 받은 시각: 2024-03-07 09:05:01");

    // A long line, with format directives in it, arrives whole and as typed.
    std::wstring longText(3000, L'가');
    longText += L" %s %d %ls 끝";
    const std::wstring line = ChatSaidLine(L"a", L"b", longText);
    EXPECT_EQ(line, L"a (b) 님의 말:\n" + longText + L"\n");

    // Names and nicknames come from other users too: a long one never cuts what follows it.
    const std::wstring longName(1500, L'이');
    const std::wstring longNick(1500, L'닉');
    EXPECT_EQ(ChatSaidLine(longName, longNick, L"hi"), longName + L" (" + longNick + L") 님의 말:\nhi\n");
    EXPECT_EQ(ChatJoinLine(longName, longNick), longName + L" (" + longNick + L") 님이 입장하였습니다.\n");
    EXPECT_EQ(ChatLeaveLine(longName, longNick), longName + L" (" + longNick + L") 님이 퇴장하였습니다.\n");
    EXPECT_EQ(ChatTypingText(longName, longNick), longName + L" (" + longNick + L") 님이 메시지를 입력하고 있습니다.");
}

// ---------------------------------------------------------------- the initiating road

TEST_F(ChatCommandsTest, InitiatingRoadQueuesUntilTheFirstJoin) {
    AddBuddy(L"bud@tevrik.example", L"버디", L"버디닉");
    const int32_t ressEnvelope = NextId();
    ChatSession* chat = ChatOpenWithBuddy(L"bud@tevrik.example", L"버디");
    ASSERT_NE(chat, nullptr);
    const int32_t ressId = ressEnvelope + 1;
    ASSERT_EQ(harness.Sent(), (std::vector<std::string>{Crp2(N(ressEnvelope), "DP", "%00", "RESS " + N(ressId) + "\r\n")}));
    EXPECT_EQ(chat->State, 1u);
    EXPECT_EQ(chat->PendingTrId, static_cast<uint32_t>(ressId));
    EXPECT_EQ(chat->BuddyId, L"bud@tevrik.example");
    EXPECT_EQ(chat->DisplayName, L"버디");
    EXPECT_EQ(screens.Count("ChatListAddRow"), 1u);
    EXPECT_EQ(screens.Count("PageIndicatorRebuild"), 1u);
    // Opening again finds the same chat and sends nothing.
    EXPECT_EQ(ChatOpenWithBuddy(L"bud@tevrik.example", L"버디"), chat);
    EXPECT_EQ(harness.Sent().size(), 1u);

    // Typed before anyone is there: queued, and the opener's RESS stays the one room asked for.
    harness.ClearSent();
    EXPECT_TRUE(ChatSendText(*chat, L"first %41"));
    EXPECT_TRUE(ChatSendText(*chat, L"second"));
    EXPECT_FALSE(ChatSendText(*chat, L""));
    EXPECT_TRUE(harness.Sent().empty());
    EXPECT_EQ(chat->PendingTrId, static_cast<uint32_t>(ressId));
    EXPECT_EQ(chat->QueuedTexts, (Lines{L"first %41", L"second"}));
    EXPECT_TRUE(Window(chat).Lines().empty());

    // The RESS answer: CSES CONN goes out without an envelope, and the chat waits for it.
    const int32_t connId = NextId();
    harness.Receive(Crp2(N(ressEnvelope), "DP", "%00", "RESS " + N(ressId) + " 127.0.0.1 5005 ck1\r\n"));
    ASSERT_EQ(harness.Sent(), (std::vector<std::string>{"CSES " + N(connId) + " CONN SS %00 20\r\n127.0.0.1 5005 ck1\r\n"}));
    EXPECT_EQ(chat->PendingTrId, static_cast<uint32_t>(connId));
    EXPECT_EQ(chat->Host, L"127.0.0.1");
    EXPECT_EQ(chat->Port, 5005);
    EXPECT_EQ(chat->Cookie, L"ck1");

    // CONN granted: the chat takes the session id and enters.
    harness.ClearSent();
    const int32_t entrEnvelope = NextId();
    harness.Receive(ConnReply(connId, "77", "ck1"));
    EXPECT_EQ(chat->SessionId, L"77");
    ASSERT_EQ(harness.Sent(),
              (std::vector<std::string>{Crp2(N(entrEnvelope), "SS", "77",
                                             "ENTR " + N(entrEnvelope + 1) +
                                                 " me@tevrik.example 민수 나민수 ck1 UTF8 P 1.1 2\r\n")}));

    // Entered and alone: the buddy is invited, CTOC in CRP2.
    harness.ClearSent();
    const int32_t invtEnvelope = NextId();
    harness.Receive(Crp2(N(entrEnvelope), "SS", "77", "ENTR " + N(entrEnvelope + 1) + "\r\n"));
    const std::string invt = "INVT me@tevrik.example 127.0.0.1 5005 ck1";
    const std::string ctoc =
        "CTOC " + N(invtEnvelope + 1) + " bud@tevrik.example A " + std::to_string(invt.size()) + "\r\n" + invt;
    ASSERT_EQ(harness.Sent(), (std::vector<std::string>{Crp2(N(invtEnvelope), "DP", "%00", ctoc)}));

    // The buddy joins: no join line for the first member, the queued texts go out in order and only
    // now appear as own lines.
    harness.ClearSent();
    screens.Clear();
    Window(chat).Clear();
    const int32_t firstMesg = NextId();
    harness.Receive(Pushed("JOIN 0 bud@tevrik.example 닉 이름 %00 1\r\n"));
    EXPECT_EQ(chat->State, 0u);
    ASSERT_EQ(chat->Members.size(), 1u);
    EXPECT_EQ(chat->Members[0].Id, L"bud@tevrik.example");
    EXPECT_EQ(chat->Members[0].Name, L"이름");
    EXPECT_EQ(chat->Members[0].Nickname, L"닉");
    EXPECT_EQ(chat->Members[0].State, 0u);
    EXPECT_TRUE(chat->QueuedTexts.empty());
    ASSERT_EQ(harness.Sent().size(), 2u);
    EXPECT_EQ(harness.Sent()[0],
              Crp2(N(firstMesg + 1), "SS", "77", "MESG " + N(firstMesg) + " MSG 0%090%090%09first%20%252541\r\n"));
    EXPECT_EQ(harness.Sent()[1], Crp2(N(firstMesg + 3), "SS", "77", "MESG " + N(firstMesg + 2) + " MSG 0%090%090%09second\r\n"));
    EXPECT_EQ(Window(chat).Lines(), (Lines{L"나민수 (민수) 님의 말:\nfirst %41\n", L"나민수 (민수) 님의 말:\nsecond\n"}));
    EXPECT_EQ(Window(chat).LineKinds(), (std::vector<int>{kChatLineMe, kChatLineMe}));
    EXPECT_EQ(screens.Count("ParticipantsAddRow"), 1u);
    EXPECT_EQ(Window(chat).Count("UpdateTitle"), 1u);

    // The service's answers to our own lines write nothing a second time.
    Window(chat).Clear();
    harness.Receive(Crp2(N(firstMesg + 1), "SS", "77", "MESG " + N(firstMesg) + "\r\n"));
    harness.Receive(Crp2(N(firstMesg + 3), "SS", "77", "MESG " + N(firstMesg + 2) + "\r\n"));
    EXPECT_TRUE(Window(chat).Calls().empty());
    EXPECT_EQ(harness.Pending().Find(firstMesg), nullptr);
    EXPECT_EQ(harness.Pending().Find(firstMesg + 2), nullptr);
}

TEST_F(ChatCommandsTest, RessAnswersThatFindNoChatStillConnectAndRefusalsEndTheWaitForARoom) {
    const int32_t connId = NextId();
    harness.Inject(Crp2("40", "DP", "%00", "RESS 41 10.0.0.1 6000 zz\r\n"));
    EXPECT_EQ(harness.Sent(), (std::vector<std::string>{"CSES " + N(connId) + " CONN SS %00 18\r\n10.0.0.1 6000 zz\r\n"}));

    // A failure inside the envelope is shown; nothing is sent and the chat keeps waiting.
    ChatSession* chat = ChatOpenWithBuddy(L"bud@tevrik.example", L"Bud");
    const std::string ressFrame = harness.Sent().back();
    const std::string ressEnvelope = ressFrame.substr(5, ressFrame.find(' ', 5) - 5);
    harness.ClearSent();
    harness.Receive(Crp2(ressEnvelope, "DP", "%00", "400 " + N(static_cast<int32_t>(chat->PendingTrId)) + "\r\n"));
    EXPECT_TRUE(harness.Sent().empty());
    ASSERT_EQ(screens.Count("Alert"), 1u);
    EXPECT_EQ(screens.Last("Alert")->Text, L"FailureCodeGeneralServerError");
    // The chat no longer waits for that room: a text asks for another.
    EXPECT_EQ(chat->State, 0u);
    harness.ClearSent();
    const int32_t again = NextId() + 1;
    EXPECT_TRUE(ChatSendText(*chat, L"again"));
    ASSERT_EQ(harness.Sent(), (std::vector<std::string>{Crp2(N(again - 1), "DP", "%00", "RESS " + N(again) + "\r\n")}));
    // Granted, but the CONN into the room is refused: again no room is awaited.
    const int32_t refusedConn = NextId();
    harness.Receive(Crp2(N(again - 1), "DP", "%00", "RESS " + N(again) + " 10.0.0.1 6000 zz\r\n"));
    harness.Receive("400 " + N(refusedConn) + "\r\n");
    EXPECT_EQ(chat->State, 0u);
    chat->ClearQueue();
    harness.ClearSent();
    EXPECT_TRUE(ChatSendText(*chat, L"once more"));
    EXPECT_NE(harness.SentText().find("RESS"), std::string::npos);
}

// ---------------------------------------------------------------- the invited road

TEST_F(ChatCommandsTest, InvitedRoadListsTheMembersAndNeverInvitesBack) {
    AddBuddy(L"bud@tevrik.example", L"버디", L"버디닉");
    const std::string invt = "INVT bud@tevrik.example 127.0.0.1 5005 ck2";
    const int32_t connId = NextId();
    harness.Receive("CTOC 0 bud@tevrik.example " + std::to_string(invt.size()) + "\r\n" + invt);
    ASSERT_EQ(harness.Sent(), (std::vector<std::string>{"CSES " + N(connId) + " CONN SS %00 20\r\n127.0.0.1 5005 ck2\r\n"}));
    ASSERT_EQ(chats.Count(), 1u);
    ChatSession* chat = chats.ChatAt(0);
    EXPECT_EQ(chat->PendingTrId, static_cast<uint32_t>(connId));
    EXPECT_EQ(chat->BuddyId, L"bud@tevrik.example");
    EXPECT_EQ(chat->DisplayName, L"버디");
    EXPECT_EQ(chat->Cookie, L"ck2");
    EXPECT_EQ(screens.Names(), (std::vector<std::string>{"CreateChatWindow", "PageIndicatorRebuild", "ChatListAddRow"}));
    // Typed while the room is being entered: it waits for the members, no room of its own is asked.
    harness.ClearSent();
    EXPECT_TRUE(ChatSendText(*chat, L"hi"));
    EXPECT_TRUE(harness.Sent().empty());

    const int32_t entrEnvelope = NextId();
    harness.Receive(ConnReply(connId, "88", "ck2"));
    EXPECT_EQ(chat->SessionId, L"88");
    ASSERT_EQ(harness.Sent(), (std::vector<std::string>{Crp2(N(entrEnvelope), "SS", "88",
                                                             "ENTR " + N(entrEnvelope + 1) +
                                                                 " me@tevrik.example 민수 나민수 ck2 UTF8 P 1.1 2\r\n")}));

    // The members already there come first, then the answer; no lines are written for them.
    harness.ClearSent();
    screens.Clear();
    harness.Receive(Pushed("USER 0 1 2 bud@tevrik.example 버디닉 버디 %00 1\r\n", "88") +
                    Pushed("USER 0 2 2 third@tevrik.example 셋 셋째 %00 2\r\n", "88") +
                    Crp2(N(entrEnvelope), "SS", "88", "ENTR " + N(entrEnvelope + 1) + "\r\n"));
    // The text typed meanwhile goes out with the first member, as an own line.
    ASSERT_EQ(harness.Sent().size(), 1u);
    EXPECT_NE(harness.Sent()[0].find(" SS 88 "), std::string::npos) << harness.Sent()[0];
    EXPECT_NE(harness.Sent()[0].find(" MSG 0%090%090%09hi\r\n"), std::string::npos) << harness.Sent()[0];
    EXPECT_EQ(Window(chat).Lines(), (Lines{L"나민수 (민수) 님의 말:\nhi\n"}));
    ASSERT_EQ(chat->Members.size(), 2u);
    EXPECT_EQ(chat->Members[0].State, 0u);
    EXPECT_EQ(chat->Members[1].Id, L"third@tevrik.example");
    EXPECT_EQ(chat->Members[1].State, 2u);
    EXPECT_EQ(screens.Count("ParticipantsAddRow"), 2u);
    EXPECT_EQ(Window(chat).Count("SetBuddyIcon"), 2u);
    EXPECT_EQ(screens.Last("ChatWindow.SetBuddyIcon")->BuddyArg, nullptr);
    EXPECT_EQ(Window(chat).Count("UpdateTitle"), 2u);
    EXPECT_EQ(Window(chat).Count("UpdateInputState"), 2u);

    // A USER naming someone already there changes nothing.
    screens.Clear();
    harness.Receive(Pushed("USER 0 1 2 bud@tevrik.example x y %00 1\r\n", "88"));
    EXPECT_EQ(chat->Members.size(), 2u);
    EXPECT_EQ(chat->Members[0].Name, L"버디");
    EXPECT_TRUE(screens.Calls().empty());
}

TEST_F(ChatCommandsTest, InvitationsReuseAnIdleChatButNeverOneWaitingForItsRess) {
    const std::string invt = "INVT stranger@tevrik.example 127.0.0.1 5005 ck3";
    const std::string frame = "CTOC 0 stranger@tevrik.example " + std::to_string(invt.size()) + "\r\n" + invt;

    ChatSession* waiting = ChatOpenWithBuddy(L"stranger@tevrik.example", L"S");
    harness.Receive(frame);
    ASSERT_EQ(chats.Count(), 2u);
    ChatSession* invited = chats.ChatAt(1);
    EXPECT_NE(invited, waiting);
    EXPECT_EQ(waiting->Cookie, L"");
    EXPECT_EQ(invited->Cookie, L"ck3");
    EXPECT_EQ(invited->DisplayName, L"stranger@tevrik.example");  // not in the roster: the id

    // The older chat no longer waits: the next invitation takes it over, with no new row.
    waiting->State = 0;
    screens.Clear();
    harness.Receive(frame);
    EXPECT_EQ(chats.Count(), 2u);
    EXPECT_EQ(waiting->Cookie, L"ck3");
    EXPECT_EQ(screens.Count("ChatListAddRow"), 0u);
    EXPECT_EQ(screens.Count("PageIndicatorRebuild"), 0u);

    // An invitation that names no inviter, host or cookie makes no chat and connects nowhere.
    harness.ClearSent();
    TraceLog traces;
    const std::string empty = "INVT %00 127.0.0.1 5005 %00";
    harness.Receive("CTOC 0 x " + std::to_string(empty.size()) + "\r\n" + empty);
    EXPECT_EQ(chats.Count(), 2u);
    EXPECT_TRUE(harness.Sent().empty());
    EXPECT_EQ(traces.Text(), L"InvtHandler::Handle, an invitation without inviter, host or cookie (from \"\") is dropped.\n");
}

// One inviter sending invitations without end, into one room or ever new ones: its chat waits for
// one answer at most. A chat whose partner has left still goes into the room it is invited to next.
TEST_F(ChatCommandsTest, AFloodOfInvitationsFromOneInviterLeavesOnePendingRequest) {
    auto invitation = [](const std::string& cookie) {
        const std::string invt = "INVT bud@tevrik.example 127.0.0.1 5005 " + cookie;
        return "CTOC 0 bud@tevrik.example " + std::to_string(invt.size()) + "\r\n" + invt;
    };
    const size_t idle = harness.Pending().Count();
    for (bool newRooms : {false, true}) {
        harness.ClearSent();
        for (int i = 0; i < 10000; ++i) harness.Receive(invitation(newRooms ? "ck" + std::to_string(i) : "ck"));
        EXPECT_EQ(harness.Sent().size(), newRooms ? 10000u : 1u);
        ASSERT_EQ(chats.Count(), 1u);
        EXPECT_EQ(harness.Pending().Count(), idle + 1);
        EXPECT_NE(harness.Pending().Find(static_cast<int32_t>(chats.ChatAt(0)->PendingTrId)), nullptr);
    }
    ChatSession* chat = chats.ChatAt(0);
    harness.Receive(ConnReply(static_cast<int32_t>(chat->PendingTrId), "88", "ck9999") +
                    Pushed("USER 0 1 2 bud@tevrik.example 버디닉 버디 %00 1\r\n", "88") +
                    Pushed("QUIT 0 bud@tevrik.example %00\r\n", "88"));
    ASSERT_EQ(chat->SessionId, L"88");
    ASSERT_TRUE(chat->Members.empty());
    const int32_t connId = NextId();
    harness.Receive(invitation("fresh"));
    ASSERT_EQ(harness.Sent().back().find("CSES " + N(connId) + " CONN "), 0u);
    harness.Receive(ConnReply(connId, "99", "fresh"));
    EXPECT_EQ(chat->SessionId, L"99");
    EXPECT_NE(harness.Sent().back().find(" SS 99 "), std::string::npos) << "its ENTR";
    EXPECT_EQ(chats.Count(), 1u);
}

TEST_F(ChatCommandsTest, ConnAnswersForNoChatOrWithoutSessionEnterNothing) {
    harness.Receive(ConnReply(99, "77", "ck9"));
    EXPECT_TRUE(harness.Sent().empty());

    TraceLog traces;
    ChatSession* chat = chats.CreateChatSession();
    chat->PendingTrId = 98;
    harness.Receive(ConnReply(98, "%00", "ck"));
    EXPECT_TRUE(harness.Sent().empty());
    EXPECT_TRUE(chat->SessionId.empty());
    EXPECT_EQ(traces.Text(), L"EnterGrantedChat, the chat server named no session for the request 98; the chat is not entered.\n");

    // An ENTR answer for a session nobody has invites nobody.
    harness.Receive(Crp2("5", "SS", "12345", "ENTR 6\r\n"));
    EXPECT_TRUE(harness.Sent().empty());
}

// ---------------------------------------------------------------- members coming and going

TEST_F(ChatCommandsTest, JoinLinesFromTheSecondMemberOnAndOnlyOncePerMember) {
    ChatSession* chat = EnteredChat({});
    harness.Receive(Pushed("JOIN 0 b@x Bee Bee%20Park %00 1\r\n"));
    EXPECT_TRUE(Window(chat).Lines().empty());
    harness.Receive(Pushed("JOIN 0 c@x Cee Cee%20Kim %00 1\r\n"));
    harness.Receive(Pushed("JOIN 0 c@x Cee Cee%20Kim %00 1\r\n"));
    EXPECT_EQ(chat->Members.size(), 2u);
    EXPECT_EQ(Window(chat).Lines(), (Lines{L"Cee Kim (Cee) 님이 입장하였습니다.\n"}));
    EXPECT_EQ(Window(chat).LineKinds(), (std::vector<int>{kChatLineSystem}));
    EXPECT_EQ(screens.Count("ParticipantsAddRow"), 2u);
}

TEST_F(ChatCommandsTest, QuitLinesUseRosterNamesAndTheBuddyMovesOn) {
    AddBuddy(L"b@x", L"비", L"비닉");
    ChatSession* chat = EnteredChat({L"b@x", L"c@x", L"d@x"});
    ASSERT_EQ(chat->BuddyId, L"b@x");

    harness.Receive(Pushed("QUIT 0 b@x %00\r\n"));
    EXPECT_EQ(Window(chat).Lines(), (Lines{L"비 (비닉) 님이 퇴장하였습니다.\n"}));
    EXPECT_EQ(chat->Members.size(), 2u);
    EXPECT_EQ(chat->BuddyId, L"c@x");
    EXPECT_EQ(chat->DisplayName, L"name of c@x");
    EXPECT_EQ(Window(chat).Count("UpdateTitle"), 1u);
    EXPECT_EQ(Window(chat).Count("SetBuddyIcon"), 1u);
    EXPECT_EQ(Window(chat).Count("UpdateInputState"), 1u);
    EXPECT_EQ(screens.Count("ParticipantsRemoveRow"), 1u);

    // Not in the roster: the member's own names. Two members before: still a line.
    harness.Receive(Pushed("QUIT 0 d@x %00\r\n"));
    EXPECT_EQ(Window(chat).Lines().back(), L"name of d@x (nick of d@x) 님이 퇴장하였습니다.\n");
    EXPECT_EQ(chat->BuddyId, L"c@x");

    // The last one leaves a one-member chat: no line, and the buddy stays who it was.
    harness.Receive(Pushed("QUIT 0 c@x %00\r\n"));
    EXPECT_EQ(Window(chat).Lines().size(), 2u);
    EXPECT_TRUE(chat->Members.empty());
    EXPECT_EQ(chat->BuddyId, L"c@x");
}

// A command for no chat, from no member, or not carried in an envelope touches no chat.
TEST_F(ChatCommandsTest, StrayCommandsTouchNoChat) {
    ChatSession* chat = EnteredChat({L"b@x"});
    screens.Clear();
    TraceLog traces;
    const std::vector<std::string> strays = {
        Pushed("JOIN 0 c@x Cee Cee %00 1\r\n", "66"),
        Pushed("USER 0 1 1 c@x Cee Cee %00 1\r\n", "66"),
        Pushed("QUIT 0 b@x %00\r\n", "66"),
        Pushed("MESG 0 b@x MSG 0%090%090%09hi\r\n", "66"),
        Pushed("QUIT 0 nobody@x %00\r\n"),
        Pushed("MESG 0 nobody@x MSG 0%090%090%09hi\r\n"),
        Pushed("MESG 0 nobody@x TYPING 1\r\n"),
        Pushed("JOIN 0 c@x Cee Cee %00 1\r\n", "%00"),
    };
    for (const std::string& frame : strays) harness.Receive(frame);
    // The envelope session id is "77" from an earlier envelope, but these came alone.
    harness.Receive(Pushed("MESG 0 nobody@x TYPING 1\r\n"));
    ASSERT_EQ(EnvelopeSessionId(), L"77");
    harness.Receive("JOIN 0 c@x Cee Cee %00 1\r\n");
    harness.Receive("USER 0 1 1 c@x Cee Cee %00 1\r\n");
    harness.Receive("MESG 0 b@x MSG 0%090%090%09hi\r\n");
    harness.Receive("QUIT 0 b@x %00\r\n");

    ASSERT_EQ(chat->Members.size(), 1u);
    EXPECT_EQ(chat->Members[0].Id, L"b@x");
    EXPECT_EQ(chat->Unread, 0);
    EXPECT_TRUE(screens.Calls().empty()) << screens.Dump();
    EXPECT_TRUE(harness.Sent().empty());

    const std::wstring trace = traces.Text();
    EXPECT_NE(trace.find(L"EnvelopeChat, no chat has the session id \"66\" of the JOIN; it is dropped.\n"),
              std::wstring::npos);
    EXPECT_NE(trace.find(L"EnvelopeChat, the QUIT came without an envelope; no chat is touched.\n"), std::wstring::npos);
    EXPECT_NE(trace.find(L"QuitHandler::Handle, \"nobody@x\" is no member of the chat \"77\"; nothing changes.\n"),
              std::wstring::npos);
    EXPECT_NE(trace.find(L"MesgHandler::Handle, \"nobody@x\" is no member of the chat \"77\"; the line is dropped.\n"),
              std::wstring::npos);
}

TEST_F(ChatCommandsTest, LinesAnotherUserWrapsInCtocReachNoChat) {
    ChatSession* chat = EnteredChat({L"b@x"});
    // A chat still waiting for its session id has an empty one.
    ChatSession* waiting = chats.CreateChatSession();
    ChatMember member;
    member.Id = L"b@x";
    waiting->AddMember(member);
    screens.Clear();
    harness.Receive(Pushed("MESG 0 b@x TYPING 0\r\n"));
    ASSERT_EQ(EnvelopeSessionId(), L"77");
    screens.Clear();

    // The CTOC comes after a CRP2 named chat "77", and inside a CRP2 without a target.
    const std::string line = "b@x MSG 0%090%090%09forged";
    const std::string ctoc = "CTOC 0 b@x " + std::to_string(5 + line.size()) + "\r\nMESG " + line;
    harness.Receive(ctoc);
    harness.Receive(Crp2("0", "DP", "%00", ctoc));
    harness.Receive(Crp2("0", "DP", "%00", "MESG 0 " + line + "\r\n"));

    EXPECT_EQ(chat->Unread, 0);
    EXPECT_EQ(waiting->Unread, 0);
    EXPECT_TRUE(screens.Calls().empty()) << screens.Dump();
}

// ---------------------------------------------------------------- lines and typing notices

TEST_F(ChatCommandsTest, LinesCarryTheSendersNamesAndTheTimeOfArrival) {
    AddBuddy(L"b@x", L"비", L"비닉");
    ChatSession* chat = EnteredChat({L"b@x", L"c@x"});
    RecordingChatWindow& window = Window(chat);
    window.CurrentPage = true;
    harness.Receive(Pushed("MESG 0 b@x MSG 0%090%090%09%2541%20%25\r\n"));
    harness.Receive(Pushed("MESG 0 c@x AWAYMSG 0%090%090%09away\r\n"));
    harness.Receive(Pushed("MESG 0 c@x WHATEVER 0%090%090%09no\r\n"));
    EXPECT_EQ(window.Lines(), (Lines{L"비 (비닉) 님의 말:\nA %\n", L"name of c@x (nick of c@x) 님의 말:\naway\n"}));
    EXPECT_EQ(window.LineKinds(), (std::vector<int>{kChatLineOther, kChatLineOther}));
    EXPECT_EQ(window.Count("SetStatusText"), 2u);
    const std::string status = Utf8(window.Status());
    EXPECT_TRUE(std::regex_match(status, std::regex("마지막 메시지를 받은 시각: \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d")))
        << status;

    std::wstring longText(2000, L'x');
    harness.Receive(Pushed("MESG 0 c@x MSG 0%090%090%09" + Utf8(longText) + "\r\n"));
    EXPECT_EQ(window.Lines().back(), L"name of c@x (nick of c@x) 님의 말:\n" + longText + L"\n");
}

TEST_F(ChatCommandsTest, TypingNoticesSetAndClearTheStatus) {
    ChatSession* chat = EnteredChat({L"b@x"});
    RecordingChatWindow& window = Window(chat);
    harness.Receive(Pushed("MESG 0 b@x TYPING 1\r\n"));
    EXPECT_EQ(window.Status(), L"name of b@x (nick of b@x) 님이 메시지를 입력하고 있습니다.");
    harness.Receive(Pushed("MESG 0 b@x TYPING 0\r\n"));
    EXPECT_EQ(window.Status(), L"대기 중입니다.");
    harness.Receive(Pushed("MESG 0 b@x TYPING 2\r\n"));
    harness.Receive(Pushed("MESG 0 b@x TYPING x\r\n"));
    EXPECT_EQ(window.Count("SetStatusText"), 2u);
    EXPECT_TRUE(window.Lines().empty());
    EXPECT_EQ(screens.Count("PlayNotification"), 0u);
}

TEST_F(ChatCommandsTest, HiddenChatsAreMarkedUnreadOnceAndRingForEveryLine) {
    ChatSession* chat = EnteredChat({L"b@x"});
    RecordingChatWindow& window = Window(chat);
    screens.Clear();
    harness.Receive(Pushed("MESG 0 b@x MSG 0%090%090%09one\r\n"));
    harness.Receive(Pushed("MESG 0 b@x MSG 0%090%090%09two\r\n"));
    EXPECT_EQ(chat->Unread, 1);
    EXPECT_EQ(screens.Count("UpdateNotifyIndicators"), 1u);
    EXPECT_EQ(screens.Count("ChatListUpdateRow"), 1u);
    EXPECT_EQ(screens.First("ChatListUpdateRow")->Session, chat);
    EXPECT_EQ(screens.Count("PlayNotification"), 2u);
    EXPECT_EQ(screens.Last("PlayNotification")->Number, 2);
    EXPECT_EQ(window.Lines().size(), 2u);

    // Shown: lines arrive, nothing rings and nothing is marked.
    chat->Unread = 0;
    window.CurrentPage = true;
    screens.Clear();
    harness.Receive(Pushed("MESG 0 b@x MSG 0%090%090%09three\r\n"));
    EXPECT_EQ(chat->Unread, 0);
    EXPECT_EQ(screens.Count("UpdateNotifyIndicators"), 0u);
    EXPECT_EQ(screens.Count("ChatListUpdateRow"), 0u);
    EXPECT_EQ(screens.Count("PlayNotification"), 0u);
    EXPECT_EQ(window.Lines().size(), 3u);

    // Typing notices never ring.
    window.CurrentPage = false;
    screens.Clear();
    harness.Receive(Pushed("MESG 0 b@x TYPING 1\r\n"));
    EXPECT_EQ(screens.Count("PlayNotification"), 0u);
    EXPECT_EQ(chat->Unread, 0);
}

TEST_F(ChatCommandsTest, AFailedLineGivesTheErrorLineAndNoAlert) {
    ChatSession* chat = EnteredChat({L"b@x"});
    const size_t pendingBefore = harness.Pending().Count();
    const int32_t mesgId = NextId();
    ASSERT_TRUE(ChatSendText(*chat, L"hello"));
    harness.Receive(Crp2(N(mesgId + 1), "SS", "77", "201 " + N(mesgId) + "\r\n"));
    EXPECT_EQ(Window(chat).Lines(), (Lines{L"나민수 (민수) 님의 말:\nhello\n", L"[201] FailureCodeMissingData\n"}));
    EXPECT_EQ(Window(chat).LineKinds(), (std::vector<int>{kChatLineMe, kChatLineError}));
    EXPECT_EQ(screens.Count("Alert"), 0u);
    EXPECT_EQ(harness.Pending().Count(), pendingBefore);
}

// ---------------------------------------------------------------- sending from the input bar

TEST_F(ChatCommandsTest, TypingNoticesGoOutOnlyWithMembers) {
    ChatSession* chat = EnteredChat({});
    EXPECT_FALSE(ChatTypingAfterInput(*chat, 1));
    EXPECT_FALSE(ChatTypingAfterInput(*chat, 0));
    EXPECT_TRUE(harness.Sent().empty());
    EXPECT_TRUE(chat->QueuedTexts.empty());

    chat->AddMember(ChatMember{L"b@x", L"B", L"b", L"", 0});
    const int32_t first = NextId();
    EXPECT_TRUE(ChatTypingAfterInput(*chat, 1));
    EXPECT_FALSE(ChatTypingAfterInput(*chat, 2));
    EXPECT_TRUE(ChatTypingAfterInput(*chat, 0));
    EXPECT_TRUE(ChatSendTypingStopped(*chat));
    ASSERT_EQ(harness.Sent().size(), 3u);
    EXPECT_EQ(harness.Sent()[0], Crp2(N(first + 1), "SS", "77", "MESG " + N(first) + " TYPING 1\r\n"));
    EXPECT_EQ(harness.Sent()[1], Crp2(N(first + 3), "SS", "77", "MESG " + N(first + 2) + " TYPING 0\r\n"));
    EXPECT_TRUE(Window(chat).Lines().empty());
}

TEST_F(ChatCommandsTest, ClosingAChatKillsItsSessionWithoutAnEnvelope) {
    ChatSession* chat = EnteredChat({L"b@x"});
    const int32_t killId = NextId();
    EXPECT_EQ(SendCsesKill(*chat), 1);
    EXPECT_EQ(harness.Sent(), (std::vector<std::string>{"CSES " + N(killId) + " KILL SS 77 0\r\n"}));
    // Its answer is only acknowledged; the chat goes when its window has left.
    harness.Receive("CSES " + N(killId) + " KILL 6\r\n%00 Y\r\n");
    EXPECT_EQ(harness.Pending().Find(killId), nullptr);
    EXPECT_EQ(chats.Count(), 1u);
    EXPECT_EQ(screens.Count("Alert"), 0u);
}

TEST_F(ChatCommandsTest, NothingThatCouldNotBeSentIsShownOrWaitedFor) {
    ChatSession* withMember = EnteredChat({L"b@x"});
    ChatSession* alone = EnteredChat({}, L"78");
    const size_t pendingBefore = harness.Pending().Count();
    harness.FailWrites = true;
    EXPECT_FALSE(ChatSendText(*withMember, L"lost?"));
    EXPECT_TRUE(Window(withMember).Lines().empty());
    EXPECT_FALSE(ChatSendText(*alone, L"queued?"));
    EXPECT_TRUE(alone->QueuedTexts.empty());
    EXPECT_EQ(harness.Pending().Count(), pendingBefore);

    // Writable again: the next Enter asks for a chat server as the first one would have.
    harness.FailWrites = false;
    EXPECT_TRUE(ChatSendText(*alone, L"queued"));
    EXPECT_EQ(alone->State, 1u);
    EXPECT_EQ(alone->QueuedTexts, (Lines{L"queued"}));
    ASSERT_EQ(harness.Sent().size(), 1u);
    EXPECT_NE(harness.Sent()[0].find("RESS"), std::string::npos);
}

}  // namespace
