// The message and notify boxes through the real program: taps routed by skin path, the result and
// the check box as the callback sees them, and the boxes as drawn over the dimmed screen.
#include <gtest/gtest.h>

#include "app/screens/common/MsgBox.h"
#include "app/screens/common/NotifyBox.h"
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

class Boxes : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(rig.Start()); }
    // A part of the open box tapped at its centre.
    void TapBox(const wchar_t* section, const wchar_t* part) {
        const RECT box = QePopup::Current() != nullptr ? QePopup::Current()->Rect() : RECT{};
        rig.Tap({section, part}, POINT{box.left, box.top});
        rig.Settle();
    }
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
    MessengerRig rig;
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
    } cases[] = {
        {"alert", 1, {L"OkButton"}, "Icon Text Ok ", text, {}},
        {"yes", 2, {L"YesButton"}, "Icon Text Yes No ", text, {"2"}},
        {"no", 2, {L"NoButton"}, "Icon Text Yes No ", text, {"3"}},
        {"checked yes", 6, {L"CheckBox", L"YesButton"}, "Icon Text CheckBox CheckBoxText Yes No ", shorter,
         {"2 checked"}},
        {"unchecked no", 6, {L"NoButton"}, "Icon Text CheckBox CheckBoxText Yes No ", shorter, {"3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        heard.calls.clear();
        MsgBox* box = c.kind == 1   ? MsgBox::Alert(L"알림")
                      : c.kind == 2 ? MsgBox::Confirm(L"질문", &Record, &heard)
                                    : MsgBox::ConfirmWithCheck(L"질문", L"다시 보지 않음", &Record, &heard);
        ASSERT_NE(box, nullptr);
        rig.Settle();
        EXPECT_EQ(Shown(*box), c.shown);
        const RECT r = box->Text().Rect();
        EXPECT_EQ(std::vector<long>({r.left, r.top, r.right, r.bottom}),
                  std::vector<long>({c.textRect.left, c.textRect.top, c.textRect.right, c.textRect.bottom}));
        EXPECT_EQ(QePopupHolder::Instance()->cover, &box->Text());
        rig.TapAt(0, 0);  // outside: ignored
        rig.Settle();
        EXPECT_EQ(QePopup::Current(), box);
        for (const wchar_t* part : c.taps) TapBox(L"MsgBox", part);
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
    TapBox(L"MsgBox", L"NoButton");
    EXPECT_EQ(results, std::vector<int>({3}));
}

TEST_F(Boxes, NoticeShowsTitleTextAndCheck) {
    rig.App().ShowNotice(L"점검 안내");
    rig.Settle();
    auto* box = dynamic_cast<NotifyBox*>(QePopup::Current());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->TitleText().Text().Text(), L"공지사항");
    EXPECT_EQ(box->CheckBoxText().Text().Text(), L"더 이상 이 메시지를 확인 안함");
    EXPECT_EQ(box->Text().GetText(), L"점검 안내");
    EXPECT_TRUE(box->CheckBox().IsVisible() && box->OkButton().IsVisible());
    rig.TapAt(0, 0);
    rig.Settle();
    EXPECT_EQ(QePopup::Current(), box);
    TapBox(L"NotifyBox", L"OkButton");
    EXPECT_EQ(QePopup::Current(), nullptr);
}

}  // namespace
