// The buddy add and group add forms through the real program: what each set of inputs alerts or
// sends, the domain menu's choices, and the texts kept after a send.
#include <gtest/gtest.h>

#include <chrono>
#include <tuple>

#include "app/screens/common/MenuAccount.h"
#include "app/screens/common/MsgBox.h"
#include "framework/ui/view/QePopup.h"
#include "messenger/protocol/TrIdGenerator.h"
#include "tests/app/model_seed.h"
#include "tests/support/MessengerRig.h"
#include "tools/service/TestService.h"

namespace {

class AddForms : public RigTest {
protected:
    void Prepare() override {
        // Signed in, as far as the pages see: the status bar over them.
        app().Login().SetVisible(false);
        app().StatusBarWindow().SetVisible(true);
        AddGroup(L"0", L"기타");
        AddGroup(L"4", L"친구");
        rig.ConnectCaptured(2);
        TrIdGenerator::Instance()->LastId = 0;
    }
    // The form opened from the buddy list, as the system menu does.
    void Open(ScreenBase& page) {
        app().SetCurrentView(&app().BuddyList());
        rig.Settle();
        app().SwitchView(&page, kSwitchCoverUpwards, false);
        rig.Pass(600);
    }
    std::string Sent() { return rig.Fresh(true); }
    // The alert shown, closed; empty when none is.
    static std::wstring TakeAlert() {
        auto* box = dynamic_cast<MsgBox*>(QePopup::Current());
        if (box == nullptr) return std::wstring();
        std::wstring text = box->Text().GetText();
        box->Close(1);
        return text;
    }
};

TEST_F(AddForms, BuddyRequestAlertsOrSends) {
    const std::wstring listed = MenuAccount::RowText(3);
    const std::string listedBytes(listed.begin(), listed.end());  // the domains are ASCII
    struct Case {
        std::wstring id, domain, message, group;
        std::wstring alert;
        std::string sent;  // empty: nothing sent and the form stays
    } cases[] = {
        {L"", L"tevrik.example", L"hi", L"기타", L"친구 아이디를 입력하세요.", ""},
        {L"mina", L"", L"hi", L"기타", L"친구 아이디를 입력하세요.", ""},
        {L"mina", L"tevrik.example", L"", L"기타", L"메시지를 입력하세요.", ""},
        {L"mina", L"tevrik.example", L"hi", L"없는 그룹", L"", ""},
        {L"mina@x", L"tevrik.example", L"안녕", L"기타", L"", "ADSB 1 REQST %00 mina@x@tevrik.example 0 안녕\r\n"},
        {L"mina", listed, L"hi there", L"친구", L"", "ADSB 1 REQST %00 mina@" + listedBytes + " 4 hi%20there\r\n"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        Open(app().BuddyAdd());
        BuddyAddTable& table = app().BuddyAdd().Table();
        table.IdEdit().SetText(c.id);
        table.AccountEdit().SetText(c.domain);
        table.RequestMessage().SetText(c.message);
        table.SetChosenGroupName(c.group);
        app().BuddyAdd().SendBuddyRequest();
        rig.Pass(600);
        EXPECT_EQ(TakeAlert(), c.alert) << i;
        EXPECT_EQ(Sent(), Carried(c.sent)) << i;
        EXPECT_EQ(app().CurrentPage(), c.sent.empty() ? static_cast<ScreenBase*>(&app().BuddyAdd())
                                                      : static_cast<ScreenBase*>(&app().BuddyList()))
            << i;
        EXPECT_EQ(std::vector<std::wstring>({table.IdEdit().GetText(), table.AccountEdit().GetText(),
                                             table.RequestMessage().GetText(), table.ChosenGroupName()}),
                  std::vector<std::wstring>({c.id, c.domain, c.message, c.group}))
            << i;
    }
}

// The group row opens the chooser titled with the typed id and the form's group checked; the group
// ticked there comes back to row 3 and is the one sent, also when the status bar's button sends
// while the chooser is still shown (the go-back then returns to the form).
TEST_F(AddForms, GroupChosenInTheChooserIsSent) {
    BuddyAddTable& table = app().BuddyAdd().Table();
    GroupSelectPage& chooser = app().GroupSelect();
    for (const bool fromChooser : {false, true}) {
        Open(app().BuddyAdd());
        table.IdEdit().SetText(L"mina");
        table.AccountEdit().SetText(L"tevrik.example");
        table.RequestMessage().SetText(L"hi");
        table.SetChosenGroupName(L"기타");
        rig.TapRow(table, BuddyAddTable::kGroupRow, 10);
        rig.Pass(600);
        ASSERT_EQ(app().CurrentPage(), &chooser);
        EXPECT_EQ(std::make_tuple(chooser.CurrentMode(), chooser.TitleBar().BuddyName().Text().Text(),
                                  chooser.Table().CheckedRow()),
                  std::make_tuple(uint32_t{GroupSelectPage::kModeBuddyAdd}, std::wstring(L"mina"), 0));
        rig.TapRow(chooser.Table(), 1, 10);
        if (fromChooser) {
            rig.Tap({L"StatusBar", L"Disclosure", L"BuddyAddButton"});
        } else {
            app().StatusBarWindow().OnBack();
            rig.Pass(600);
            EXPECT_EQ(table.ChosenGroupName(), L"친구");
            rig.Tap({L"BuddyAdd", L"ButtonBar", L"RequestButton"});
        }
        rig.Pass(600);
        EXPECT_EQ(Sent(), Carried("ADSB 1 REQST %00 mina@tevrik.example 4 hi\r\n")) << fromChooser;
        EXPECT_EQ(app().CurrentPage(), fromChooser ? static_cast<ScreenBase*>(&app().BuddyAdd())
                                                   : static_cast<ScreenBase*>(&app().BuddyList()));
        EXPECT_EQ(table.ChosenGroupName(), L"친구");
    }
}

// A demo account has the group the form starts with, as every account has.
TEST(BuddyAddSignedIn, TheFormsOwnGroupSends) {
    MessengerRig rig;
    ASSERT_TRUE(rig.Start() && rig.StartService() && rig.SignIn(L"minsu@tevrik.example", L"1234"));
    rig.App().SetCurrentView(&rig.App().BuddyList());
    rig.App().SwitchView(&rig.App().BuddyAdd(), kSwitchCoverUpwards, false);
    BuddyAddTable& table = rig.App().BuddyAdd().Table();
    table.IdEdit().SetText(L"hana"), table.AccountEdit().SetText(L"tevrik.example"), table.RequestMessage().SetText(L"hi");
    rig.App().BuddyAdd().SendBuddyRequest();
    const auto adsb = rig.Service().WaitForClientFrame(tevrik_service::kAllConnections, "ADSB", std::chrono::seconds(5));
    ASSERT_TRUE(adsb.has_value());
    EXPECT_EQ(adsb->inner.substr(adsb->inner.find(' ', 5)), " REQST %00 hana@tevrik.example 3 hi\r\n");
    rig.Pass(600);
    EXPECT_EQ(rig.App().CurrentPage(), &rig.App().BuddyList());
}

TEST_F(AddForms, DomainMenuChoices) {
    Open(app().BuddyAdd());
    QeEdit& edit = app().BuddyAdd().Table().AccountEdit();
    // The panel after the choice, and after a pen down on the field.
    struct Case {
        int row, result;
        uint32_t styles;
        std::wstring text;
        bool panel, focus, panelOnPen;
    } cases[] = {
        {0, 1, QeEdit::kReadOnly | QeEdit::kSingleLine, MenuAccount::RowText(0), true, false, false},
        {11, 1, QeEdit::kReadOnly | QeEdit::kSingleLine, MenuAccount::RowText(11), true, false, false},
        {12, 1, QeEdit::kSingleLine, L"", false, true, true},
        {3, 0, QeEdit::kSingleLine, L"", false, false, true},
    };
    for (const Case& c : cases) {
        app().MenuBarWindow().HideSip();
        MenuAccount menu;
        menu.List().SetSelection(c.row);
        BuddyAddTable::OnAccountChosen(&app().BuddyAdd().Table(), &menu, c.result);
        EXPECT_EQ(edit.Styles(), c.styles) << c.row;
        EXPECT_EQ(edit.GetText(), c.text) << c.row;
        EXPECT_EQ(app().MenuBarWindow().SipButton().IsChecked(), c.panel) << c.row;
        EXPECT_EQ(edit.HasFocus(), c.focus) << c.row;
        rig.Tap({L"BuddyAdd", L"View", L"AccountEdit"});
        EXPECT_EQ(app().MenuBarWindow().SipButton().IsChecked(), c.panelOnPen) << c.row;
        app().BuddyAdd().Table().IdEdit().SetFocus(true);
    }
}

TEST_F(AddForms, GroupAddAlertsOrSendsAndKeepsTheName) {
    const std::pair<std::wstring, std::string> cases[] = {{L"", ""}, {L"동료 들", "ADDG 1 0 동료%20들\r\n"}};
    for (const auto& [name, sent] : cases) {
        Open(app().GroupAdd());
        app().GroupAdd().NameView().GroupName().SetText(name);
        app().GroupAdd().AddGroup();
        rig.Pass(600);
        EXPECT_EQ(TakeAlert(), sent.empty() ? L"그룹 이름을 입력하세요." : L"");
        EXPECT_EQ(Sent(), Carried(sent));
        EXPECT_EQ(app().GroupAdd().NameView().GroupName().GetText(), name);
    }
}

TEST_F(AddForms, Pictures) {
    Open(app().BuddyAdd());
    EXPECT_TRUE(rig.MatchesGolden("buddy_add_empty"));
    BuddyAddTable& table = app().BuddyAdd().Table();
    table.IdEdit().SetText(L"mina");
    MenuAccount menu;
    menu.List().SetSelection(0);
    BuddyAddTable::OnAccountChosen(&table, &menu, 1);
    table.RequestMessage().SetText(L"안녕하세요");
    table.SetChosenGroupName(L"친구");
    app().MenuBarWindow().HideSip();
    rig.Settle();
    EXPECT_TRUE(rig.MatchesGolden("buddy_add_filled"));
    Open(app().GroupAdd());
    EXPECT_TRUE(rig.MatchesGolden("group_add"));
}

}  // namespace
