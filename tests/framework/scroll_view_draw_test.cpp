// What a scroll view puts on the screen frame after frame, through the real loop and paint path:
// copying the last frame (mode 0) must give the framebuffer of drawing everything again (mode 1),
// where the parent sharing the view's surface paints first, where it shares it but draws nothing
// (then only what the copy uncovers is drawn again) and where the view has a surface of its own,
// with its bars shown and a column of cells changing colour in mid-fling.
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
// ends the view's background shows. A shift moves the colours of the columns from x = 60 on.
struct Checkered : QeScrollView {
    int shift = 0;
    long long drawnArea = 0;  // of the content, all frames together
    int DrawContent(QeSurface* surface, const RECT& rect, const RECT& content) override {
        drawnArea += static_cast<long long>(rect.right - rect.left) * (rect.bottom - rect.top);
        const RECT extent{0, 0, AxisX().ContentSize(), AxisY().ContentSize()};
        RECT area;
        if (!QeIntersectRect(content, extent, area)) return 1;
        for (LONG y = area.top - area.top % 10; y < area.bottom; y += 10) {
            for (LONG x = area.left - area.left % 10; x < area.right; x += 10) {
                RECT part;
                if (QeIntersectRect(ContentToSurface(RECT{x, y, x + 10, y + 10}), rect, part)) {
                    surface->FillSolid(kCells[(x / 10 + y / 10 + (x >= 60 ? shift : 0)) % 3], part);
                }
            }
        }
        return 1;
    }
};

// A window of one colour, or one that draws nothing.
struct Fill : QeWindow {
    explicit Fill(COLORREF color, bool paints = true) : color(color), paints(paints) {}
    COLORREF color;
    bool paints;
    int Draw(QeSurface* surface, const RECT& rect) override {
        if (paints) surface->FillSolid(color, rect);
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
    // back beyond the start, the spring-back and a last short drag, with the view in the given
    // mode, drawing into its own surface or its parent's.
    std::vector<Frame> Frames(uint32_t mode, bool ownDC, bool parentPaints) {
        std::vector<Frame> frames;
        {
            AppRig rig;
            EXPECT_TRUE(rig.Start(L"Scroll view draw test", 2 * kSize, kSize));
            Fill screen(kMagenta, parentPaints);  // shares nothing: the view draws into its surface, over it
            screen.SetOwnDC(true);
            screen.SetRect(RECT{0, 0, kSize, kSize});
            screen.SetVisible(true);
            Checkered view;
            view.SetDrawMode(mode);
            view.SetOwnDC(ownDC);
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
            Fill other(RGB(0, 0, 0));  // the view's size, beside the screen
            other.SetOwnDC(true);
            other.SetRect(RECT{kSize + 10, 10, kSize + 70, 90});
            rig.Root().AddChild(&other);
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
            wait(5, 30);
            view.shift = 1;
            view.InvalidateContent(RECT{60, 0, 200, 400});
            wait(35, 30);
            pen(WM_LBUTTONDOWN, 20, 20);
            for (int step = 1; step <= 16; ++step) {
                m_clock.Advance(20);
                pen(WM_MOUSEMOVE, 20 + 8 * step, 20 + 25 * step);
            }
            m_clock.Advance(100);  // a pause: no fling, it springs back
            pen(WM_LBUTTONUP, 148, 420);
            wait(30, 30);
            m_clock.Advance(3000);
            capture();
            // A window of the view's size drawn while the view is not takes the view's surface;
            // the view, scrolled next, must not build on what that window left in it.
            for (bool shown : {true, false}) {
                other.SetVisible(shown);
                other.Invalidate(RECT{0, 0, 0, 0}, true);
                capture();
            }
            pen(WM_LBUTTONDOWN, 40, 80);
            m_clock.Advance(20);
            pen(WM_MOUSEMOVE, 40, 50);
            m_clock.Advance(20);
            pen(WM_MOUSEMOVE, 40, 45);
            m_clock.Advance(100);
            pen(WM_LBUTTONUP, 40, 45);
            m_clock.Advance(3000);
            m_drawnArea = view.drawnArea;
            rig.Root().RemoveChild(&other);
            view.RemoveChild(&box);
            screen.RemoveChild(&view);
            rig.Root().RemoveChild(&screen);
        }
        return frames;
    }

    FakeClock m_clock;  // before the framework, whose frame clock then starts at the test time
    long long m_drawnArea = 0;
};

TEST_F(ScrollViewDrawTest, CopyingGivesTheFramebufferOfRedrawing) {
    std::vector<Frame> redrawn;
    const struct {
        const char* name;
        bool ownDC;
        bool parentPaints;
    } cases[] = {{"parent's surface", false, true}, {"parent's surface, parent draws nothing", false, false},
                 {"own surface", true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto copied = Frames(QeScrollView::kDrawByCopy, c.ownDC, c.parentPaints);
        const long long copiedArea = m_drawnArea;
        redrawn = Frames(QeScrollView::kDrawWhole, c.ownDC, c.parentPaints);
        // Copying saves drawing unless the parent painted over the view first.
        if (!c.parentPaints || c.ownDC) {
            EXPECT_LT(copiedArea * 2, m_drawnArea) << copiedArea;
        }
        ASSERT_EQ(copied.size(), redrawn.size());
        for (size_t i = 0; i < copied.size(); ++i) {
            ASSERT_TRUE(copied[i] == redrawn[i]) << "frame " << i << ", copied:\n"
                                                 << Rows(copied[i]) << "redrawn:\n"
                                                 << Rows(redrawn[i]);
        }
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
