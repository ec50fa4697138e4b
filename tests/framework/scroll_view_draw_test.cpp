// What a scroll view puts on the screen frame after frame, through the real loop and paint path:
// copying the last frame (mode 0) must give the framebuffer of drawing everything again (mode 1),
// also where the parent sharing the view's surface paints first.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls/QeScrollView.h"
#include "framework/ui/view/QeRect.h"
#include "platform/windows/input.h"
#include "platform/windows/window.h"
#include "tests/support/AppRig.h"
#include "tests/support/Golden.h"
#include "tests/support/Pump.h"

namespace {

constexpr COLORREF kCells[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr int kSize = 120;
// The part of the framebuffer compared: the view and a margin round it.
constexpr RECT kWatched{5, 5, 75, 95};
constexpr int kWatchedWidth = kWatched.right - kWatched.left;

// Content of 10 x 10 cells coloured by their place, so that any misplaced pixel shows; beyond its
// ends the view's background shows.
struct Checkered : QeScrollView {
    int DrawContent(QeSurface* surface, const RECT& rect, const RECT& content) override {
        const RECT extent{0, 0, AxisX().ContentSize(), AxisY().ContentSize()};
        RECT area;
        if (!QeIntersectRect(content, extent, area)) return 1;
        for (LONG y = area.top - area.top % 10; y < area.bottom; y += 10) {
            for (LONG x = area.left - area.left % 10; x < area.right; x += 10) {
                RECT part;
                if (QeIntersectRect(ContentToSurface(RECT{x, y, x + 10, y + 10}), rect, part)) {
                    surface->FillSolid(kCells[(x / 10 + y / 10) % 3], part);
                }
            }
        }
        return 1;
    }
};

// A window of one colour.
struct Fill : QeWindow {
    explicit Fill(COLORREF color) : color(color) {}
    COLORREF color;
    int Draw(QeSurface* surface, const RECT& rect) override {
        surface->FillSolid(color, rect);
        return 1;
    }
};

using Frame = std::vector<uint32_t>;

// A frame as rows of characters, for failure messages.
std::string Rows(const Frame& pixels) {
    std::string rows;
    for (size_t i = 0; i < pixels.size(); ++i) {
        switch (pixels[i]) {
        case 0xFF0000: rows += 'R'; break;
        case 0x00FF00: rows += 'G'; break;
        case 0x0000FF: rows += 'B'; break;
        case 0xFFFFFF: rows += 'W'; break;
        case 0xFF00FF: rows += 'M'; break;
        default: rows += '?';
        }
        if ((i + 1) % kWatchedWidth == 0) rows += '\n';
    }
    return rows;
}

class ScrollViewDrawTest : public ::testing::Test {
protected:
    // The watched part of the framebuffer after each frame of a diagonal drag, a fling, a drag
    // back beyond the start and the spring-back, with the view in the given mode.
    std::vector<Frame> Frames(uint32_t mode) {
        std::vector<Frame> frames;
        {
            AppRig rig;
            EXPECT_TRUE(rig.Start(L"Scroll view draw test", kSize, kSize));
            Fill screen(kMagenta);  // shares nothing: the view draws into its surface, over it
            screen.SetOwnDC(true);
            screen.SetRect(RECT{0, 0, kSize, kSize});
            screen.SetVisible(true);
            Checkered view;
            view.SetDrawMode(mode);
            view.SetRect(RECT{10, 10, 70, 90});
            view.SetVisible(true);
            view.SetContentSize(200, 400);
            Fill box(kWhite);
            box.SetRect(RECT{25, 35, 45, 50});
            box.SetVisible(true);
            box.SetDisabled(true);  // the pen goes to the view wherever the box has moved
            view.AddChild(&box);
            screen.AddChild(&view);
            rig.Root().AddChild(&screen);
            const HWND window = rig.Window();
            rig.Root().Invalidate(RECT{0, 0, 0, 0}, true);

            auto capture = [&] {
                PumpPending();
                frames.push_back(CaptureFramebuffer(window, kWatched));
            };
            auto pen = [&](UINT message, int x, int y) {
                EXPECT_TRUE(InjectPen(window, message, x, y));
                capture();
            };
            auto wait = [&](int ticks, DWORD ms) {
                for (int t = 0; t < ticks; ++t) {
                    m_clock.Advance(ms);
                    capture();
                }
            };

            capture();
            pen(WM_LBUTTONDOWN, 60, 80);
            for (int step = 1; step <= 12; ++step) {
                m_clock.Advance(20);
                pen(WM_MOUSEMOVE, 60 - 3 * step, 80 - 7 * step);  // up and to the left, past the threshold
            }
            pen(WM_LBUTTONUP, 24, -4);
            wait(40, 30);
            pen(WM_LBUTTONDOWN, 20, 20);
            for (int step = 1; step <= 16; ++step) {
                m_clock.Advance(20);
                pen(WM_MOUSEMOVE, 20 + 8 * step, 20 + 25 * step);
            }
            m_clock.Advance(100);  // a pause: no fling, it springs back
            pen(WM_LBUTTONUP, 148, 420);
            wait(30, 30);
            m_clock.Advance(3000);
            view.RemoveChild(&box);
            screen.RemoveChild(&view);
            rig.Root().RemoveChild(&screen);
        }
        return frames;
    }

    FakeClock m_clock;  // before the framework, whose frame clock then starts at the test time
};

TEST_F(ScrollViewDrawTest, CopyingGivesTheFramebufferOfRedrawing) {
    const auto copied = Frames(QeScrollView::kDrawByCopy);
    const auto redrawn = Frames(QeScrollView::kDrawWhole);
    ASSERT_EQ(copied.size(), redrawn.size());
    for (size_t i = 0; i < copied.size(); ++i) {
        ASSERT_TRUE(copied[i] == redrawn[i]) << "frame " << i << ", copied:\n"
                                             << Rows(copied[i]) << "redrawn:\n"
                                             << Rows(redrawn[i]);
    }
    // The scene did move, and the white background beyond the start showed across the top.
    EXPECT_NE(redrawn.front(), redrawn[13]);
    const auto topRowWhite = [](const Frame& f) {
        const size_t row = (10 - kWatched.top) * kWatchedWidth;
        return f[row + 12 - kWatched.left] == 0xFFFFFF && f[row + 60 - kWatched.left] == 0xFFFFFF;
    };
    bool band = false;
    for (const Frame& f : redrawn) band = band || topRowWhite(f);
    EXPECT_TRUE(band);
    EXPECT_FALSE(topRowWhite(redrawn.back())) << "sprung back";
}

}  // namespace
