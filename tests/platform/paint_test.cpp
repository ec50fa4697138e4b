#include <gtest/gtest.h>

#include <png.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/graphics/gdi.h"
#include "platform/windows/input.h"
#include "platform/screen/presenter.h"
#include "platform/windows/window.h"
#include "tests/support/temp_folder.h"
#include "tests/support/ProbeWindow.h"
#include "tests/support/Pump.h"

static bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

namespace {

class PaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        Drain();
        m_window = MakeProbe(&m_probe, L"paint", RECT{10, 20, 110, 100});
        ASSERT_NE(m_window, nullptr);
    }
    void TearDown() override {
        DestroyWindow(m_window);
        Drain();
    }

    // Shows the window and takes its first paint.
    void ShowAndSettle() {
        ShowWindow(m_window, SW_SHOWNORMAL);
        PumpPending();
        m_probe.seen.clear();
    }
    // The numbers of the next messages the loop takes, dispatching each.
    std::vector<UINT> Next(int count) {
        std::vector<UINT> numbers;
        MSG msg;
        while (count-- > 0 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            numbers.push_back(msg.message);
            DispatchMessageW(&msg);
        }
        return numbers;
    }
    RECT Update() {
        RECT rect{};
        GetUpdateRect(m_window, &rect, FALSE);
        return rect;
    }

    Probe m_probe;
    HWND m_window = nullptr;
};

TEST_F(PaintTest, SizeComesAtCreationAndOnRealChangesActivationOnFirstShow) {
    ASSERT_GE(m_probe.seen.size(), 2u);
    EXPECT_EQ(m_probe.seen[0].message, WM_CREATE);
    EXPECT_EQ(m_probe.seen[1].message, WM_SIZE);
    EXPECT_EQ(m_probe.seen[1].lParam, MAKELPARAM(100, 80)) << "the client size";
    m_probe.seen.clear();

    MoveWindow(m_window, 0, 0, 100, 80, FALSE);
    EXPECT_EQ(m_probe.Count(WM_SIZE), 0) << "moved, not resized";
    MoveWindow(m_window, 0, 0, 120, 80, FALSE);
    ASSERT_EQ(m_probe.Count(WM_SIZE), 1);
    EXPECT_EQ(m_probe.Only({WM_SIZE})[0].lParam, MAKELPARAM(120, 80));
    RECT client{};
    GetClientRect(m_window, &client);
    EXPECT_EQ(client, (RECT{0, 0, 120, 80}));

    EXPECT_FALSE(IsWindowVisible(m_window));
    EXPECT_FALSE(ShowWindow(m_window, SW_SHOWNORMAL));
    EXPECT_TRUE(IsWindowVisible(m_window));
    ASSERT_EQ(m_probe.Count(WM_ACTIVATE), 1);
    EXPECT_EQ(m_probe.Only({WM_ACTIVATE})[0].wParam, WA_ACTIVE);
    EXPECT_TRUE(ShowWindow(m_window, SW_HIDE));
    EXPECT_FALSE(ShowWindow(m_window, SW_SHOWNORMAL));
    EXPECT_EQ(m_probe.Count(WM_ACTIVATE), 1) << "only the first show activates";
    EXPECT_EQ(LoadCursorW(nullptr, IDC_ARROW) != nullptr, true);
    EXPECT_EQ(LoadCursorW(GetModuleHandleW(nullptr), IDC_ARROW), nullptr);
}

TEST_F(PaintTest, TheUpdateRegionAccumulatesAndPaintsOnlyWhileVisible) {
    const RECT a{0, 0, 10, 10};
    const RECT b{20, 30, 40, 50};
    InvalidateRect(m_window, &a, FALSE);
    InvalidateRect(m_window, &b, FALSE);
    EXPECT_EQ(Update(), (RECT{0, 0, 40, 50}));
    EXPECT_EQ(PumpPending(), 0) << "a hidden window gets no WM_PAINT";

    const RECT outside{90, 70, 500, 500};
    InvalidateRect(m_window, &outside, FALSE);
    EXPECT_EQ(Update(), (RECT{0, 0, 100, 80})) << "clipped to the client area";
    const RECT cut{50, 0, 100, 80};
    ValidateRect(m_window, &cut);
    EXPECT_EQ(Update(), (RECT{0, 0, 40, 50}));
    ValidateRect(m_window, nullptr);
    EXPECT_FALSE(GetUpdateRect(m_window, nullptr, FALSE));

    ShowAndSettle();
    EXPECT_FALSE(GetUpdateRect(m_window, nullptr, FALSE)) << "the default procedure validated the first paint";
    InvalidateRect(m_window, &a, FALSE);
    EXPECT_TRUE(UpdateWindow(m_window));
    EXPECT_EQ(m_probe.Count(WM_PAINT), 1) << "sent at once";
    EXPECT_EQ(PumpPending(), 0);
    EXPECT_TRUE(UpdateWindow(m_window));
    EXPECT_EQ(m_probe.Count(WM_PAINT), 1) << "nothing to paint";

    // A procedure that does not validate is asked again.
    int paints = 0;
    m_probe.hook = [&](HWND, UINT message, WPARAM, LPARAM, LRESULT* answer) {
        if (message != WM_PAINT) return false;
        ++paints;
        *answer = 0;
        return true;
    };
    InvalidateRect(m_window, &a, FALSE);
    EXPECT_EQ(Next(3), (std::vector<UINT>{WM_PAINT, WM_PAINT, WM_PAINT}));
    EXPECT_FALSE(PumpUntilIdle(0.05)) << "the loop never goes idle";
    m_probe.hook = nullptr;
    EXPECT_TRUE(PumpUntilIdle(1.0));
}

TEST_F(PaintTest, PaintComesAfterPostedInputAndQuitUnlessItFellDueFirst) {
    ShowAndSettle();
    const RECT a{0, 0, 5, 5};
    PostMessageW(m_window, WM_USER + 1, 0, 0);
    InjectKey(m_window, VK_DELETE, true);
    PostMessageW(m_window, WM_USER + 2, 0, 0);
    InvalidateRect(m_window, &a, FALSE);
    PostQuitMessage(3);
    EXPECT_EQ(Next(5), (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_KEYDOWN, WM_QUIT, WM_PAINT}));

    // Due before the later posts: the paint goes first.
    PostMessageW(m_window, WM_USER + 1, 0, 0);
    InvalidateRect(m_window, &a, FALSE);
    PostMessageW(m_window, WM_USER + 2, 0, 0);
    InjectKey(m_window, VK_DELETE, false);
    EXPECT_EQ(Next(4), (std::vector<UINT>{WM_USER + 1, WM_PAINT, WM_USER + 2, WM_KEYUP}));

    // A filter for another message leaves the paint waiting.
    InvalidateRect(m_window, &a, FALSE);
    PostMessageW(m_window, WM_USER + 3, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 3);
    EXPECT_EQ(Next(1), (std::vector<UINT>{WM_PAINT}));
}

TEST_F(PaintTest, AQueueThatNeverEmptiesStillPaints) {
    ShowAndSettle();
    // Each tick takes longer than the tick interval: by the time it is handled the next one waits.
    int ticks = 0;
    m_probe.hook = [&](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
        if (message == WM_USER) {
            ++ticks;
            PostMessageW(window, WM_USER, 0, 0);
            const RECT part{0, 0, 1, 1};
            if (ticks == 3) InvalidateRect(window, &part, FALSE);
        }
        return false;
    };
    PostMessageW(m_window, WM_USER, 0, 0);
    std::vector<UINT> numbers = Next(8);
    m_probe.hook = nullptr;
    EXPECT_EQ(numbers, (std::vector<UINT>{WM_USER, WM_USER, WM_USER, WM_USER, WM_PAINT, WM_USER, WM_USER, WM_USER}))
        << "the paint due at the third tick comes before the fifth, posted after it";
}

TEST_F(PaintTest, InputAndInvalidationWakeABlockedLoop) {
    ShowAndSettle();
    for (int round = 0; round < 2; ++round) {
        std::atomic<bool> ready{false};
        std::thread other([&] {
            while (!ready.load()) std::this_thread::yield();
            if (round == 0) {
                InjectKey(m_window, VK_DELETE, true);
            } else {
                InvalidateRect(m_window, nullptr, FALSE);
            }
        });
        ready = true;
        MSG msg;
        ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), 1);
        EXPECT_EQ(msg.message, round == 0 ? WM_KEYDOWN : WM_PAINT);
        DispatchMessageW(&msg);
        other.join();
    }
    InjectKey(m_window, VK_DELETE, false);
}

// Remembers what the window stand-in told it.
struct RecordingPresenter : Presenter {
    std::vector<std::wstring> lines;
    static std::wstring Text(const RECT& r) {
        return std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right) + L"," +
               std::to_wstring(r.bottom);
    }
    void Shown(HWND, int width, int height) override {
        lines.push_back(L"shown " + std::to_wstring(width) + L"x" + std::to_wstring(height));
    }
    void Hidden(HWND) override { lines.push_back(L"hidden"); }
    void Resized(HWND, int width, int height) override {
        lines.push_back(L"resized " + std::to_wstring(width) + L"x" + std::to_wstring(height));
    }
    void Painted(HWND, const RECT& area) override { lines.push_back(L"painted " + Text(area)); }
    void Raised(HWND) override { lines.push_back(L"raised"); }
};

class FramebufferTest : public PaintTest {
protected:
    void SetUp() override {
        PaintTest::SetUp();
        m_previous = SetPresenter(&m_presenter);
        // Paints fill everything they may with the current brush.
        m_probe.hook = [this](HWND window, UINT message, WPARAM, LPARAM, LRESULT* answer) {
            if (message != WM_PAINT) return false;
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            m_painted.push_back(paint.rcPaint);
            const RECT everything{-100, -100, 1000, 1000};
            FillRect(dc, &everything, m_brush);
            EndPaint(window, &paint);
            *answer = 0;
            return true;
        };
    }
    void TearDown() override {
        m_probe.hook = nullptr;
        SetPresenter(m_previous);
        PaintTest::TearDown();
    }
    void Paint(HBRUSH brush) {
        m_brush = brush;
        PumpPending();
    }
    // Each row of the framebuffer as one letter per pixel: W white, K black, . other.
    std::vector<std::string> Picture(int width, int height, int step) {
        std::vector<std::string> rows;
        for (int y = 0; y < height; y += step) {
            std::string row;
            for (int x = 0; x < width; x += step) {
                COLORREF c = FramebufferPixel(m_window, x, y);
                row += c == RGB(255, 255, 255) ? 'W' : c == RGB(0, 0, 0) ? 'K' : '.';
            }
            rows.push_back(row);
        }
        return rows;
    }

    RecordingPresenter m_presenter;
    Presenter* m_previous = nullptr;
    HBRUSH m_brush = nullptr;
    std::vector<RECT> m_painted;
};

TEST_F(FramebufferTest, APaintDrawsOnlyInsideTheUpdateRegionAndTheRestIsKept) {
    const HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    const HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    ShowWindow(m_window, SW_SHOWNORMAL);
    Paint(white);
    ASSERT_EQ(m_painted.size(), 1u);
    EXPECT_EQ(m_painted[0], (RECT{0, 0, 100, 80})) << "the first show paints everything";

    const RECT a{0, 0, 20, 20};
    const RECT b{40, 40, 60, 60};
    InvalidateRect(m_window, &a, FALSE);
    InvalidateRect(m_window, &b, FALSE);
    Paint(black);
    ASSERT_EQ(m_painted.size(), 2u);
    EXPECT_EQ(m_painted[1], (RECT{0, 0, 60, 60})) << "rcPaint is the bounding box";
    EXPECT_FALSE(GetUpdateRect(m_window, nullptr, FALSE)) << "BeginPaint validated";
    EXPECT_EQ(Picture(100, 80, 10), (std::vector<std::string>{
                                        "KKWWWWWWWW",
                                        "KKWWWWWWWW",
                                        "WWWWWWWWWW",
                                        "WWWWWWWWWW",
                                        "WWWWKKWWWW",
                                        "WWWWKKWWWW",
                                        "WWWWWWWWWW",
                                        "WWWWWWWWWW",
                                    }));
    EXPECT_EQ(m_presenter.lines, (std::vector<std::wstring>{L"shown 100x80", L"painted 0,0,100,80",
                                                            L"painted 0,0,60,60"}));

    // A larger window keeps what it had; the new part starts black.
    MoveWindow(m_window, 10, 20, 120, 80, FALSE);
    EXPECT_EQ(Picture(120, 80, 20), (std::vector<std::string>{"KWWWWK", "WWWWWK", "WWKWWK", "WWWWWK"}));

    // A DC of the whole window outside WM_PAINT is presented when released.
    HDC dc = GetDC(m_window);
    const RECT corner{110, 70, 120, 80};
    FillRect(dc, &corner, white);
    ReleaseDC(m_window, dc);
    EXPECT_EQ(FramebufferPixel(m_window, 119, 79), RGB(255, 255, 255));
    EXPECT_EQ(FramebufferPixel(m_window, 120, 0), CLR_INVALID);
    // Limited to a rectangle, only that is presented.
    dc = GetDC(m_window);
    const RECT spot{5, 6, 7, 26};
    SetClipRect(dc, &spot);
    FillRect(dc, &corner, white);
    ReleaseDC(m_window, dc);
    ShowWindow(m_window, SW_HIDE);
    EXPECT_EQ(std::vector<std::wstring>(m_presenter.lines.begin() + 3, m_presenter.lines.end()),
              (std::vector<std::wstring>{L"resized 120x80", L"painted 0,0,120,80", L"painted 5,6,7,26", L"hidden"}));
}

TEST_F(FramebufferTest, TheFramebufferCopiesAndSavesAsPng) {
    ShowWindow(m_window, SW_SHOWNORMAL);
    Paint(static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const RECT dot{3, 2, 4, 3};
    InvalidateRect(m_window, &dot, FALSE);
    Paint(static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

    std::uint32_t words[4 * 3];
    EXPECT_EQ(CopyFramebuffer(m_window, RECT{96, 77, 200, 200}, words, 12), (RECT{96, 77, 100, 80}));
    EXPECT_EQ(words[0], 0xFFFFFFu);
    EXPECT_EQ(CopyFramebuffer(m_window, RECT{0, 0, 100, 80}, words, 12), (RECT{})) << "too little room";
    EXPECT_EQ(CopyFramebuffer(m_window, RECT{2, 2, 6, 5}, words, 12), (RECT{2, 2, 6, 5}));
    EXPECT_EQ(words[1], 0u);
    EXPECT_EQ(words[2], 0xFFFFFFu);

    testsupport::TempFolder folder;
    const std::string path = folder.File("frame.png");
    ASSERT_TRUE(SaveFramebufferPng(m_window, path));
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
    EXPECT_EQ(image.width, 100u);
    EXPECT_EQ(image.height, 80u);
    EXPECT_EQ(rgb[(2 * 100 + 3) * 3], 0);
    EXPECT_EQ(rgb[(2 * 100 + 4) * 3], 255);
    EXPECT_FALSE(SaveFramebufferPng(m_window, folder.File("missing/frame.png")));
}

TEST_F(FramebufferTest, TheDefaultEraseFillsWithTheClassBrush) {
    static bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &DefWindowProcW;
        windowClass.lpszClassName = L"PaintTestWhite";
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        return RegisterClassW(&windowClass) != 0;
    }();
    ASSERT_TRUE(registered);
    HWND white = CreateWindowExW(0, L"PaintTestWhite", L"", WS_VISIBLE, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(white, nullptr);
    EXPECT_EQ(FramebufferPixel(white, 7, 7), RGB(0, 0, 0)) << "a new framebuffer is black";
    PumpPending();
    EXPECT_EQ(FramebufferPixel(white, 7, 7), RGB(255, 255, 255));
    DestroyWindow(white);
}

}  // namespace
