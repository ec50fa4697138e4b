// The real presenter under SDL's offscreen driver: what is painted reaches the SDL window, and SDL's
// events come back as the handheld's messages at the right client coordinates.
#include <SDL.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/system/device.h"
#include "platform/system/file.h"
#include "platform/graphics/gdi.h"
#include "platform/windows/input.h"
#include "platform/screen/presenter.h"
#include "platform/screen/sdl_presenter.h"
#include "platform/windows/window.h"
#include "tests/support/ProbeWindow.h"
#include "tests/support/Pump.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0x000000;

class SdlPresenterTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        std::string why;
        ASSERT_TRUE(StartSdlPresenter(&why)) << why;
        Drain();
        ResetKeyboardState();
        // 120 x 100: the left half white, the right half black.
        m_window = MakeProbe(&m_probe, L"presented", RECT{0, 0, 120, 100});
        ASSERT_NE(m_window, nullptr);
        ShowWindow(m_window, SW_SHOWNORMAL);
        PumpPending();
        HDC dc = GetDC(m_window);
        const RECT left{0, 0, 60, 100};
        FillRect(dc, &left, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        ReleaseDC(m_window, dc);
        m_probe.seen.clear();
    }
    void TearDown() override {
        DestroyWindow(m_window);
        StopSdlPresenter();
        Drain();
    }

    // The colour at a point of the SDL window once the SDL thread has drawn what it was asked to.
    std::uint32_t Pixel(int x, int y) {
        std::uint32_t rgb = 0xDEAD;
        SdlPresenterRun([] {});
        EXPECT_TRUE(SdlPresenterPixel(x, y, &rgb)) << x << "," << y;
        return rgb;
    }
    void Push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1); }
    void Click(Uint32 type, int x, int y) {
        SDL_Event event{};
        event.type = type;
        event.button.windowID = SdlPresenterWindowId();
        event.button.button = SDL_BUTTON_LEFT;
        event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.button.x = x;
        event.button.y = y;
        Push(event);
    }
    // A key pressed (+) or released (-), or the desktop's text for the last key pressed.
    void Key(int signedCode, const char* text = nullptr) {
        SDL_Event event{};
        event.type = text != nullptr ? SDL_TEXTINPUT : signedCode > 0 ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.keysym.scancode = static_cast<SDL_Scancode>(signedCode > 0 ? signedCode : -signedCode);
        if (text != nullptr) std::strcpy(event.text.text, text);
        Push(event);
    }
    // Waits until the window got `count` messages of these numbers.
    std::vector<Seen> Await(std::initializer_list<UINT> messages, size_t count) {
        PumpUntil([&] { return m_probe.Only(messages).size() >= count; }, 5.0);
        return m_probe.Only(messages);
    }

    Probe m_probe;
    HWND m_window = nullptr;
};

TEST_F(SdlPresenterTest, TheFrameReachesTheWindowAndScalesWithIt) {
    ASSERT_NE(SdlPresenterWindowId(), 0u);
    EXPECT_EQ(Pixel(10, 50), kWhite);
    EXPECT_EQ(Pixel(110, 50), kBlack);

    // Twice the size: the picture doubles.
    ASSERT_TRUE(SdlPresenterResize(240, 200));
    EXPECT_EQ(Pixel(110, 100), kWhite);
    EXPECT_EQ(Pixel(130, 100), kBlack);

    // A later paint of a part reaches the window too.
    HDC dc = GetDC(m_window);
    const RECT corner{100, 0, 120, 20};
    FillRect(dc, &corner, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(m_window, dc);
    EXPECT_EQ(Pixel(230, 10), kWhite);
}

// The SDL window's whole surface once the SDL thread has drawn what it was asked to.
std::vector<std::uint32_t> WindowPicture() {
    std::vector<std::uint32_t> picture;
    const std::uint32_t id = SdlPresenterWindowId();
    SdlPresenterRun([&] {
        SDL_Surface* surface = SDL_GetWindowSurface(SDL_GetWindowFromID(id));
        if (surface == nullptr || surface->format->BytesPerPixel != 4) return;
        for (int y = 0; y < surface->h; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const Uint8*>(surface->pixels) + y * surface->pitch);
            picture.insert(picture.end(), row, row + surface->w);
        }
    });
    return picture;
}

TEST_F(SdlPresenterTest, PresentingThePaintedPartsGivesTheWholePicture) {
    // Unscaled, scaled by a fraction with margins, doubled.
    for (const SIZE size : {SIZE{120, 100}, SIZE{173, 150}, SIZE{240, 200}}) {
        ASSERT_TRUE(SdlPresenterResize(size.cx, size.cy));
        HDC dc = GetDC(m_window);
        // Black into the white half, white across the middle and into the black half.
        for (const RECT part : {RECT{3, 5, 4, 6}, RECT{57, 40, 63, 47}, RECT{100, 90, 120, 100}}) {
            FillRect(dc, &part, static_cast<HBRUSH>(GetStockObject(part.left < 50 ? BLACK_BRUSH : WHITE_BRUSH)));
            // Each paint is presented by itself: only its part goes to the window.
            CurrentPresenter().Painted(m_window, part);
            SdlPresenterRun([] {});
        }
        const std::vector<std::uint32_t> parts = WindowPicture();
        ReleaseDC(m_window, dc);
        ASSERT_TRUE(SdlPresenterResize(size.cx, size.cy));  // presents the whole picture
        EXPECT_EQ(parts, WindowPicture()) << size.cx << " x " << size.cy;
    }
}

// Paints go straight into the surface or, scaled or through resizes, from a copy; the window shows them.
TEST_F(SdlPresenterTest, ThePictureFollowsTheFramebufferThroughResizes) {
    const SIZE clientThenWindow[][2] = {{{120, 100}, {240, 200}}, {{120, 100}, {120, 100}}, {{150, 130}, {0, 0}},
                                        {{150, 130}, {173, 150}}, {{100, 90}, {0, 0}},      {{100, 90}, {100, 90}}};
    for (const auto& [client, window] : clientThenWindow) {  // window {0, 0}: it follows the client
        ASSERT_TRUE(MoveWindow(m_window, 0, 0, client.cx, client.cy, FALSE));
        ASSERT_TRUE(window.cx == 0 || SdlPresenterResize(window.cx, window.cy)) << window.cx;
        HDC dc = GetDC(m_window);
        for (const RECT part : {RECT{1, 2, 9, 7}, RECT{30, 20, 95, 60}, RECT{client.cx - 7, client.cy - 3, client.cx, client.cy}}) {
            FillRect(dc, &part, static_cast<HBRUSH>(GetStockObject(part.left < 50 ? BLACK_BRUSH : WHITE_BRUSH)));
            CurrentPresenter().Painted(m_window, part);
        }
        ReleaseDC(m_window, dc);
        if (window.cx != 0 && window.cx != client.cx) continue;  // scaled: the tests above look at it
        std::vector<std::uint32_t> expected(static_cast<size_t>(client.cx * client.cy));
        CopyFramebuffer(m_window, RECT{0, 0, client.cx, client.cy}, expected.data(), expected.size());
        std::vector<std::uint32_t> shown = WindowPicture();
        for (std::uint32_t& pixel : shown) pixel &= 0x00FFFFFF;
        EXPECT_EQ(shown, expected) << client.cx;
    }
}

TEST_F(SdlPresenterTest, AClickArrivesAtTheClientPointUnderIt) {
    ASSERT_TRUE(SdlPresenterResize(240, 200));
    Click(SDL_MOUSEBUTTONDOWN, 101, 61);
    Click(SDL_MOUSEBUTTONUP, 30, 199);
    std::vector<Seen> pen = Await({WM_LBUTTONDOWN, WM_LBUTTONUP}, 2);
    ASSERT_EQ(pen.size(), 2u);
    EXPECT_EQ(pen[0].message, WM_LBUTTONDOWN);
    EXPECT_EQ(GET_X_LPARAM(pen[0].lParam), 50);
    EXPECT_EQ(GET_Y_LPARAM(pen[0].lParam), 30);
    EXPECT_EQ(pen[1].message, WM_LBUTTONUP);
    EXPECT_EQ(GET_X_LPARAM(pen[1].lParam), 15);
    EXPECT_EQ(GET_Y_LPARAM(pen[1].lParam), 99);

    // Wider than the picture: it stands centred, and the margins lie outside the client area.
    m_probe.seen.clear();
    ASSERT_TRUE(SdlPresenterResize(360, 100));
    EXPECT_EQ(Pixel(10, 50), kBlack) << "margin";
    EXPECT_EQ(Pixel(130, 50), kWhite);
    Click(SDL_MOUSEBUTTONDOWN, 10, 10);
    Click(SDL_MOUSEBUTTONDOWN, 130, 10);
    pen = Await({WM_LBUTTONDOWN}, 1);
    SdlPresenterRun([] {});
    PumpPending();
    pen = m_probe.Only({WM_LBUTTONDOWN});
    ASSERT_EQ(pen.size(), 1u) << "the click in the margin went nowhere";
    EXPECT_EQ(GET_X_LPARAM(pen[0].lParam), 10);
}

TEST_F(SdlPresenterTest, KeysTextAndClosingArriveAsMessages) {
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.windowID = SdlPresenterWindowId();
    key.key.keysym.scancode = SDL_SCANCODE_A;
    Push(key);
    key.type = SDL_KEYUP;
    Push(key);
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    text.text.windowID = key.key.windowID;
    std::strcpy(text.text.text, "가");
    Push(text);
    Await({WM_KEYDOWN, WM_KEYUP, WM_CHAR}, 4);
    // Closing is posted, ahead of any input still waiting: it comes last here.
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.windowID = key.key.windowID;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    Push(close);
    std::vector<Seen> seen = Await({WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_CLOSE}, 5);
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0].message, WM_KEYDOWN);
    EXPECT_EQ(seen[0].wParam, static_cast<WPARAM>('A'));
    EXPECT_EQ(seen[1].message, WM_CHAR) << "no text input runs: the key types";
    EXPECT_EQ(seen[1].wParam, static_cast<WPARAM>('a'));
    EXPECT_EQ(seen[2].message, WM_KEYUP);
    EXPECT_EQ(seen[3].message, WM_CHAR);
    EXPECT_EQ(seen[3].wParam, static_cast<WPARAM>(L'가'));
    EXPECT_EQ(seen[4].message, WM_CLOSE);
    EXPECT_FALSE(IsWindow(m_window)) << "closing destroyed it";
}

// With the panel shown the desktop sends text for each keystroke that types; for one taken as the
// Korean/Latin switch that text must not type too. Right Alt held with a key is AltGr: it types.
TEST_F(SdlPresenterTest, TheSwitchTypesNothingWhileThePanelIsShown) {
    ResetDevices();
    SipShowIM(SIPF_ON);
    enum : int { kShift = SDL_SCANCODE_LSHIFT, kSpace = SDL_SCANCODE_SPACE, kAltGr = SDL_SCANCODE_RALT };
    Key(kShift), Key(kSpace), Key(0, " "), Key(-kSpace), Key(-kShift);                 // to Hangul
    Key(kAltGr), Key(SDL_SCANCODE_Q), Key(0, "@"), Key(-SDL_SCANCODE_Q), Key(-kAltGr);  // types only
    Key(kAltGr), Key(-kAltGr);                                                          // to Latin
    Key(SDL_SCANCODE_A), Key(0, "a"), Key(-SDL_SCANCODE_A);
    SdlPresenterRun([] {});
    PumpPending();
    std::wstring typed;
    for (const Seen& seen : m_probe.Only({WM_CHAR, WM_IME_COMPOSITION})) {
        typed += seen.message == WM_CHAR ? static_cast<wchar_t>(seen.wParam) : L'#';
    }
    EXPECT_EQ(typed, L"@a");
    ResetDevices();
}

// Activation comes again whenever the desktop gives the window the focus or it is raised (a second
// start), not only at its first show.
TEST_F(SdlPresenterTest, TheDesktopsFocusAndRaisingActivateTheWindow) {
    SDL_Event focus{};
    focus.type = SDL_WINDOWEVENT;
    focus.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
    Push(focus);
    SetForegroundWindow(m_window);
    Await({WM_ACTIVATE}, 2);
    SdlPresenterRun([] {});
    PumpPending();
    const std::vector<Seen> seen = m_probe.Only({WM_ACTIVATE});
    EXPECT_EQ(seen.size(), 2u);
    for (const Seen& activate : seen) EXPECT_EQ(activate.wParam, WA_ACTIVE);
}

TEST_F(SdlPresenterTest, TheDeviceServicesReachTheWindow) {
    ResetDevices();
    SipShowIM(SIPF_ON);
    SdlPresenterRun([] {});
    EXPECT_TRUE(SdlPresenterTextInput()) << "the panel starts text input";
    SipShowIM(SIPF_OFF);
    SdlPresenterRun([] {});
    EXPECT_FALSE(SdlPresenterTextInput());

    NLED_SETTINGS_INFO led{};
    led.OffOnBlink = 1;
    NLedSetDevice(NLED_SETTINGS_INFO_ID, &led);
    SetForegroundWindow(m_window);
    SdlPresenterRun([] {});
    EXPECT_EQ(SdlPresenterFlashes(), 1);
    EXPECT_EQ(SdlPresenterRaises(), 1);

    // A WAV file plays through SDL audio; a missing or broken one plays nothing.
    testsupport::TempFolder folder;
    {
        // 8-bit mono at 8000 Hz, 800 samples of silence.
        const std::uint32_t samples = 800;
        std::ofstream out(folder.File("notice.wav"), std::ios::binary);
        auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
        auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
        out.write("RIFF", 4);
        u32(36 + samples);
        out.write("WAVEfmt ", 8);
        u32(16);
        u16(1);       // PCM
        u16(1);       // mono
        u32(8000);    // samples per second
        u32(8000);    // bytes per second
        u16(1);       // block alignment
        u16(8);       // bits per sample
        out.write("data", 4);
        u32(samples);
        out.write(std::string(samples, '\x80').data(), samples);
    }
    std::ofstream(folder.File("broken.wav")) << "RIFF nonsense";
    // SDL's audio is open only while a sound plays.
    auto audioOpen = [] {
        bool open = true;
        SdlPresenterRun([&] { open = SDL_WasInit(SDL_INIT_AUDIO) != 0; });
        return open;
    };
    const std::wstring notice = PathFromNative(folder.File("notice.wav"));
    EXPECT_FALSE(audioOpen());
    EXPECT_TRUE(sndPlaySoundW(notice.c_str(), SND_FILENAME | SND_ASYNC));
    EXPECT_TRUE(PumpUntil([&] { return !audioOpen(); }, 5.0));
    EXPECT_FALSE(sndPlaySoundW(PathFromNative(folder.File("broken.wav")).c_str(), SND_FILENAME | SND_ASYNC));
    // What cannot play is said once per file, by the path the desktop knows it by.
    testing::internal::CaptureStderr();
    for (int i = 0; i < 2; ++i) {
        EXPECT_FALSE(sndPlaySoundW(PathFromNative(folder.File("missing.wav")).c_str(), SND_FILENAME | SND_ASYNC));
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "sndPlaySoundW, " + folder.File("missing.wav") + " cannot be played.\n");
    // A device that cannot open is said once; no sound is tried again, on a device that would open.
    testing::internal::CaptureStderr();
    for (const char* driver : {"no-such-driver", "dummy", "dummy"}) {
        setenv("SDL_AUDIODRIVER", driver, 1);
        EXPECT_FALSE(sndPlaySoundW(notice.c_str(), SND_FILENAME | SND_ASYNC)) << driver;
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(said.rfind("tevrik: no sound", 0) == 0 && said.find('\n') == said.size() - 1) << said;
    EXPECT_FALSE(audioOpen());
    ResetDevices();
}

}  // namespace

namespace {

TEST(SdlPresenterStartTest, WithoutADisplayItSaysSoAndInstallsNothing) {
    setenv("SDL_VIDEODRIVER", "no-such-display", 1);
    std::string why;
    EXPECT_FALSE(StartSdlPresenter(&why));
    EXPECT_NE(why.find("no display"), std::string::npos) << why;
    EXPECT_NE(why.find("SDL_VIDEODRIVER=offscreen"), std::string::npos) << why;
    EXPECT_FALSE(CurrentPresenter().Visible()) << "still headless";
    StopSdlPresenter();
    unsetenv("SDL_VIDEODRIVER");
}

}  // namespace
