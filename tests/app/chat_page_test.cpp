// The chat window in the real program on the test clock: the transcript's lines read back glyph by
// glyph, the input bar driven by routed text and keys with the session's writes compared whole,
// and the gate that decides whether the user may chat.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <tuple>

#include "app/screens/chats/ChatPage.h"
#include "app/screens/common/MenuEmoticon.h"
#include "app/screens/common/MsgBox.h"
#include "app/screens/common/NotifyBox.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/ChatActions.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/protocol/Reset.h"
#include "platform/windows/imm.h"
#include "platform/windows/input.h"
#include "platform/system/device.h"
#include "platform/windows/window.h"
#include "tests/service/ChatPeer.h"
#include "tests/support/Pump.h"
#include "tools/service/TestService.h"
#include "tests/support/MessengerRig.h"

namespace {

using Lines = std::vector<std::wstring>;

// The transcript as runs: text in one weight and colour as "700 #rrggbb text", each emoticon as
// "[code]".
Lines Runs(QeEdit& edit) {
    Lines runs;
    const QeFontHandle* last = nullptr;
    for (QeEditGlyph* glyph = edit.BeginAnchor()->next; glyph != edit.EndAnchor(); glyph = glyph->next) {
        if (QeEditGlyphImage* image = QeAsImage(glyph)) {
            runs.push_back(L"[" + image->Emoticon().Text + L"]");
            last = nullptr;
            continue;
        }
        const QeEditGlyphText* text = QeAsText(glyph);
        const wchar_t character = text != nullptr ? static_cast<wchar_t>(text->TextCharacter()) : L'\n';
        if (glyph->style != last) {
            const QeTextStyle& style = glyph->style->Style();
            wchar_t head[32];
            swprintf(head, 32, L"%d #%02x%02x%02x ", style.font.weight, style.textColor & 0xff,
                     (style.textColor >> 8) & 0xff, (style.textColor >> 16) & 0xff);
            runs.push_back(head);
            last = glyph->style;
        }
        runs.back().push_back(character);
    }
    return runs;
}

class ChatWindowTest : public RigTest {
protected:
    void Prepare() override {
        AccountInfo::Instance()->Name = L"민수";
        AccountInfo::Instance()->Nickname = L"달빛";
        AccountInfo::Instance()->Status = 1;
        rig.LookSignedIn();
    }
    void TearDown() override { rig.App().SetCurrentView(nullptr); }

    // A chat with the buddy; with a member it has its room "77".
    ChatSession* Open(bool joined) {
        ChatSession* chat = ChatSessionManager::Instance()->CreateChatSession();
        chat->BuddyId = L"yuna@tevrik.example";
        chat->DisplayName = L"유나";
        if (joined) chat->AddMember(ChatMember{chat->BuddyId, L"유나", L"별", L""});
        if (joined) chat->SessionId = L"77";
        return chat;
    }
    std::string Sent() { return rig.Fresh(); }
};

TEST_F(ChatWindowTest, LinesAreWrittenInTheirKindsColourWithEmoticonsAndFlashconLabels) {
    const std::wstring longName(5000, L'n');
    const struct {
        int kind;
        std::wstring text;
        Lines runs;
    } cases[] = {
        {2, L"안녕 /웃음/ 반가워", {L"700 #1f2a33 안녕 ", L"[/웃음/]", L"700 #1f2a33  반가워"}},
        {1, L"a/없음/b", {L"700 #1f63b8 a/없음/b"}},
        {0, L"x/없음/웃음/y", {L"700 #6b7785 x/없음", L"[/웃음/]", L"700 #6b7785 y"}},
        {3, L"끝/", {L"700 #d93a30 끝/"}},
        {9, L"/미소//", {L"[/미소/]", L"700 #000000 /"}},
        {2, L"앞<FLCON|1|2|불꽃놀이|x/FLCON>뒤", {L"700 #1f2a33 앞플래시콘 (불꽃놀이)뒤"}},
        {2, L"앞<FLCON|1|2|불꽃놀이/FLCON>뒤", {L"700 #1f2a33 앞플래시콘 (불꽃놀이/FLCON>)뒤"}},
        {2, L"앞<FLCON|1|2|불꽃", {L"700 #1f2a33 앞<FLCON|1|2|불꽃"}},
        {2, L"앞<FLCON||2|3|4/FLCON>뒤", {L"700 #1f2a33 앞<FLCON||2|3|4/FLCON>뒤"}},
        {2, L"<FLCON|1|2|" + longName + L"|/FLCON>", {L"700 #1f2a33 플래시콘 (" + longName.substr(0, 1023) + L")"}},
        {2, L"a\n" + longName + L"\n", {L"700 #1f2a33 a\n" + longName.substr(0, 4096) + L"…\n"}},
    };
    for (const auto& c : cases) {
        ChatSession* chat = Open(false);
        ChatPage* page = ChatPageOf(chat);
        ASSERT_NE(page, nullptr);
        page->AppendLine(c.text, c.kind);
        EXPECT_EQ(Runs(page->View().Output()), c.runs) << c.text.substr(0, 40);
        ChatSessionManager::Instance()->RemoveChat(chat);
    }
    rig.Settle();
    EXPECT_EQ(ChatSessionManager::Instance()->RemovedCount(), 0u);

    // The title: the chat's name, or the first member and how many more.
    ChatSession* chat = Open(true);
    ChatPageOf(chat)->UpdateTitle();
    const std::wstring alone = ChatPageOf(chat)->View().Title().Text().Text();
    chat->AddMember(ChatMember{L"jiho@tevrik.example", L"지호", L"", L""});
    ChatPageOf(chat)->UpdateTitle();
    EXPECT_EQ(alone + L"|" + ChatPageOf(chat)->View().Title().Text().Text(), L"유나 님|유나 님 외 1 명");
    // A first member's name of any length, as set here and as a USER frame brings it.
    chat->FindMember(chat->Members.front().Id)->Name.assign(300, L'n');
    ChatPageOf(chat)->UpdateTitle();
    const std::wstring title = ChatPageOf(chat)->View().Title().Text().Text();
    chat = Open(false);
    chat->SessionId = L"78";
    for (const char* user : {"USER 0 1 2 a@x a ", "USER 0 2 2 b@x b "}) {
        rig.Inject(service_test::Crp2("0", "SS", "78", user + std::string(300, 'n') + " %00 1\r\n"));
    }
    EXPECT_EQ(title + L"|" + ChatPageOf(chat)->View().Title().Text().Text(),
              std::wstring(300, L'n') + L" 님 외 1 명|" + std::wstring(300, L'n') + L" 님 외 1 명");
}

// Glyph boxes in list order, to compare a layout with one built afresh.
std::vector<std::tuple<int, int, int, int>> Boxes(QeEdit& edit) {
    std::vector<std::tuple<int, int, int, int>> boxes;
    for (QeEditGlyph* g = edit.BeginAnchor(); g != nullptr; g = g->next) {
        boxes.emplace_back(g->box.left, g->box.top, g->box.right, g->box.bottom);
    }
    return boxes;
}

// A transcript fed without end keeps its newest entries whole within the bound, laid out as afresh,
// with the newest line in view.
TEST_F(ChatWindowTest, TheTranscriptKeepsTheNewestEntriesWhole) {
    ChatPage* page = ChatPageOf(Open(true));
    rig.App().SetCurrentView(page);
    rig.Settle();
    QeEdit& output = page->View().Output();
    const std::wstring said = L"유나 (별) 님의 말:\n";
    int trims = 0;
    for (int n = 0; n < 400; ++n) {
        const uint32_t before = output.GlyphCount();
        page->AppendLine(said + std::to_wstring(n) + L" /웃음/" + std::wstring(60, L'가') + L"\n", 2);
        trims += output.GlyphCount() < before ? 1 : 0;
        const RECT caret = output.Selection().CaretRect();
        ASSERT_TRUE(caret.top >= -output.AxisY().Position() &&
                    caret.bottom <= output.Height() - output.AxisY().Position()) << n;
    }
    EXPECT_TRUE(output.GlyphCount() <= ChatOutputView::kMaxTranscript && trims == 3) << trims << " trims, each to 3/4";
    EXPECT_EQ(output.GetText().substr(0, said.size()), said);  // whole entries
    EXPECT_NE(output.GetText().find(L"399 /웃음/"), std::wstring::npos);
    rig.Settle();
    const auto drawn = CaptureFramebuffer(rig.Window(), output.GetScreenRect());
    const auto kept = Boxes(output);
    output.Relayout();
    EXPECT_EQ(Boxes(output), kept);
    output.Invalidate(RECT{0, 0, 0, 0}, true);
    rig.Settle();
    EXPECT_TRUE(CaptureFramebuffer(rig.Window(), output.GetScreenRect()) == drawn);
}

TEST_F(ChatWindowTest, TypingEnterAndQueuedLinesGoOutAsTheirFrames) {
    rig.ConnectCaptured(0);
    Sent();
    ChatSession* chat = Open(true);
    ChatPage* page = ChatPageOf(chat);
    rig.App().SetCurrentView(page);
    rig.Settle();
    rig.Key(VK_HANGUL);  // the input starts in Korean

    // Length 1 after a key means typing started, 0 stopped: Backspace from two characters to one
    // starts again.
    rig.Type(L"a");
    EXPECT_EQ(Sent(), "CRP2 3 SS 77 17\r\nMESG 2 TYPING 1\r\n");
    rig.Type(L"b");
    EXPECT_EQ(Sent(), "");
    rig.Type(L"\b\b");
    EXPECT_EQ(Sent(), "CRP2 5 SS 77 17\r\nMESG 4 TYPING 1\r\nCRP2 7 SS 77 17\r\nMESG 6 TYPING 0\r\n");
    rig.Type(L"\r");
    EXPECT_EQ(Sent(), "");
    rig.Type(L"hi\r");
    EXPECT_EQ(Sent(), "CRP2 9 SS 77 17\r\nMESG 8 TYPING 1\r\nCRP2 11 SS 77 28\r\nMESG 10 MSG 0%090%090%09hi\r\n");
    EXPECT_TRUE(page->InputBar().Input().IsEmpty());
    // The server refuses the line.
    rig.Inject("CRP2 11 SS 77 8\r\n201 10\r\n");
    EXPECT_EQ(Runs(page->View().Output()),
              Lines({L"700 #1f63b8 민수 (달빛) 님의 말:\nhi\n", L"700 #d93a30 [201] FailureCodeMissingData\n"}));

    // Delete in front of the last character.
    rig.Type(L"z");
    rig.TapIn(page->InputBar().Input().GetScreenRect(), 1);
    rig.Key(VK_DELETE);
    EXPECT_EQ(Sent(), "CRP2 13 SS 77 18\r\nMESG 12 TYPING 1\r\nCRP2 15 SS 77 18\r\nMESG 14 TYPING 0\r\n");

    // The composer's r, l, a build one syllable in place: each step, and the character that ends
    // the composition, leaves one character.
    ImmSetConversionStatus(ImmGetContext(rig.Window()), IME_CMODE_NATIVE, 0);
    rig.Type(L"rla\r");
    EXPECT_EQ(Sent(),
              "CRP2 17 SS 77 18\r\nMESG 16 TYPING 1\r\nCRP2 19 SS 77 18\r\nMESG 18 TYPING 1\r\n"
              "CRP2 21 SS 77 18\r\nMESG 20 TYPING 1\r\nCRP2 23 SS 77 18\r\nMESG 22 TYPING 1\r\n"
              "CRP2 25 SS 77 29\r\nMESG 24 MSG 0%090%090%09\xEA\xB9\x80\r\n");

    // The emoticon menu's answers: a picture, an index past the list, a cancel; the focus back.
    ChatInputBar& bar = page->InputBar();
    bar.Input().SetFocus(false);
    for (auto [result, index] : {std::pair{1, 1}, {1, 999}, {0, 0}}) bar.OnEmoticonChosen(result, index);
    EXPECT_EQ(Runs(bar.Input()), Lines({L"[/미소/]"}));
    EXPECT_TRUE(bar.Input().HasFocus());
    EXPECT_EQ(Sent(), "");

    // Not joined yet: one chat server request, the texts held.
    ChatSession* waiting = Open(false);
    rig.App().SetCurrentView(ChatPageOf(waiting));
    rig.Settle();
    ImmSetConversionStatus(ImmGetContext(rig.Window()), 0, 0);
    rig.Type(L"x\ry\r");
    EXPECT_EQ(Sent(), "CRP2 26 DP %00 9\r\nRESS 27\r\n");
    EXPECT_EQ(waiting->QueuedTexts, Lines({L"x", L"y"}));
}

TEST_F(ChatWindowTest, TheGateShowsTheFirstReasonAndADisabledInputTakesNoKeys) {
    rig.ConnectCaptured(0);
    Sent();
    Buddy buddy;
    buddy.Id = L"yuna@tevrik.example";
    BuddyRoster::Instance()->AddOrUpdate(L"yuna", buddy);
    ChatSession* chat = Open(true);
    ChatPage* page = ChatPageOf(chat);
    rig.App().SetCurrentView(page);
    rig.Settle();
    const struct {
        uint32_t own, status, flags;
        bool inRoster;
        const wchar_t* shown;  // null: the input
    } cases[] = {
        {5, 1, 0, true, L"오프라인으로 표시된 상태입니다."},
        {6, 1, 0, true, L""},
        {1, 6, 0, true, L"대화 상대가 현재 오프라인 상태입니다."},
        {1, 1, 4, true, L"대화 상대가 현재 차단된 상태입니다."},
        {1, 6, 4, true, L"대화 상대가 현재 오프라인 상태입니다."},
        {1, 1, 0, true, nullptr},
        {1, 6, 0, false, nullptr},
    };
    ChatInputBar& bar = page->InputBar();
    Buddy* stored = BuddyRoster::Instance()->Find(L"yuna@tevrik.example");
    const auto gate = [&](uint32_t own, uint32_t status, uint32_t flags) {
        AccountInfo::Instance()->Status = own;
        stored->Status = status;
        stored->ListFlags = flags;
        page->UpdateInputState();
        // The input, or the reason in its place.
        if (bar.IsEnabled() == bar.DisabledReason().IsVisible()) return std::wstring(L"both or neither");
        return bar.IsEnabled() ? std::wstring(L"input") : bar.DisabledReason().Text().Text();
    };
    for (const auto& c : cases) {
        chat->BuddyId = c.inRoster ? L"yuna@tevrik.example" : L"nobody@tevrik.example";
        bar.Enable();
        EXPECT_EQ(gate(c.own, c.status, c.flags), c.shown != nullptr ? c.shown : L"input") << c.own << c.status << c.flags;
    }

    // Offline first, then blocked as well: the first reason stays; typing goes nowhere.
    chat->BuddyId = L"yuna@tevrik.example";
    gate(1, 6, 0);
    EXPECT_EQ(gate(1, 1, 4), L"대화 상대가 현재 오프라인 상태입니다.");
    rig.Type(L"ab\r");
    rig.Key(VK_DELETE);
    EXPECT_TRUE(page->InputBar().Input().IsEmpty());
    EXPECT_EQ(Sent(), "");
}

TEST_F(ChatWindowTest, SwipesPageBetweenChatsAndClosingRemovesThatVeryChatFromTheLoop) {
    ChatSessionManager& manager = *ChatSessionManager::Instance();
    ChatPage* pages[] = {ChatPageOf(Open(true)), ChatPageOf(Open(true)), ChatPageOf(Open(false))};
    MessengerApp& app = rig.App();
    app.SetCurrentView(&app.BuddyList());
    rig.Cover(pages[0]);
    // A stroke of 150 pixels across the current chat's title, drawn by the pen.
    const auto stroke = [&](int dx) {
        const RECT title = static_cast<ChatPage*>(app.CurrentPage())->View().Title().GetScreenRect();
        const int x = (title.left + title.right) / 2 - dx / 2, y = (title.top + title.bottom) / 2;
        InjectPen(rig.Window(), WM_LBUTTONDOWN, x, y);
        InjectPen(rig.Window(), WM_MOUSEMOVE, x + dx, y);
        InjectPen(rig.Window(), WM_LBUTTONUP, x + dx, y);
        rig.Settle();
        rig.Advance(600);
        const auto at = std::find(std::begin(pages), std::end(pages), app.CurrentPage());
        return at == std::end(pages) ? -1 : static_cast<int>(at - std::begin(pages));
    };
    EXPECT_EQ(std::vector<int>({stroke(150), stroke(-150), stroke(-150), stroke(-150), stroke(150)}),
              std::vector<int>({0, 1, 2, 2, 1}));
    rig.Back();
    EXPECT_EQ(app.CurrentPage(), &app.BuddyList());

    // The invite button leads to the buddy chooser, and Back to the chat again.
    rig.Cover(pages[0]);
    rig.Tap({L"Chat", L"View", L"InviteButton"});
    rig.Advance(600);
    EXPECT_EQ(app.CurrentPage(), &app.BuddySelect());
    rig.Back();
    EXPECT_EQ(app.CurrentPage(), pages[0]);
    rig.Back();

    // Closed as the close button does: the flag, then the way back. The middle chat, then the one
    // that never got its room.
    for (ChatPage* page : {pages[1], pages[2]}) {
        rig.Cover(page);
        ChatSession* session = page->Session();
        page->MarkClosing();
        rig.Back();
        EXPECT_EQ(manager.IndexOfChat(session), -1);
        rig.Settle();
        EXPECT_EQ(manager.RemovedCount(), 0u);
    }
    EXPECT_EQ(manager.Count(), 1u);
    size_t chatPages = 0;
    for (QeWindow* child = app.Root().FirstChild(); child != nullptr; child = child->Next()) {
        chatPages += dynamic_cast<ChatPage*>(child) != nullptr ? 1 : 0;
    }
    EXPECT_EQ(chatPages, 1u);
}

TEST_F(ChatWindowTest, Pictures) {
    Buddy buddy;
    buddy.Id = L"yuna@tevrik.example";
    buddy.Status = 1;
    BuddyRoster::Instance()->AddOrUpdate(L"yuna", buddy);
    ChatSession* chat = Open(true);
    ChatPage* page = ChatPageOf(chat);
    MessengerApp& app = rig.App();
    app.SetCurrentView(page);
    page->AppendLine(L"유나 (별) 님이 대화에 참여했습니다.\n", 0);
    page->AppendLine(L"민수 (달빛) 님의 말:\n안녕 /웃음/\n", 1);
    page->AppendLine(L"유나 (별) 님의 말:\n<FLCON|1|2|불꽃놀이|x/FLCON> 받아 /미소/\n", 2);
    page->AppendLine(L"[301] 전송 실패\n", 3);
    page->SetStatusText(L"유나 (별) 님이 메시지를 입력하고 있습니다.");
    EXPECT_TRUE(rig.MatchesGolden("chat_lines"));

    // The panel opens as a tap on the input opens it, and the keyboard button closes it. What lies
    // under the panel is the device's to draw, so only the screen above it is the picture: the
    // pixels the bar left there are never seen.
    const int bottom = app.Root().Height();
    for (const auto& [top, golden] : {std::pair<int, const char*>{bottom - 252, "chat_input_panel"},
                                      std::pair<int, const char*>{120, "chat_input_panel_tall"}}) {
        SetSipPanelRect(RECT{0, top, app.Root().Width(), bottom});
        rig.TapIn(page->InputBar().Input().GetScreenRect());
        EXPECT_TRUE(SipPanelShown()) << golden;
        rig.Settle();
        const RECT seen{0, 0, app.Root().Width(), top};
        EXPECT_TRUE(MatchesGolden(GoldenPicture{seen.right, seen.bottom, CaptureFramebuffer(rig.Window(), seen)},
                                  golden));
        rig.Tap({L"MenuBar", L"SipButton"});
        EXPECT_FALSE(SipPanelShown()) << golden;
    }
    ResetDevices();

    BuddyRoster::Instance()->Find(chat->BuddyId)->Status = 6;
    page->UpdateInputState();
    EXPECT_TRUE(rig.MatchesGolden("chat_disabled"));
}

TEST_F(ChatWindowTest, TheEmoticonMenuAnswersOnlyAChatStillOpen) {
    const auto popup = [&](ChatPage* page) {
        rig.App().SetCurrentView(page);
        rig.Settle();
        rig.TapIn(page->InputBar().EmoticonButton().GetScreenRect());
        return dynamic_cast<MenuEmoticon*>(QePopup::Current());
    };
    const auto choose = [&](MenuEmoticon* menu, int row) {
        menu->List().SetSelection(row);
        menu->Close(1);
        rig.Settle();
    };
    ChatSession* chat = Open(true);
    ChatPage* page = ChatPageOf(chat);
    MenuEmoticon* menu = popup(page);
    ASSERT_NE(menu, nullptr);
    choose(menu, 2);
    EXPECT_EQ(Runs(page->InputBar().Input()), Lines({L"[/슬픔/]"}));
    EXPECT_TRUE(page->InputBar().Input().HasFocus());

    // The chat closed while its menu was open, then the connection lost while another chat's was.
    menu = popup(page);
    ASSERT_NE(menu, nullptr);
    ChatSessionManager::Instance()->RemoveChat(chat);
    rig.Settle();
    choose(menu, 0);
    menu = popup(ChatPageOf(Open(true)));
    ASSERT_NE(menu, nullptr);
    ResetToLogin();
    rig.Settle();
    if (QePopup::Current() == menu) choose(menu, 0);
    EXPECT_EQ(ChatSessionManager::Instance()->Count(), 0u);
}

// Against the service stand-in: the user opens a chat with jiyoung, whom a scripted connection
// plays; she takes the invitation, enters and writes while the buddy list is in front.
TEST(ChatWindowService, ALineForAHiddenChatRingsAndTheCloseButtonEndsTheRoom) {
    using service_test::Crp2;
    MessengerRig rig;
    ASSERT_TRUE(rig.Start() && rig.StartService());
    service_test::ChatPeer peer;
    peer.SignIn(rig.Service(), "jiyoung@tevrik.example");
    ASSERT_TRUE(rig.SignIn(L"minsu@tevrik.example", L"1234"));

    ChatSession* chat = ChatOpenWithBuddy(L"jiyoung@tevrik.example", L"지영");
    ASSERT_NE(chat, nullptr);
    ASSERT_TRUE(peer.Joins(*chat, "minsu@tevrik.example", 1));

    ClearDeviceCalls();
    peer.wire.Send(Crp2("23", "SS", peer.sid, "MESG 24 MSG 0%090%090%09안녕%20/웃음/\r\n"));
    ASSERT_TRUE(PumpUntil([&] { return chat->Unread != 0; }, 20.0));
    EXPECT_EQ(rig.Sounds(), std::vector<std::wstring>{L"recv_chat.wav, 0x20001)"});
    EXPECT_EQ(Runs(ChatPageOf(chat)->View().Output()),
              Lines({L"700 #1f2a33 이지영 (지영이) 님의 말:\n안녕 ", L"[/웃음/]", L"700 #1f2a33 \n"}));
    rig.Cover(ChatPageOf(chat));
    EXPECT_EQ(chat->Unread, 0);

    // The status bar's close button ends the room: the partner sees the user leave, and the page
    // goes back to the list and leaves the tree with its chat.
    rig.Tap({L"StatusBar", L"ChatPage", L"CloseButton"});
    auto quit = peer.wire.NextStartingWith("CRP2 0 SS " + peer.sid + " ");
    for (int i = 0; i < 50 && !quit; ++i) {
        PumpUntilIdle(0.1);
        quit = peer.wire.NextStartingWith("CRP2 0 SS " + peer.sid + " ", std::chrono::milliseconds(100));
    }
    ASSERT_TRUE(quit);
    EXPECT_NE(quit->find("QUIT 0 minsu@tevrik.example"), std::string::npos) << *quit;
    rig.Advance(600);
    EXPECT_TRUE(PumpUntil([] { return ChatSessionManager::Instance()->Count() == 0; }, 5.0));
    EXPECT_EQ(rig.App().CurrentPage(), &rig.App().BuddyList());
}

// 녕 left composing in chat A by Back, a tab or a transition: "gk" then types 하 in B and after 안녕 in A.
TEST_F(ChatWindowTest, ASyllableBeingComposedStaysWhereItWasTyped) {
    const std::function<void()> leaves[] = {[&] { rig.Back(); }, [&] { app().SetCurrentView(&app().ChatList()); }, [] {}};
    for (const auto& leave : leaves) {
        app().SetCurrentView(&app().ChatList());
        ChatPage *a = ChatPageOf(Open(true)), *b = ChatPageOf(Open(true));
        for (auto [page, keys] : {std::pair{a, L"dkssud"}, {b, L"gk"}, {a, L"gk"}}) {
            if (page == b) leave();
            rig.Cover(page);
            rig.Type(keys);
        }
        EXPECT_EQ(a->InputBar().Input().GetText() + L"|" + b->InputBar().Input().GetText(), L"안녕하|하") << &leave - leaves;
    }
}

// "9" and Enter or Escape under each kind of box answer it and send nothing; the input then has the
// focus and its mode back.
TEST_F(ChatWindowTest, KeysUnderABoxGoToTheBox) {
    rig.ConnectCaptured(0);
    ChatPage* page = ChatPageOf(Open(true));
    app().SetCurrentView(page);
    int result = -1;
    const QePopup::Callback note = [](void* to, QePopup*, int r) { *static_cast<int*>(to) = r; };
    const std::tuple<std::function<void()>, std::vector<UINT>, int> cases[] = {
        {[&] { MsgBox::Alert(L"!"); }, {VK_ESCAPE}, -1},
        {[&] { MsgBox::Confirm(L"?", note, &result); }, {VK_RETURN}, MsgBox::kResultYes},
        {[&] { MsgBox::ConfirmWithCheck(L"?", L"v", note, &result); }, {VK_ESCAPE}, MsgBox::kResultNo},
        {[&] { NotifyBox::Show(L"t", L"!", L"v", note, &result); }, {VK_RETURN}, 1},
        {[&] { MenuPopup::Popup(new MenuEmoticon, note, &result); }, {VK_RETURN, VK_ESCAPE}, 0},
    };
    for (const auto& [open, keys, answer] : cases) {  // each answer differs from the one before
        open();
        rig.Key(VK_HANGUL);
        rig.Type(L"9");
        for (UINT key : keys) rig.Key(key);
        rig.Type(L"k");
        EXPECT_EQ(std::to_wstring(result) + page->InputBar().Input().GetText(), std::to_wstring(answer) + L"ㅏ");
        page->InputBar().Input().SetText(L"");
    }
    EXPECT_EQ(Sent().find(" MSG "), std::string::npos);
}

}  // namespace
