// Typing on a desktop keyboard with the program's own Hangul composer, in the real program against
// the service stand-in: keys come without the tap that sets a field's input mode on the handheld.
#include <gtest/gtest.h>

#include <functional>

#include "app/screens/chats/ChatPage.h"
#include "app/screens/common/MenuSystem.h"
#include "app/screens/common/MsgBox.h"
#include "app/screens/common/NotifyBox.h"
#include "platform/windows/imm.h"
#include "app/screens/login/LoginSettings.h"
#include "framework/base/QeRegistry.h"
#include "framework/ui/shell/QeInputPanel.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/Options.h"
#include "messenger/protocol/SignIn.h"
#include "platform/windows/input.h"
#include "tests/service/ChatPeer.h"
#include "tests/support/MessengerRig.h"
#include "tools/service/TestService.h"

namespace {

constexpr double kBound = 20.0;
constexpr int kKorean = 0, kLatin = 1;

QeEdit* FocusEdit() { return dynamic_cast<QeEdit*>(QeGetFocusWindow()); }

class Typing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig.StartService());
        QeRegistry::WriteDword(LoginSettings::kKeyPath, LoginSettings::kAgreed, 1);
        ASSERT_TRUE(rig.Start());
        seojun.SignIn(rig.Service(), "seojun@tevrik.example");
    }
    MessengerApp& app() { return rig.App(); }
    LoginFormPanel& form() { return app().Login().Form(); }
    ChatPage* ChatWith(const wchar_t* id) {
        ChatSession* chat = ChatSessionManager::Instance()->FindChatWithBuddy(id);
        return chat != nullptr && app().CurrentPage() == ChatPageOf(chat) ? ChatPageOf(chat) : nullptr;
    }
    bool SignIn() {
        form().IdEdit.SetText(L"minsu");
        form().PasswordEdit.SetText(L"1234");
        rig.Tap({L"Login", L"Counter", L"LoginButton"});
        return PumpUntil([&] { return app().SignedIn() && app().CurrentPage() == &app().BuddyList(); }, kBound);
    }

    MessengerRig rig;
    service_test::ChatPeer seojun, jiyoung;
};

// Each way a field takes the focus without a tap on it, from the other input mode: "hana" typed
// then reads as the field's own mode writes it.
TEST_F(Typing, AFieldTypesInItsOwnModeHoweverItTakesTheFocus) {
    struct Way {
        const char* name;
        int mode;
        std::function<void()> go;
        std::function<QeEdit*()> field;
    } ways[] = {
        {"signed in, a chat opened from the buddy list", kKorean,
         [&] {
             ASSERT_TRUE(SignIn());
             BuddyListTable& table = app().BuddyList().Table();
             Options::Instance()->SortType = 1;  // online buddies only: the row is on screen
             table.Refresh();
             rig.Pass(1000);
             rig.TapRow(table, table.FindBuddyRow(BuddyRoster::Instance()->Find(L"seojun@tevrik.example"), -1), 10);
             ASSERT_TRUE(PumpUntil([&] { return ChatWith(L"seojun@tevrik.example") != nullptr; }, kBound));
         },
         [&] { return &ChatWith(L"seojun@tevrik.example")->InputBar().Input(); }},
        {"the buddy add form", kLatin, [&] { rig.Cover(&app().BuddyAdd()); },
         [&] { return &app().BuddyAdd().Table().IdEdit(); }},
        {"a chat opened from the chat list", kKorean,
         [&] {
             app().SetCurrentView(&app().ChatList());
             rig.TapRow(app().ChatList().Table(), 0, 10);
         },
         [&] { return &ChatWith(L"seojun@tevrik.example")->InputBar().Input(); }},
        {"the nickname page", kKorean, [&] { rig.Cover(&app().OptionNick()); },
         [&] { return &app().OptionNick().View().Nick(); }},
        {"a chat opened from an invitation", kKorean,
         [&] {
             jiyoung.SignIn(rig.Service(), "jiyoung@tevrik.example");
             jiyoung.OpenRoom();
             jiyoung.Invite("minsu@tevrik.example");
             ChatSessionManager& chats = *ChatSessionManager::Instance();
             const auto chat = [&] { return chats.FindChatWithBuddy(L"jiyoung@tevrik.example"); };
             ASSERT_TRUE(PumpUntil([&] { return chat() != nullptr && !chat()->Members.empty(); }, kBound));
             rig.Cover(ChatPageOf(chat()));
         },
         [&] { return &ChatWith(L"jiyoung@tevrik.example")->InputBar().Input(); }},
        {"the form after log out and the gate's other id", kLatin,
         [&] {
             LogOut();
             rig.Settle();
             rig.Tap({L"Login", L"Gate", L"LoginWithOtherIdButton"});
             rig.TapBox(L"YesButton");
         },
         [&] { return &form().IdEdit; }},
        {"the form after a refused sign-in, '9' and Enter under its box", kLatin,
         [&] {
             form().PasswordEdit.SetText(L"wrong");
             rig.Tap({L"Login", L"Counter", L"LoginButton"});
             ASSERT_TRUE(PumpUntil([&] { return !rig.BoxText().empty(); }, kBound));
             rig.Type(L"9");
             rig.Key(VK_RETURN);
             EXPECT_EQ(QePopup::Current(), nullptr);
             EXPECT_EQ(app().Login().CurrentPanel(), 0);
         },
         [&] { return &form().PasswordEdit; }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        QeInputPanel::Instance()->SetImeMode(1 - way.mode);
        way.go();
        if (HasFatalFailure()) return;
        rig.Pass(600);
        QeEdit* field = way.field();
        ASSERT_EQ(FocusEdit(), field);
        const std::wstring before = field->GetText();
        rig.Type(L"hana");
        EXPECT_EQ(field->GetText(), before + (way.mode == kKorean ? L"ㅗ뭄" : L"hana"));
        rig.Key(VK_SPACE);
    }
}

// Signed in as far as the pages go, the session writing to a capture.
class TypingSignedIn : public RigTest {
protected:
    void Prepare() override {
        rig.LookSignedIn();
        rig.ConnectCaptured(2);
        rig.App().SetCurrentView(&rig.App().BuddyList());
    }
    void TearDown() override { app().SetCurrentView(nullptr); }
    // A chat the user can write in.
    ChatPage* Chat(const wchar_t* buddy, const wchar_t* room) {
        ChatSession* chat = ChatSessionManager::Instance()->CreateChatSession();
        chat->BuddyId = buddy;
        chat->AddMember(ChatMember{buddy, L"", L"", L""});
        chat->SessionId = room;
        return ChatPageOf(chat);
    }
};

// "dkssud" leaves 녕 being composed in chat A when the page goes by Back, a tab or a transition
// with no tap or key to finish it; "gk" then types 하 in chat B and, back in A, after 안녕.
TEST_F(TypingSignedIn, ASyllableBeingComposedStaysWhereItWasTyped) {
    const std::function<void()> leaves[] = {
        [&] { rig.Back(); },
        [&] { app().SetCurrentView(&app().ChatList()); },
        [] {},
    };
    for (const auto& leave : leaves) {
        SCOPED_TRACE(&leave - leaves);
        ChatPage* a = Chat(L"a@x", L"71");
        ChatPage* b = Chat(L"b@x", L"72");
        rig.Cover(a);
        rig.Type(L"dkssud");
        leave();
        rig.Cover(b);
        rig.Type(L"gk");
        EXPECT_EQ(b->InputBar().Input().GetText(), L"하");
        rig.Cover(a);
        rig.Type(L"gk");
        EXPECT_EQ(a->InputBar().Input().GetText(), L"안녕하");
        rig.Key(VK_SPACE);
        app().SetCurrentView(&app().BuddyList());
    }
}

// Each kind of box over the chat input: "9" and Enter or Escape go to the box and none to the chat
// (nothing sent); the input then has the focus and its mode again.
TEST_F(TypingSignedIn, KeysUnderABoxGoToTheBox) {
    ChatPage* chat = Chat(L"a@x", L"71");
    rig.Cover(chat);
    int result = -1;
    const QePopup::Callback note = [](void* to, QePopup*, int r) { *static_cast<int*>(to) = r; };
    const struct {
        std::function<void()> open;
        std::vector<UINT> keys;
        int result;
    } cases[] = {
        {[&] { MsgBox::Alert(L"!"); }, {VK_ESCAPE}, -1},
        {[&] { MsgBox::Alert(L"!"); }, {VK_RETURN}, -1},
        {[&] { MsgBox::Confirm(L"?", note, &result); }, {VK_RETURN}, MsgBox::kResultYes},
        {[&] { MsgBox::Confirm(L"?", note, &result); }, {VK_ESCAPE}, MsgBox::kResultNo},
        {[&] { MsgBox::ConfirmWithCheck(L"?", L"v", note, &result); }, {VK_RETURN}, MsgBox::kResultYes},
        {[&] { NotifyBox::Show(L"t", L"!", L"v", note, &result); }, {VK_ESCAPE}, 1},
        {[&] { MenuPopup::Popup(new MenuSystem, note, &result); }, {VK_RETURN, VK_ESCAPE}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        result = -1;
        rig.Fresh();
        c.open();
        rig.Settle();
        ImmSetConversionStatus(ImmGetContext(rig.Window()), IME_CMODE_ALPHANUMERIC, 0);
        rig.Type(L"9");
        for (UINT key : c.keys) rig.Key(key);
        EXPECT_EQ(QePopup::Current(), nullptr);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(rig.Fresh(), "");
        rig.Type(L"k");
        EXPECT_EQ(chat->InputBar().Input().GetText(), L"ㅏ");
        chat->InputBar().Input().SetText(L"");
    }
}

}  // namespace
