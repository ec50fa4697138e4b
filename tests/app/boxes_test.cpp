// The message and notify boxes through the real program: taps routed by skin path, the result and
// the check box as the callback sees them, and the boxes as drawn over the dimmed screen.
#include <gtest/gtest.h>

#include <limits>

#include "app/screens/common/MsgBox.h"
#include "app/screens/common/NotifyBox.h"
#include "app/screens/common/UpgradeBox.h"
#include "framework/ui/view/QePopupHolder.h"
#include "tests/support/MessengerRig.h"
#include "tests/support/TraceLog.h"

namespace {

struct Heard {
    std::vector<std::string> calls;
};

void Record(void* context, QePopup* popup, int result) {
    auto* box = dynamic_cast<MsgBox*>(popup);
    static_cast<Heard*>(context)->calls.push_back(std::to_string(result) +
                                                  (box != nullptr && box->CheckBox().IsChecked() ? " checked" : ""));
}

class Boxes : public RigTest {
protected:
    // Which of the box's widgets show, by their skin names.
    static std::string Shown(MsgBox& box) {
        std::string names;
        const std::pair<const char*, QeWindow*> parts[] = {
            {"Icon ", &box.Icon()},         {"Text ", &box.Text()},           {"CheckBox ", &box.CheckBox()},
            {"CheckBoxText ", &box.CheckBoxText()}, {"Ok ", &box.OkButton()}, {"Yes ", &box.YesButton()},
            {"No ", &box.NoButton()}};
        for (const auto& [name, window] : parts) names += window->IsVisible() ? name : "";
        return names;
    }
    Heard heard;
};

TEST_F(Boxes, MessageBoxKindsAnswerTheirButtons) {
    const RECT text = ScreenSkin::Rect({L"MsgBox", L"Text"});
    const RECT shorter = ScreenSkin::Rect({L"MsgBox", L"TextWithCheckBox"});
    struct Case {
        const char* name;
        int kind;  // 1 alert, 2 confirm, 6 confirm with check
        std::vector<const wchar_t*> taps;
        std::string shown;
        RECT textRect;
        std::vector<std::string> calls;
        std::string golden;  // taken before the last tap
    } cases[] = {
        {"alert", 1, {L"OkButton"}, "Icon Text Ok ", text, {}, "msg_box_alert"},
        {"yes", 2, {L"YesButton"}, "Icon Text Yes No ", text, {"2"}, "msg_box_confirm"},
        {"no", 2, {L"NoButton"}, "Icon Text Yes No ", text, {"3"}, ""},
        {"checked yes", 6, {L"CheckBox", L"YesButton"}, "Icon Text CheckBox CheckBoxText Yes No ", shorter,
         {"2 checked"}, "msg_box_confirm_checked"},
        {"unchecked no", 6, {L"NoButton"}, "Icon Text CheckBox CheckBoxText Yes No ", shorter, {"3"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        heard.calls.clear();
        MsgBox* box = c.kind == 1   ? MsgBox::Alert(L"아이디 또는 비밀번호가 잘못되었습니다.")
                      : c.kind == 2 ? MsgBox::Confirm(L"대화방을 나가시겠습니까?", &Record, &heard)
                                    : MsgBox::ConfirmWithCheck(L"위치 정보를 보내시겠습니까?", L"이 창을 다시 보지 않음",
                                                               &Record, &heard);
        ASSERT_NE(box, nullptr);
        rig.Settle();
        EXPECT_EQ(Shown(*box), c.shown);
        EXPECT_EQ(RectText(box->Text().Rect()), RectText(c.textRect));
        EXPECT_EQ(QePopupHolder::Instance()->cover, &box->Text());
        rig.TapAt(0, 0);  // outside: ignored
        EXPECT_EQ(QePopup::Current(), box);
        for (size_t i = 0; i < c.taps.size(); ++i) {
            if (i + 1 == c.taps.size() && !c.golden.empty()) {
                EXPECT_TRUE(rig.MatchesGolden(c.golden));
            }
            rig.TapBox(c.taps[i]);
        }
        EXPECT_EQ(QePopup::Current(), nullptr);
        EXPECT_EQ(QePopupHolder::Instance()->cover, nullptr);
        EXPECT_EQ(heard.calls, c.calls);
    }
}

TEST_F(Boxes, ASecondBoxClosesTheFirstWithZero) {
    TraceLog log;
    MsgBox::Confirm(L"첫째", &Record, &heard);
    std::vector<int> results;
    MsgBox* second = MsgBox::Confirm(L"둘째", [&results](int result) { results.push_back(result); });
    rig.Settle();
    EXPECT_EQ(heard.calls, std::vector<std::string>({"0"}));
    EXPECT_EQ(log.Text(),
              L"[QE+] QePopup::Popup, Previous popup instance has been closed.\n"
              L"[QE+] QePopup::Popup, Note that popup can have only an instance at a time.\n");
    // The first box, freed after the second opened, left the second's content view in place.
    EXPECT_EQ(QePopupHolder::Instance()->cover, &second->Text());
    rig.TapBox(L"NoButton");
    EXPECT_EQ(results, std::vector<int>({3}));
}

TEST_F(Boxes, NoticeShowsTitleTextAndCheck) {
    std::wstring notice = L"점검 안내";
    for (int i = 1; i <= 12; ++i) notice += L"\n" + std::to_wstring(i) + L". 서비스 점검으로 잠시 접속이 끊길 수 있습니다.";
    rig.App().ShowNotice(notice);
    rig.Settle();
    auto* box = dynamic_cast<NotifyBox*>(QePopup::Current());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->TitleText().Text().Text(), L"공지사항");
    EXPECT_EQ(box->CheckBoxText().Text().Text(), L"더 이상 이 메시지를 확인 안함");
    EXPECT_EQ(box->Text().GetText(), notice);
    box->Text().AxisY().SetPosition(-120);  // scrolled down
    box->Text().Invalidate(RECT{0, 0, 0, 0}, true);
    rig.Settle();
    EXPECT_TRUE(rig.MatchesGolden("notify_box_scrolled"));
    EXPECT_TRUE(box->CheckBox().IsVisible() && box->OkButton().IsVisible());
    rig.TapAt(0, 0);
    EXPECT_EQ(QePopup::Current(), box);
    rig.TapBox(L"OkButton", L"NotifyBox");
    EXPECT_EQ(QePopup::Current(), nullptr);
}

TEST_F(Boxes, UpgradeProgressCutsTheBarAndClampsWhatIsNotANumber) {
    ASSERT_TRUE(UpgradeBox::Show());
    auto* box = dynamic_cast<UpgradeBox*>(QePopup::Current());
    ASSERT_NE(box, nullptr);
    // The skin's bar: _Rect 40, 112, 360, 20 and ImageCoord 0, 20, 360, 20.
    struct Case {
        float progress;
        std::wstring percent;
        std::string bar, source, golden;
    } cases[] = {
        {0.0f, L"0%", "40,112,40,132", "0,20,0,40", "upgrade_box_0"},
        {0.5f, L"50%", "40,112,220,132", "0,20,180,40", "upgrade_box_50"},
        {1.2f, L"100%", "40,112,400,132", "0,20,360,40", "upgrade_box_100"},
        {-0.3f, L"0%", "40,112,40,132", "0,20,0,40", ""},
        {std::numeric_limits<float>::quiet_NaN(), L"0%", "40,112,40,132", "0,20,0,40", ""},
        {std::numeric_limits<float>::infinity(), L"0%", "40,112,40,132", "0,20,0,40", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.progress);
        box->progress = c.progress;
        box->SetProgress();
        EXPECT_EQ(box->PercentText().Text().Text(), c.percent);
        EXPECT_EQ(RectText(box->ProgressBar().Rect()), c.bar);
        EXPECT_EQ(RectText(box->ProgressBar().Image().Descriptor().source), c.source);
        rig.Settle();
        if (!c.golden.empty()) {
            EXPECT_TRUE(rig.MatchesGolden(c.golden));
        }
    }
}

}  // namespace
