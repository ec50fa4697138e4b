// What a scroll view draws frame after frame: copying the last frame (mode 0) must give the pixels
// of drawing everything again (mode 1), also where the parent sharing its surface paints first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/base/QeClock.h"
#include "framework/controls/QeScrollView.h"
#include "framework/ui/QeGraphics.h"
#include "framework/ui/QeMainWindow.h"
#include "framework/ui/QeRect.h"
#include "tests/framework/picture.h"
#include "tests/support/Pump.h"

namespace {

constexpr COLORREF kCells[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
constexpr COLORREF kMagenta = RGB(255, 0, 255);

// Content of 10 x 10 cells coloured by their place, so that any misplaced pixel shows; beyond its
// ends the view's background shows.
struct Checkered : QeScrollView {
    int DrawContent(QeSurface* surface, const RECT& rect, const RECT& content) override {
        const RECT extent{0, 0, AxisX().ContentSize(), AxisY().ContentSize()};
        RECT area;
        if (!QeIntersectRect(content, extent, area)) return 1;
        for (LONG y = area.top - area.top % 10; y < area.bottom; y += 10) {
            for (LONG x = area.left - area.left % 10; x < area.right; x += 10) {
                const RECT cell = ContentToSurface(RECT{x, y, x + 10, y + 10});
                RECT part;
                if (!QeIntersectRect(cell, rect, part)) continue;
                const LONG index = (x / 10 + y / 10) % 3;
                surface->FillSolid(kCells[index], part);
            }
        }
        return 1;
    }
};

// A screen that fills itself magenta wherever it is drawn, under the view.
struct Backdrop : QeWindow {
    int Draw(QeSurface* surface, const RECT& rect) override {
        surface->FillSolid(kMagenta, rect);
        return 1;
    }
};

// A small box inside the content.
struct Box : QeWindow {
    int Draw(QeSurface* surface, const RECT& rect) override {
        surface->FillSolid(RGB(255, 255, 255), rect);
        return 1;
    }
};

// A frame as rows of picture characters, for failure messages.
std::string Rows(const std::vector<COLORREF>& pixels, int width) {
    const auto legend = PictureLegend();
    std::string rows;
    for (size_t i = 0; i < pixels.size(); ++i) {
        auto found = legend.find(pixels[i]);
        rows += found != legend.end() ? found->second : '?';
        if ((i + 1) % width == 0) rows += '\n';
    }
    return rows;
}

class ScrollViewDrawTest : public FakeClockTest {
protected:
    void SetUp() override { ASSERT_TRUE(QeGraphicsStart()); }
    void TearDown() override { QeGraphicsStop(); }

    // The pixels of the screen's surface over the view and a margin round it, after each frame of
    // a diagonal drag, a fling and a spring-back, with the view in the given mode.
    std::vector<std::vector<COLORREF>> Frames(uint32_t mode) {
        Backdrop screen;
        screen.SetOwnDC(true);
        screen.SetRect(RECT{0, 0, 120, 120});
        screen.SetVisible(true);
        Checkered view;
        view.SetDrawMode(mode);
        view.SetRect(RECT{10, 10, 70, 90});
        view.SetVisible(true);
        view.SetContentSize(200, 400);
        Box box;
        box.SetRect(RECT{25, 35, 45, 50});
        box.SetVisible(true);
        box.SetDisabled(true);  // the pen goes to the view wherever the box has moved
        view.AddChild(&box);
        screen.AddChild(&view);

        std::vector<std::vector<COLORREF>> frames;
        // What reaches the screen: each frame, the part of the surface its layer names.
        std::vector<COLORREF> shown(120 * 120, 0);
        auto frame = [&] {
            QeMainWindow* main = QeMainWindow::Instance();
            main->paintRect = main->dirtyRect;
            EXPECT_TRUE(QeWindow::PaintTree(&screen));
            if (const QeSurface* surface = screen.HeldSurface()) {
                const QeLayer& layer = surface->Layer();
                for (LONG y = layer.destination.top; y < layer.destination.bottom; ++y)
                    for (LONG x = layer.destination.left; x < layer.destination.right; ++x)
                        shown.at(y * 120 + x) = PixelAt(*surface, x - layer.destination.left + layer.source.left,
                                                        y - layer.destination.top + layer.source.top);
            }
            std::vector<COLORREF> pixels;
            for (int y = 5; y < 95; ++y)
                for (int x = 5; x < 75; ++x) pixels.push_back(shown[y * 120 + x]);
            frames.push_back(pixels);
            QeSurfacePool::Instance()->FlushPending();
            main->ClearDirtyRect();
        };
        auto pen = [&](int message, int x, int y) {
            QeClock::Instance()->Update();
            if (message == 0) screen.RoutePenDown(x, y);
            if (message == 1) screen.RoutePenMove(x, y);
            if (message == 2) screen.RoutePenUp(x, y);
        };

        m_main.AddDirtyRect(RECT{0, 0, 120, 120});
        frame();
        pen(0, 60, 80);
        for (int step = 1; step <= 12; ++step) {
            Advance(20);
            pen(1, 60 - 3 * step, 80 - 7 * step);  // up and to the left, past the threshold
            frame();
        }
        pen(2, 24, -4);
        for (int t = 0; t < 40; ++t) {
            Advance(30);
            frame();
        }
        // Back beyond the start, then released after a pause: it springs back.
        pen(0, 20, 20);
        for (int step = 1; step <= 16; ++step) {
            Advance(20);
            pen(1, 20 + 8 * step, 20 + 25 * step);
            frame();
        }
        Advance(100);
        pen(2, 148, 420);
        for (int t = 0; t < 30; ++t) {
            Advance(30);
            frame();
        }
        Advance(3000);
        view.RemoveChild(&box);
        screen.RemoveChild(&view);
        return frames;
    }

    QeMainWindow m_main;  // keeps the dirty and paint rectangles; it has no window
};

TEST_F(ScrollViewDrawTest, CopyingGivesThePixelsOfRedrawing) {
    const auto copied = Frames(QeScrollView::kDrawByCopy);
    const auto redrawn = Frames(QeScrollView::kDrawWhole);
    ASSERT_EQ(copied.size(), redrawn.size());
    for (size_t i = 0; i < copied.size(); ++i) {
        ASSERT_FALSE(copied[i].empty());
        EXPECT_TRUE(copied[i] == redrawn[i]) << "frame " << i << ", copied:\n"
                                             << Rows(copied[i], 70) << "redrawn:\n"
                                             << Rows(redrawn[i], 70);
    }
    // The scene did move, and the white band beyond the start showed.
    EXPECT_NE(redrawn.front(), redrawn[12]);
    bool band = false;
    for (size_t i = 53; i < 70; ++i) {
        band = band || (redrawn[i][(10 - 5) * 70 + (12 - 5)] == RGB(255, 255, 255) &&
                        redrawn[i][(10 - 5) * 70 + (60 - 5)] == RGB(255, 255, 255));
    }
    EXPECT_TRUE(band);
}

}  // namespace
