// The popup menus and the menu bar through the real program: rows tapped where the list draws
// them, the choice as the callback reads it, the input panel's device calls, the unread images and
// the system menu's actions.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>
#include <tuple>

#include "app/screens/common/MenuAccount.h"
#include "app/screens/common/MenuEmoticon.h"
#include "app/screens/common/MenuMemoBox.h"
#include "app/screens/common/MenuSystem.h"
#include "framework/controls/QeEdit.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/MemoStore.h"
#include "framework/ui/motion/QeTransitionManager.h"
#include "tests/app/model_seed.h"
#include "platform/screen/presenter.h"
#include "platform/system/device.h"
#include "platform/windows/imm.h"
#include "tests/support/MessengerRig.h"

namespace {

struct Choice {
    int result = -2;
    int selection = -2;
    std::wstring text;
};

template <class Menu>
void Heard(void* context, QePopup* popup, int result) {
    auto* choice = static_cast<Choice*>(context);
    auto* menu = static_cast<Menu*>(popup);
    choice->result = result;
    choice->selection = menu->Selection();
    if constexpr (std::is_same_v<Menu, MenuAccount>) choice->text = MenuAccount::RowText(choice->selection);
}

class Menus : public RigTest {
protected:
    // Presses the open menu's row (-1: a point outside the menu), takes the picture while the pen
    // is held when one is named, and lifts.
    void TapRow(int row, const std::string& golden = std::string()) {
        auto* menu = dynamic_cast<QePopupMenu*>(QePopup::Current());
        const RECT r = row >= 0 && menu != nullptr ? menu->List().GetItemScreenRect(row) : RECT{0, 0, 2, 2};
        const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
        rig.App().Root().RoutePenDown(x, y);
        rig.Settle();
        if (!golden.empty()) {
            EXPECT_TRUE(rig.MatchesGolden(golden)) << golden;
        }
        rig.App().Root().RoutePenUp(x, y);
        rig.Settle();
    }
    template <class Menu>
    Choice Choose(int row, const std::string& golden) {
        Choice choice;
        EXPECT_EQ(MenuPopup::Popup(new Menu, &Heard<Menu>, &choice), 1);
        rig.Settle();
        TapRow(row, golden);
        EXPECT_EQ(QePopup::Current(), nullptr);
        return choice;
    }
};

TEST_F(Menus, TappedRowsAndOutsideTapsGiveTheirChoices) {
    struct Case {
        const char* name;
        Choice (Menus::*choose)(int, const std::string&);
        int row;
        int result, selection;
        std::wstring text;
        std::string golden;
    } cases[] = {
        {"system 0", &Menus::Choose<MenuSystem>, 0, 1, 0, L"", "menu_system_pressed"},
        {"system 3", &Menus::Choose<MenuSystem>, 3, 1, 3, L"", ""},
        {"system outside", &Menus::Choose<MenuSystem>, -1, 0, 4, L"", ""},
        {"account 0", &Menus::Choose<MenuAccount>, 0, 1, 0, L"tevrik.example", ""},
        {"account 5", &Menus::Choose<MenuAccount>, 5, 1, 5, L"letter.example", "menu_account_pressed"},
        {"account type in", &Menus::Choose<MenuAccount>, 12, 1, 12, L"직접 입력", ""},
        {"account outside", &Menus::Choose<MenuAccount>, -1, 0, 12, L"직접 입력", ""},
        {"memo box 1", &Menus::Choose<MenuMemoBox>, 1, 1, 1, L"", "menu_memo_box_pressed"},
        {"memo box outside", &Menus::Choose<MenuMemoBox>, -1, 0, 2, L"", ""},
        {"emoticon 2", &Menus::Choose<MenuEmoticon>, 2, 1, 2, L"", "menu_emoticon_pressed"},
        {"emoticon outside", &Menus::Choose<MenuEmoticon>, -1, 0, -1, L"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Choice choice = (this->*c.choose)(c.row, c.golden);
        EXPECT_EQ(std::tuple(choice.result, choice.selection, choice.text), std::tuple(c.result, c.selection, c.text));
    }
    EXPECT_EQ(MenuAccount::RowText(-1), L"직접 입력");
    EXPECT_EQ(MenuAccount::RowText(13), L"직접 입력");
}

TEST(MenuEmoticonRows, OneRowPerEmoticonOfTheSkin) {
    std::string skin = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Tevrik><_EmoticonList><RGBA>";
    const char* labels[] = {"/a/", "/b/", "/c/"};
    for (const char* label : labels) skin += std::string("<E><Text>") + label + "</Text></E>";
    skin += "</RGBA></_EmoticonList></Tevrik>";
    MessengerRig rig;
    rig.UseSkinText(skin);
    ASSERT_TRUE(rig.Start());
    auto* menu = new MenuEmoticon;
    std::vector<std::wstring> rows;
    for (int32_t i = 0; i < menu->List().GetItemCount(); ++i) rows.push_back(menu->List().GetItem(i)->text);
    EXPECT_EQ(rows, std::vector<std::wstring>({L"/a/", L"/b/", L"/c/"}));
    delete menu;
}

// The wink's row (the list's last) shows each of its frames, 400 ms apart, as they come.
TEST_F(Menus, TheAnimatedEmoticonRowShowsEachFrameAsItComes) {
    Choice choice;
    ASSERT_EQ(MenuPopup::Popup(new MenuEmoticon, &Heard<MenuEmoticon>, &choice), 1);
    rig.Settle();
    auto* menu = static_cast<MenuEmoticon*>(QePopup::Current());
    const RECT row = menu->List().GetItemScreenRect(menu->List().GetItemCount() - 1);
    std::vector<std::uint32_t> last(static_cast<size_t>(row.right - row.left) * static_cast<size_t>(row.bottom - row.top));
    std::vector<std::uint32_t> now(last.size());
    CopyFramebuffer(rig.Window(), row, last.data(), last.size());
    int changes = 0;
    for (int ms = 0; ms < 2000; ms += 10) {
        rig.Pass(10);
        CopyFramebuffer(rig.Window(), row, now.data(), now.size());
        changes += now != last ? 1 : 0;
        last.swap(now);
    }
    EXPECT_EQ(changes, 5);
    TapRow(-1);
    EXPECT_EQ(choice.result, 0);
}

TEST_F(Menus, InputPanelFollowsShowHideAndTheButton) {
    MenuBar& bar = rig.App().MenuBarWindow();
    QeEdit edit;
    rig.App().Root().AddChild(&edit);
    edit.SetRect(RECT{0, 100, 200, 140});
    edit.SetVisible(true);
    edit.SetFocus(true);
    std::vector<std::wstring> record;
    const auto note = [&](const wchar_t* step) {
        HIMC context = ImmGetContext(QeMainWindow::Instance()->Handle());
        DWORD conversion = 0, sentence = 0;
        ImmGetConversionStatus(context, &conversion, &sentence);
        ImmReleaseContext(QeMainWindow::Instance()->Handle(), context);
        record.push_back(std::wstring(step) + L":");
        for (const std::wstring& call : DeviceCalls()) record.back() += L" " + call;
        record.back() += L" conversion " + std::to_wstring(conversion) + (bar.SipButton().IsChecked() ? L" checked" : L"");
        ClearDeviceCalls();
    };
    ClearDeviceCalls();
    bar.ShowSip(0);
    note(L"ShowSip(0)");
    bar.ShowSip(1);
    note(L"ShowSip(1)");
    bar.HideSip();
    note(L"HideSip");
    rig.Tap({L"MenuBar", L"SipButton"});
    note(L"tap");
    EXPECT_EQ(QeGetFocusWindow(), &edit);
    rig.Tap({L"MenuBar", L"SipButton"});
    note(L"tap");
    EXPECT_EQ(QeGetFocusWindow(), &edit);
    EXPECT_EQ(record, std::vector<std::wstring>({
                          L"ShowSip(0): SipShowIM(1) SHSipInfo(0xE1, 0, 0) conversion 1 checked",
                          L"ShowSip(1): conversion 0 checked",
                          L"HideSip: SipShowIM(0) conversion 0",
                          L"tap: SipShowIM(1) SHSipInfo(0xE1, 0, 0) conversion 0 checked",
                          L"tap: SipShowIM(0) conversion 0",
                      }));
    rig.App().Root().RemoveChild(&edit);
}

TEST_F(Menus, UnreadImagesTakeTheirPlaces) {
    MenuBar& bar = rig.App().MenuBarWindow();
    rig.Settle();
    EXPECT_TRUE(rig.MatchesGolden("menu_bar_plain"));
    bar.ShowSip(1);
    rig.Settle();
    EXPECT_TRUE(rig.MatchesGolden("menu_bar_sip_checked"));
    bar.HideSip();
    ChatSession* chat = ChatSessionManager::Instance()->CreateChatSession();
    const std::string chatRect = RectText(ScreenSkin::Rect({L"MenuBar", L"ChatNotifyImage"}));
    const std::string memoRect = RectText(ScreenSkin::Rect({L"MenuBar", L"MemoNotifyImage"}));
    struct Step {
        bool chat, memo;
        std::string shown;  // "chat memo@rect"
    } steps[] = {
        {false, false, " "},
        {true, false, "chat "},
        {false, true, " memo@" + chatRect},
        {true, true, "chat memo@" + memoRect},
        {false, true, " memo@" + chatRect},  // memo, memo + chat, memo: it comes back
        {true, true, "chat memo@" + memoRect},
        {false, true, " memo@" + chatRect},
    };
    for (const Step& s : steps) {
        chat->Unread = s.chat ? 1 : 0;
        MemoStore::Instance()->HasNewMemo = s.memo ? 1 : 0;
        bar.UpdateNotifyImages();
        EXPECT_EQ(std::string(bar.ChatNotifyImage().IsVisible() ? "chat" : "") + " " +
                      (bar.MemoNotifyImage().IsVisible() ? "memo@" + RectText(bar.MemoNotifyImage().Rect()) : ""),
                  s.shown);
        rig.Settle();
        if (&s == &steps[3]) {
            EXPECT_TRUE(rig.MatchesGolden("menu_bar_both_unread"));
        }
    }
    EXPECT_TRUE(rig.MatchesGolden("menu_bar_memo_alone"));
}

TEST_F(Menus, SystemMenuRowsOpenTheirPagesAndLogOut) {
    MessengerApp& app = rig.App();
    MenuBar& bar = app.MenuBarWindow();
    EXPECT_FALSE(bar.SystemMenuButton().IsVisible());
    struct Case {
        int row;
        ScreenBase* page;
    } cases[] = {{0, &app.GroupAdd()}, {1, &app.BuddyAdd()}, {2, &app.BuddyRequestList()}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        app.SetCurrentView(&app.BuddyList());
        app.StatusBarWindow().ClearHistory();
        rig.Settle();
        ASSERT_TRUE(bar.SystemMenuButton().IsVisible());
        rig.Tap({L"MenuBar", L"SystemMenuButton"});
        ASSERT_NE(dynamic_cast<MenuSystem*>(QePopup::Current()), nullptr);
        TapRow(c.row);
        rig.Pass(1000);
        EXPECT_EQ(app.CurrentPage(), c.page);
        ASSERT_EQ(app.StatusBarWindow().History().size(), 1u);
        EXPECT_EQ(app.StatusBarWindow().History()[0].target, &app.BuddyList());
        EXPECT_FALSE(bar.SystemMenuButton().IsVisible());
    }
    app.SetCurrentView(&app.BuddyList());
    rig.Settle();
    rig.ConnectCaptured(0);
    app.SetSignedIn(true);
    rig.Tap({L"MenuBar", L"SystemMenuButton"});
    TapRow(3);
    EXPECT_EQ(rig.SentText(), "PVER 1 1.0.2 2.0 ko.wm\r\nLOUT 2\r\n");
    EXPECT_FALSE(app.SignedIn());
}

// Each way off the buddy list and back to it: the system menu button is shown, and drawn, exactly
// while the buddy list is the current page.
TEST_F(Menus, SystemMenuButtonIsShownAndDrawnOnlyOnTheBuddyList) {
    MessengerApp& app = rig.App();
    rig.LookSignedIn();
    AddBuddies({{L"a", L"amy@tevrik.example", L"Amy", L"", 1}});
    AddGroup(L"0", L"기타", {L"a"});
    rig.ConnectCaptured(2);
    app.SetCurrentView(&app.BuddyList());
    app.BuddyList().Table().Refresh();
    const auto menu = [&](int row) {
        rig.Tap({L"MenuBar", L"SystemMenuButton"});
        TapRow(row);
    };
    const auto tapBuddy = [&](int x) { rig.TapRow(app.BuddyList().Table(), 1, x); };
    BuddyAddTable& request = app.BuddyAdd().Table();
    const std::function<void()> ways[] = {
        [&] { menu(0); },
        [&] {
            app.GroupAdd().NameView().GroupName().SetText(L"새 그룹");
            app.GroupAdd().AddGroup();
        },
        [&] { menu(1); },
        [&] {
            request.IdEdit().SetText(L"mina");
            request.AccountEdit().SetText(L"tevrik.example");
            request.RequestMessage().SetText(L"hi");
            request.SetChosenGroupName(L"기타");
            app.BuddyAdd().SendBuddyRequest();
        },
        [&] { tapBuddy(10); },
        [&] { rig.Back(); },
        [&] { tapBuddy(BuddyListTable::ChatTapThreshold() + 1); },
        [&] {
            app.StatusBarWindow().OnBack();
            QeTransitionManager::Instance()->FinishAll();
        },
    };
    // The button's place in the bar: the input panel's button beside it follows the page's fields.
    const RECT bar = app.MenuBarWindow().SystemMenuButton().GetScreenRect();
    for (const auto& way : ways) {
        SCOPED_TRACE(&way - ways);
        way();
        rig.Pass(600);
        const bool listed = app.CurrentPage() == &app.BuddyList();
        EXPECT_EQ(listed, (&way - ways) % 2 == 1) << "off the list, then back";
        EXPECT_EQ(app.MenuBarWindow().SystemMenuButton().IsVisible(), listed);
        const GoldenPicture picture{bar.right - bar.left, bar.bottom - bar.top, CaptureFramebuffer(rig.Window(), bar)};
        EXPECT_TRUE(MatchesGolden(picture, listed ? "menu_bar_system_button" : "menu_bar_no_system_button"));
    }
}

}  // namespace
