#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/windows/hangul.h"
#include "platform/windows/imm.h"
#include "platform/windows/input.h"
#include "platform/windows/window.h"
#include "tests/support/ProbeWindow.h"
#include "tests/support/Pump.h"

namespace {

// Types the keys into a composer: '<' is Backspace. Answers what was finished, then "|", then what
// is being composed.
std::wstring Compose(const std::wstring& keys) {
    HangulComposer composer;
    std::wstring finished;
    for (wchar_t key : keys) {
        if (key == L'<') {
            composer.Backspace();
            continue;
        }
        std::wstring committed;
        EXPECT_TRUE(composer.Feed(key, committed)) << static_cast<int>(key);
        finished += committed;
    }
    wchar_t composing = composer.Composing();
    return finished + L"|" + (composing != 0 ? std::wstring(1, composing) : L"");
}

TEST(HangulComposerTest, TwoSetLayoutComposesSyllables) {
    struct Case {
        const wchar_t* keys;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"gksrmf", L"한|글"},
        {L"dkssudgktpdy", L"안녕하세|요"},
        {L"gksk", L"하|나"},        // the final consonant opens the next syllable
        {L"dlfrj", L"일|거"},       // the second half of a double final moves
        {L"dlfr", L"|읽"},
        {L"rhkswl", L"관|지"},      // compound vowel
        {L"dmlwk", L"의|자"},
        {L"RkTdma", L"깠|음"},       // shifted doubles
        {L"Ekfm", L"따|르"},         // ㄸ opens a syllable but is never a final
        {L"kEk", L"ㅏ|따"},
        {L"GKS", L"|한"},            // other capitals type their small letter
        {L"qt", L"ㅂ|ㅅ"},           // two consonants without a vowel
        {L"kk", L"ㅏ|ㅏ"},
        {L"rhkt", L"|괏"},
        {L"rhktk", L"과|사"},
        {L"gks<", L"|하"},           // Backspace takes back one key at a time
        {L"rhks<<", L"|고"},
        {L"gks<<<", L"|"},
        {L"gksrm<<", L"한|"},
        {L"dlfr<j", L"이|러"},
    };
    for (const Case& c : cases) EXPECT_EQ(Compose(c.keys), c.expected) << c.keys;

    HangulComposer composer;
    std::wstring committed;
    EXPECT_FALSE(composer.Feed(L'1', committed));
    EXPECT_FALSE(composer.Feed(L' ', committed));
    EXPECT_FALSE(composer.Backspace()) << "nothing composed";
    EXPECT_EQ(composer.Flush(), L"");
    composer.Feed(L'g', committed);
    EXPECT_EQ(composer.Flush(), L"ㅎ");
    EXPECT_EQ(composer.Composing(), 0);
}

// What a window got, one readable line per message; keys by their code, characters as themselves.
std::vector<std::wstring> Lines(const Probe& probe) {
    std::vector<std::wstring> lines;
    for (const Seen& s : probe.seen) {
        std::wstring ch = s.wParam != 0 ? std::wstring(1, static_cast<wchar_t>(s.wParam)) : L"0";
        switch (s.message) {
            case WM_KEYDOWN: lines.push_back(L"down " + std::to_wstring(s.wParam)); break;
            case WM_KEYUP: lines.push_back(L"up " + std::to_wstring(s.wParam)); break;
            case WM_CHAR: lines.push_back(L"char " + std::to_wstring(s.wParam)); break;
            case WM_IME_STARTCOMPOSITION: lines.push_back(L"start"); break;
            case WM_IME_ENDCOMPOSITION: lines.push_back(L"end"); break;
            case WM_IME_COMPOSITION:
                lines.push_back((s.lParam == GCS_RESULTSTR        ? L"result "
                                 : s.lParam == kCompositionUpdate  ? L"compose "
                                 : s.lParam == kCompositionCleared ? L"cleared "
                                                                   : L"? ") +
                                ch);
                break;
            case WM_MOUSEMOVE:
            case WM_LBUTTONDOWN:
            case WM_LBUTTONUP:
                lines.push_back(std::wstring(s.message == WM_MOUSEMOVE ? L"move " : s.message == WM_LBUTTONDOWN ? L"pen down " : L"pen up ") +
                                std::to_wstring(GET_X_LPARAM(s.lParam)) + L"," + std::to_wstring(GET_Y_LPARAM(s.lParam)) +
                                (s.wParam == MK_LBUTTON ? L" held" : L""));
                break;
            default: break;
        }
    }
    return lines;
}

using L = std::vector<std::wstring>;

class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        Drain();
        ResetKeyboardState();
        m_window = MakeProbe(&m_probe, L"input", RECT{0, 0, 100, 80});
        ASSERT_NE(m_window, nullptr);
        m_probe.seen.clear();
    }
    void TearDown() override {
        DestroyWindow(m_window);
        ReleaseCapture();
        Drain();
    }

    void Native(bool on) {
        HIMC context = ImmGetContext(m_window);
        ASSERT_NE(context, nullptr);
        ASSERT_TRUE(ImmSetConversionStatus(context, on ? IME_CMODE_NATIVE : IME_CMODE_ALPHANUMERIC, 0));
        ImmReleaseContext(m_window, context);
    }
    DWORD Conversion() {
        DWORD conversion = 99;
        DWORD sentence = 99;
        EXPECT_TRUE(ImmGetConversionStatus(ImmGetContext(m_window), &conversion, &sentence));
        EXPECT_EQ(sentence, 0u);
        return conversion;
    }
    // Letters as their keys, '<' as Backspace, '\n' as Enter.
    void Type(const std::wstring& keys) {
        for (wchar_t key : keys) {
            UINT vk = key == L'<' ? VK_BACK : key == L'\n' ? VK_RETURN : static_cast<UINT>(std::towupper(key));
            InjectKeyPress(m_window, vk);
        }
    }
    // Runs the loop the program's way and answers the lines the window got, forgetting them.
    L Take() {
        PumpPending();
        L lines = Lines(m_probe);
        m_probe.seen.clear();
        return lines;
    }

    Probe m_probe;
    HWND m_window = nullptr;
};

TEST_F(InputTest, KeysTranslateToCharactersOnlyForWhatTypes) {
    struct Case {
        std::vector<UINT> held;
        UINT key;
        L expected;  // after the key's own down and up
    };
    const Case cases[] = {
        {{}, 'A', {L"down 65", L"char 97", L"up 65"}},
        {{VK_SHIFT}, 'A', {L"down 65", L"char 65", L"up 65"}},
        {{VK_SHIFT}, '1', {L"down 49", L"char 33", L"up 49"}},
        {{VK_LSHIFT}, VK_OEM_2, {L"down 191", L"char 63", L"up 191"}},
        {{VK_CONTROL}, 'A', {L"down 65", L"up 65"}},
        {{VK_LMENU}, 'X', {L"down 88", L"up 88"}},
        {{VK_CONTROL}, VK_RETURN, {L"down 13", L"up 13"}},
        {{}, VK_BACK, {L"down 8", L"char 8", L"up 8"}},
        {{VK_SHIFT}, VK_TAB, {L"down 9", L"char 9", L"up 9"}},
        {{}, VK_RETURN, {L"down 13", L"char 13", L"up 13"}},
        {{}, VK_ESCAPE, {L"down 27", L"char 27", L"up 27"}},
        {{}, VK_DELETE, {L"down 46", L"up 46"}},
        {{}, VK_LEFT, {L"down 37", L"up 37"}},
        {{}, VK_SPACE, {L"down 32", L"char 32", L"up 32"}},
    };
    for (const Case& c : cases) {
        for (UINT key : c.held) InjectKey(m_window, key, true);
        Take();
        InjectKeyPress(m_window, c.key);
        EXPECT_EQ(Take(), c.expected) << c.key;
        for (UINT key : c.held) InjectKey(m_window, key, false);
        Take();
    }

    InjectKeyPress(m_window, VK_CAPITAL);
    Take();
    InjectKeyPress(m_window, 'Q');
    EXPECT_EQ(Take(), (L{L"down 81", L"char 81", L"up 81"})) << "Caps Lock";
    InjectKeyPress(m_window, VK_CAPITAL);
    Take();

    InjectKey(m_window, 'A', true);
    InjectKey(m_window, 'A', true);
    EXPECT_EQ(Take(), (L{L"down 65", L"char 97", L"down 65", L"char 97"})) << "auto-repeat types again";
    InjectKey(m_window, 'A', false);
    Take();

    // A key message the program makes up itself reads as unshifted.
    PostMessageW(m_window, WM_KEYDOWN, 'B', 1);
    EXPECT_EQ(Take(), (L{L"down 66", L"char 98"}));
}

TEST_F(InputTest, TextArrivesAsCharactersWithSurrogatePairsAndControlsDropped) {
    InjectText(m_window, U"a\x01\x7F\u0085\t\U0001F600가");
    EXPECT_EQ(Take(), (L{L"char 97", L"char 9", L"char 55357", L"char 56832", L"char 44032"}));

    // A key whose text follows separately (a desktop layout) types nothing by itself.
    InjectKey(m_window, 'A', true, true);
    InjectText(m_window, U"@");
    InjectKey(m_window, 'A', false, true);
    InjectKey(m_window, VK_RETURN, true, true);
    EXPECT_EQ(Take(), (L{L"down 65", L"char 64", L"up 65", L"down 13", L"char 13"}));
    InjectKey(m_window, VK_RETURN, false, true);
}

TEST_F(InputTest, NativeInputComposesHangulThroughTheInputMethodMessages) {
    EXPECT_EQ(Conversion(), IME_CMODE_ALPHANUMERIC) << "Latin input at first";
    Native(true);
    EXPECT_EQ(Conversion(), IME_CMODE_NATIVE);

    Type(L"gksk");
    const std::wstring p = std::to_wstring(VK_PROCESSKEY);
    EXPECT_EQ(Take(), (L{L"down " + p, L"start", L"compose ㅎ", L"up 71",   //
                         L"down " + p, L"compose 하", L"up 75",               //
                         L"down " + p, L"compose 한", L"up 83",               //
                         L"down " + p, L"result 하", L"compose 나", L"up 75"}));

    // Backspace takes back one key at a time, then works as itself again.
    Type(L"<<<");
    EXPECT_EQ(Take(), (L{L"down " + p, L"compose ㄴ", L"up 8",                 //
                         L"down " + p, L"cleared 0", L"end", L"up 8",          //
                         L"down 8", L"char 8", L"up 8"}));

    // Any other key finishes the syllable before it arrives.
    Type(L"rk\n");
    EXPECT_EQ(Take(), (L{L"down " + p, L"start", L"compose ㄱ", L"up 82",      //
                         L"down " + p, L"compose 가", L"up 75",                //
                         L"result 가", L"end", L"down 13", L"char 13", L"up 13"}));

    // So does the pen going down, and switching to Latin input.
    Type(L"d");
    InjectClick(m_window, 5, 6);
    Type(L"r");
    Native(false);
    EXPECT_EQ(Take(), (L{L"down " + p, L"start", L"compose ㅇ", L"up 68",      //
                         L"result ㅇ", L"end", L"pen down 5,6 held", L"pen up 5,6",  //
                         L"down " + p, L"start", L"compose ㄱ", L"up 82",      //
                         L"result ㄱ", L"end"}));
    Type(L"g");
    EXPECT_EQ(Take(), (L{L"down 71", L"char 103", L"up 71"}));

    // Text typed while native composes too (the desktop's own layout types Latin letters).
    Native(true);
    InjectText(m_window, U"gk1");
    EXPECT_EQ(Take(), (L{L"start", L"compose ㅎ", L"compose 하", L"result 하", L"end", L"char 49"}));
}

TEST_F(InputTest, TheHangulKeyRightAltAndShiftSpaceSwitchInputAndTypeNothing) {
    const UINT keys[] = {VK_HANGUL, VK_RMENU};
    for (UINT key : keys) {
        InjectKeyPress(m_window, key);
        EXPECT_EQ(Take(), L{});
        EXPECT_EQ(Conversion(), IME_CMODE_NATIVE) << key;
        InjectKeyPress(m_window, key);
        EXPECT_EQ(Conversion(), IME_CMODE_ALPHANUMERIC) << key;
    }
    InjectKey(m_window, VK_SHIFT, true);
    InjectKeyPress(m_window, VK_SPACE);
    EXPECT_EQ(Conversion(), IME_CMODE_NATIVE);
    Type(L"r");
    InjectKeyPress(m_window, VK_SPACE);
    InjectKey(m_window, VK_SHIFT, false);
    const std::wstring p = std::to_wstring(VK_PROCESSKEY);
    EXPECT_EQ(Take(), (L{L"down 16", L"down " + p, L"start", L"compose ㄲ", L"up 82", L"result ㄲ", L"end",
                         L"up 16"}))
        << "switching back finishes the composition; Shift+R is the double consonant";
    EXPECT_EQ(Conversion(), IME_CMODE_ALPHANUMERIC);
}

TEST_F(InputTest, ADesktopPreeditMapsOntoTheSameMessages) {
    InjectPreedit(m_window, U"ㅎ");
    InjectPreedit(m_window, U"하");
    InjectText(m_window, U"하!");
    InjectPreedit(m_window, U"ㄱ");
    InjectPreedit(m_window, U"");
    EXPECT_EQ(Take(), (L{L"start", L"compose ㅎ", L"compose 하", L"result 하", L"end", L"char 33",  //
                         L"start", L"compose ㄱ", L"cleared 0", L"end"}));
}

TEST_F(InputTest, PenMessagesStayInTheWindowUnlessCaptured) {
    Probe otherProbe;
    HWND other = MakeProbe(&otherProbe, L"other", RECT{200, 50, 300, 150});
    otherProbe.seen.clear();

    EXPECT_FALSE(InjectPen(m_window, WM_MOUSEMOVE, 100, 10)) << "the right edge lies outside";
    EXPECT_FALSE(InjectPen(m_window, WM_LBUTTONDOWN, -1, 10));
    EXPECT_FALSE(InjectPen(m_window, WM_KEYDOWN, 1, 1));
    EXPECT_TRUE(InjectPen(m_window, WM_LBUTTONDOWN, 99, 79));
    EXPECT_EQ(SetCapture(m_window), nullptr);
    EXPECT_EQ(GetCapture(), m_window);
    EXPECT_TRUE(InjectPen(m_window, WM_MOUSEMOVE, 150, -20));
    EXPECT_TRUE(InjectPen(m_window, WM_MOUSEMOVE, 40000, -40000));
    EXPECT_TRUE(InjectPen(other, WM_MOUSEMOVE, 10, 10)) << "over another window, still to the capture";
    EXPECT_TRUE(InjectPen(other, WM_LBUTTONUP, 10, 10));
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_TRUE(InjectPen(other, WM_MOUSEMOVE, 10, 10));
    EXPECT_EQ(Take(), (L{L"pen down 99,79 held", L"move 150,-20 held", L"move 32767,-32768 held",
                         L"move 210,60 held", L"pen up 210,60"}));
    EXPECT_EQ(Lines(otherProbe), (L{L"move 10,10"}));

    SetCapture(other);
    DestroyWindow(other);
    EXPECT_EQ(GetCapture(), nullptr) << "a window that goes loses the capture";
}

}  // namespace
