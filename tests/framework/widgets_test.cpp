// The small skinned controls driven through routed pen input: what their parent hears, what they
// show in each state, and the stroke directions of the gesture detector.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/controls/EmoticonImage.h"
#include "framework/controls/QeButton.h"
#include "framework/controls/QeCheckBox.h"
#include "framework/controls/QeGestureDetector.h"
#include "framework/controls/QeImageView.h"
#include "framework/controls/QeLabel.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "tests/framework/picture.h"
#include "tests/framework/rect_text.h"
#include "tests/framework/skin_folder.h"
#include "tests/framework/test_skin.h"
#include "tests/support/TraceLog.h"

namespace {

using Rows = std::vector<std::string>;
using Lines = std::vector<std::string>;

// The screen the controls sit on: it draws into a surface of its own and writes down what its
// children report.
struct Screen : QeWindow {
    Screen() {
        SetOwnDC(true);
        SetRect(RECT{0, 0, 100, 100});
        SetVisible(true);
    }
    Lines heard;
    const QeCheckBox* watched = nullptr;  // its state is written down with each report
    // Fed as a paging screen feeds it: a stroke starts where a child hears the pen go down and is
    // examined where it is clicked.
    QeGestureDetector* detector = nullptr;
    int OnNotify(QeWindow*, int code) override {
        const auto [x, y] = QeLastEventArgs();
        if (detector != nullptr && code == kNotifyPenDown) detector->SetStart(x, y);
        if (detector != nullptr && code == kNotifyClick) detector->Detect(x, y);
        heard.push_back(std::to_string(code) + " " + std::to_string(QeLastEventArgs().first) + "," +
                        std::to_string(QeLastEventArgs().second) +
                        (watched == nullptr ? "" : watched->IsChecked() ? " checked" : " unchecked"));
        return 1;
    }
    int OnGesture(int value, int direction) override {
        heard.push_back("gesture " + std::to_string(value) + " " + std::to_string(direction));
        return 7;
    }
};

class ControlsTest : public SkinFolderTest {
protected:
    void SetUp() override {
        SkinFolderTest::SetUp();
        m_dir.WriteBytes("red.bmp", PictureBmp({"R"}));
        m_dir.WriteBytes("green.bmp", PictureBmp({"G"}));
        m_dir.WriteBytes("strip.bmp", PictureBmp({"RB"}));
        m_root.SetRect(RECT{0, 0, 100, 100});
        m_root.SetVisible(true);
        m_root.AddChild(&m_screen);
    }
    void TearDown() override {
        m_root.RemoveChild(&m_screen);
        SkinFolderTest::TearDown();
    }

    // Puts the control on the screen at the rectangle, visible.
    void Place(QeWindow& control, const RECT& rect) {
        control.SetRect(rect);
        control.SetVisible(true);
        m_screen.AddChild(&control);
    }
    // What the control draws over black, as a picture of its own area.
    Rows Render(QeWindow& control) {
        QeSurface surface;
        EXPECT_TRUE(surface.Create(m_screen.Width(), m_screen.Height()));
        surface.Fill(RGB(0, 0, 0));
        EXPECT_TRUE(control.Draw(&surface, control.Rect()));
        return Crop(surface, control.Rect());
    }
    static Rows Crop(const QeSurface& surface, const RECT& r) {
        Rows all = Picture(surface), rows;
        for (LONG y = r.top; y < r.bottom; ++y) rows.push_back(all.at(y).substr(r.left, r.right - r.left));
        return rows;
    }
    Lines Heard() {
        Lines heard;
        heard.swap(m_screen.heard);
        return heard;
    }

    QeMainWindow m_main;  // collects the dirty rectangle; it has no window
    QeWindow m_root;
    Screen m_screen;
};

TEST_F(ControlsTest, AButtonClicksOnlyWhenReleasedInsideAndShowsWhereThePenIs) {
    QeButton button;
    ASSERT_EQ(button.Load(Element(L"<B><DefaultImage><File>red.bmp</File></DefaultImage>"
                                  L"<ClickedImage><File>green.bmp</File></ClickedImage></B>")),
              1);
    Place(button, RECT{10, 20, 14, 22});
    const Rows up{"RRRR", "RRRR"}, down{"GGGG", "GGGG"};
    EXPECT_EQ(Render(button), up);

    m_root.RoutePenDown(11, 21);
    EXPECT_EQ(Render(button), down);
    EXPECT_EQ(RectText(m_main.dirtyRect), "10,20,14,22") << "the whole button, added to the dirty area";
    m_root.RoutePenMove(50, 50);
    EXPECT_EQ(Render(button), up) << "the pen left it";
    m_root.RoutePenMove(14, 22);
    EXPECT_EQ(Render(button), down) << "back on its corner, which counts as inside";
    m_root.RoutePenUp(14, 22);
    EXPECT_EQ(Render(button), up);
    EXPECT_EQ(Heard(), (Lines{"0 11,21", "2 14,22", "1 14,22"}));

    // Released outside: no click.
    m_root.RoutePenDown(12, 21);
    m_root.RoutePenMove(60, 21);
    m_root.RoutePenUp(60, 21);
    EXPECT_EQ(Heard(), (Lines{"0 12,21"}));
    EXPECT_EQ(Render(button), up);
    m_screen.RemoveChild(&button);
}

TEST_F(ControlsTest, AButtonWithoutAClickedImageKeepsItsDefaultOne) {
    QeButton button;
    ASSERT_EQ(button.Load(Element(L"<B><DefaultImage><File>strip.bmp</File></DefaultImage></B>")), 1);
    Place(button, RECT{0, 0, 4, 1});
    m_root.RoutePenDown(1, 0);
    EXPECT_TRUE(button.ShowsClicked());
    EXPECT_EQ(Render(button), (Rows{"RRBB"})) << "stretched over the button";
    m_root.RoutePenUp(1, 0);
    m_screen.RemoveChild(&button);
}

TEST_F(ControlsTest, ButtonLoadStopsAtTheFirstElementThatFails) {
    const struct {
        const wchar_t* markup;
        int loads;
        bool clickedLoaded;
    } cases[] = {
        {L"<B/>", 1, false},
        {L"<B><ClickedImage><File>green.bmp</File></ClickedImage></B>", 1, true},
        {L"<B><DefaultImage><File>missing.bmp</File></DefaultImage><ClickedImage><File>green.bmp</File>"
         L"</ClickedImage></B>",
         0, false},
    };
    for (const auto& c : cases) {
        QeButton button;
        EXPECT_EQ(button.Load(Element(c.markup)), c.loads) << c.markup;
        EXPECT_EQ(button.ClickedImage().Image() != nullptr, c.clickedLoaded) << c.markup;
        EXPECT_EQ(RectText(RECT{0, 0, button.ClickedLabelOffset().x, button.ClickedLabelOffset().y}), "0,0,1,1");
    }
}

// The bounding box of everything not black.
RECT Ink(const Rows& rows) {
    RECT ink{0, 0, 0, 0};
    bool any = false;
    for (LONG y = 0; y < static_cast<LONG>(rows.size()); ++y) {
        for (LONG x = 0; x < static_cast<LONG>(rows[y].size()); ++x) {
            if (rows[y][x] == '.') continue;
            ink = any ? RECT{std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1),
                             std::max(ink.bottom, y + 1)}
                      : RECT{x, y, x + 1, y + 1};
            any = true;
        }
    }
    return ink;
}

TEST_F(ControlsTest, LabelsMoveByTheOffsetOfTheLabelShown) {
    const std::wstring label = L"<FontSize>16</FontSize><BackMode>Transparent</BackMode><TextColor>#ffffff</TextColor>"
                               L"<TextFormats>Left Top</TextFormats><Text>가</Text>";
    const struct {
        std::wstring markup;
        const char* shiftWhenPressed;  // of the ink, x and y
    } cases[] = {
        {L"<B><DefaultLabel>" + label + L"</DefaultLabel><ClickedLabel>" + label + L"</ClickedLabel></B>", "1,1"},
        {L"<B><DefaultLabel>" + label + L"</DefaultLabel><ClickedLabel>" + label +
             L"</ClickedLabel><ClickedLabelOffset>3, 2</ClickedLabelOffset></B>",
         "3,2"},
        {L"<B><DefaultLabel>" + label + L"</DefaultLabel></B>", "0,0"},
        {L"<B><DefaultLabel>" + label + L"</DefaultLabel><DefaultLabelOffset>2, 0</DefaultLabelOffset>"
             L"<ClickedLabel>" + label + L"</ClickedLabel><ClickedLabelOffset>2, 0</ClickedLabelOffset></B>",
         "0,0"},
    };
    for (const auto& c : cases) {
        QeButton button;
        ASSERT_EQ(button.Load(Element(c.markup)), 1);
        Place(button, RECT{0, 0, 40, 30});
        const RECT released = Ink(Render(button));
        ASSERT_GT(released.right, released.left) << "the label draws";
        m_root.RoutePenDown(5, 5);
        const RECT pressed = Ink(Render(button));
        m_root.RoutePenUp(5, 5);
        EXPECT_EQ(std::to_string(pressed.left - released.left) + "," + std::to_string(pressed.top - released.top),
                  c.shiftWhenPressed);
        EXPECT_EQ(pressed.right - pressed.left, released.right - released.left);
        m_screen.RemoveChild(&button);
    }
}

TEST_F(ControlsTest, ACheckBoxTogglesOnReleaseInsideAndShowsTheStateItWouldTake) {
    QeCheckBox box;
    ASSERT_EQ(box.Load(Element(L"<C><DefaultImage><File>red.bmp</File></DefaultImage>"
                               L"<CheckedImage><File>green.bmp</File></CheckedImage></C>")),
              1);
    Place(box, RECT{0, 0, 2, 1});
    m_screen.watched = &box;
    EXPECT_EQ(Render(box), (Rows{"RR"}));
    m_root.RoutePenDown(1, 0);
    EXPECT_EQ(Render(box), (Rows{"GG"})) << "held: shows checked";
    m_root.RoutePenMove(30, 30);
    EXPECT_EQ(Render(box), (Rows{"RR"}));
    m_root.RoutePenUp(30, 30);
    EXPECT_FALSE(box.IsChecked()) << "released outside";

    m_root.RoutePenDown(1, 0);
    m_root.RoutePenUp(1, 0);
    EXPECT_TRUE(box.IsChecked());
    EXPECT_EQ(Render(box), (Rows{"GG"}));
    m_root.RoutePenDown(0, 0);
    EXPECT_EQ(Render(box), (Rows{"RR"})) << "held: shows unchecked";
    m_root.RoutePenUp(0, 0);
    EXPECT_FALSE(box.IsChecked());
    // Toggled before the parent hears of the click.
    EXPECT_EQ(Heard(), (Lines{"0 1,0 unchecked", "0 1,0 unchecked", "1 1,0 checked", "0 0,0 checked",
                              "1 0,0 unchecked"}));

    box.SetChecked(true);
    box.SetReadOnly(true);
    m_main.ClearDirtyRect();
    m_root.RoutePenDown(1, 0);
    m_root.RoutePenUp(1, 0);
    EXPECT_TRUE(box.IsChecked());
    EXPECT_EQ(Render(box), (Rows{"GG"}));
    EXPECT_TRUE(Heard().empty()) << "a read-only box notifies nobody";
    EXPECT_EQ(RectText(m_main.dirtyRect), "0,0,0,0");
    m_screen.watched = nullptr;
    m_screen.RemoveChild(&box);
}

TEST_F(ControlsTest, ImageViewsAndLabelsDrawTheirElement) {
    QeImageView view;
    ASSERT_EQ(view.Load(Element(L"<I><File>strip.bmp</File></I>")), 1);
    Place(view, RECT{0, 0, 4, 2});
    EXPECT_EQ(Render(view), (Rows{"RRBB", "RRBB"}));
    QeImageView missing;
    EXPECT_EQ(missing.Load(Element(L"<I><File>missing.bmp</File></I>")), 0);
    Place(missing, RECT{0, 0, 2, 1});
    EXPECT_EQ(Render(missing), (Rows{".."})) << "nothing loaded, nothing drawn";

    QeLabel label;
    ASSERT_EQ(label.Load(Element(L"<L><FontSize>16</FontSize><BackMode>Opaque</BackMode><BackColor>#ff0000</BackColor>"
                                 L"<TextColor>#ff0000</TextColor>"
                                 L"<Text>x</Text></L>")),
              1);
    Place(label, RECT{0, 0, 3, 2});
    EXPECT_EQ(Render(label), (Rows{"RRR", "RRR"})) << "an opaque label fills what it draws";
    label.Text().SetText(L"");
    EXPECT_EQ(Render(label), (Rows{"...", "..."}));
    for (QeWindow* w : {static_cast<QeWindow*>(&view), static_cast<QeWindow*>(&missing), static_cast<QeWindow*>(&label)})
        m_screen.RemoveChild(w);
}

TEST(GestureDetectorTest, DirectionsBeyondTheThresholdsInTheMask) {
    constexpr uint32_t kAll = 15;
    const struct {
        int dx, dy;
        uint32_t mask;
        int direction;  // -1: none
    } cases[] = {
        {-20, 0, kAll, -1}, {-21, 0, kAll, 0},  {21, 0, kAll, 4},   {0, -21, kAll, 2},
        {0, 21, kAll, 6},   {20, 20, kAll, -1}, {-30, -30, kAll, 1}, {-30, 30, kAll, 7},
        {30, -30, kAll, 3}, {30, 30, kAll, 5},
        // Without up in the mask, left and up is plain left; without any of its directions, none.
        {-30, -30, QeGestureDetector::kLeft | QeGestureDetector::kDown, 0},
        {-30, 0, QeGestureDetector::kRight, -1},
        {30, 30, QeGestureDetector::kDown, 6},
    };
    Screen target;
    for (const auto& c : cases) {
        QeGestureDetector detector;
        detector.target = &target;
        detector.mask = c.mask;
        detector.SetStart(100, 200);
        const int answer = detector.Detect(100 + c.dx, 200 + c.dy);
        const Lines expected = c.direction < 0 ? Lines{} : Lines{"gesture 0 " + std::to_string(c.direction)};
        EXPECT_EQ(target.heard, expected) << c.dx << "," << c.dy << " mask " << c.mask;
        EXPECT_EQ(answer, c.direction < 0 ? 0 : 7);
        target.heard.clear();
    }
    QeGestureDetector untargeted;
    untargeted.mask = kAll;
    EXPECT_EQ(untargeted.Detect(100, 0), 0);
}

TEST_F(ControlsTest, StrokesRoutedThroughAScreenReachItsOnGestureWithTheirDirection) {
    QeGestureDetector detector;
    detector.target = &m_screen;
    detector.mask = 15;
    m_screen.detector = &detector;
    QeWindow pad;
    Place(pad, RECT{0, 0, 100, 100});
    const struct {
        int dx, dy;
        int direction;  // -1: none
    } cases[] = {
        {-30, 0, 0}, {-30, -30, 1}, {0, -30, 2}, {30, -30, 3}, {30, 0, 4},
        {30, 30, 5}, {0, 30, 6},    {-30, 30, 7}, {20, -20, -1},
    };
    for (const auto& c : cases) {
        m_root.RoutePenDown(50, 50);
        m_root.RoutePenMove(50 + c.dx / 2, 50 + c.dy / 2);
        m_root.RoutePenUp(50 + c.dx, 50 + c.dy);
        Lines gestures;
        for (const std::string& line : Heard())
            if (line.starts_with("gesture")) gestures.push_back(line);
        EXPECT_EQ(gestures, c.direction < 0 ? Lines{} : Lines{"gesture 0 " + std::to_string(c.direction)})
            << c.dx << "," << c.dy;
    }
    m_screen.detector = nullptr;
    m_screen.RemoveChild(&pad);
}

TEST(EmoticonImageTest, TheDescriptorAndTheMethodsThatLackAKeyOrAnAlpha) {
    TestSkin skin;
    EmoticonImage smile;
    ASSERT_EQ(smile.Load(&skin.Parse(L"<E><Text>:)</Text><File>Emo\\descriptor.png</File>"
                                      L"<ImageCoord>19, 0, 19, 20</ImageCoord>"
                                      L"<DrawMethod>TransparentBlt</DrawMethod></E>")),
              1);
    TraceLog log;
    const QeImageDescriptor d = smile.Descriptor();
    EXPECT_EQ(d.key.fileName, L"Emo\\descriptor.png");
    EXPECT_EQ(d.key.format, 4);
    EXPECT_EQ(RectText(d.source), "19,0,38,20");
    EXPECT_EQ(d.drawMethod, kDrawTransparentBlt);
    EXPECT_EQ(d.keyOrAlpha, 0u);
    smile.Descriptor();
    EXPECT_EQ(log.Text(),
              L"[QE+] EmoticonImage::Descriptor, Emo\\descriptor.png is drawn by TransparentBlt but has no colour "
              L"key; black is keyed out.\n")
        << "once, however often it is drawn";

    log.Clear();
    smile.DrawMethod = EmoticonImage::kAlphaBlend;
    smile.Descriptor();
    smile.Width = 0;
    EXPECT_EQ(RectText(smile.Descriptor().source), "0,0,0,0") << "no area: the whole image";
    EXPECT_EQ(log.Text(),
              L"[QE+] EmoticonImage::Descriptor, Emo\\descriptor.png is drawn by AlphaBlend but has no constant "
              L"alpha; it does not show.\n");
    log.Clear();
    smile.DrawMethod = EmoticonImage::kAlphaBlendPerPixel;
    smile.Descriptor();
    EXPECT_EQ(log.Text(), L"");
}

}  // namespace
