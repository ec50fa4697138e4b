// The edit control through the real loop: keys, text, the two-set Hangul composer, the pen and the
// edit-selection messages are posted to the main window and routed to the edit as the focus view.
#include "framework/controls/QeEdit.h"

#include <functional>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "framework/base/QePathTable.h"
#include "framework/ui/drawing/QeImage.h"
#include "platform/windows/imm.h"
#include "platform/windows/input.h"
#include "platform/screen/presenter.h"
#include "platform/windows/window.h"
#include "tests/framework/edit_text_fixture.h"
#include "tests/framework/test_skin.h"
#include "tests/support/AppRig.h"
#include "tests/support/Golden.h"
#include "tests/support/Pump.h"

namespace {

using namespace edit_text;

// The edit's parent: every notification with the event arguments stored for it.
struct Parent : QeWindow {
    struct Event {
        int code;
        int32_t first;
        int32_t second;
        bool operator==(const Event&) const = default;
    };
    std::vector<Event> events;
    QeWindow* from = nullptr;
    int OnNotify(QeWindow* child, int code) override {
        from = child;
        events.push_back({code, QeLastEventArgs().first, QeLastEventArgs().second});
        return 1;
    }
    // Only the codes, for the tests that care which events came.
    std::vector<int> Codes() const {
        std::vector<int> codes;
        for (const Event& e : events) codes.push_back(e.code);
        return codes;
    }
};

constexpr RECT kEditRect{10, 10, 210, 110};  // in the parent, which lies at (0, 0)

class EditTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.Valid());
        ASSERT_TRUE(m_rig.Start(L"Edit test", 240, 200));
        m_window = m_rig.Window();
        QePathTable::Instance()->SetRoot(0, m_dir.Path(L""));
        WriteEmoticons(m_dir);
        m_rig.Root().AddChild(&m_parent);
        m_parent.SetRect(RECT{0, 0, 240, 200});
        m_parent.SetVisible(true);
        m_edit = std::make_unique<QeEdit>();
        m_parent.AddChild(m_edit.get());
        ASSERT_TRUE(m_edit->Reset(TestStyle()));
        m_edit->SetRect(kEditRect);
        m_edit->SetVisible(true);
        m_edit->SetFocus(true);
        PumpPending();
        m_parent.events.clear();
    }
    void TearDown() override {
        m_parent.RemoveChild(m_edit.get());
        m_edit.reset();
        m_rig.Root().RemoveChild(&m_parent);
        m_rig.Stop();
    }

    void Type(const std::u32string& text) {
        if (text.empty()) return;
        ASSERT_TRUE(InjectText(m_window, text));
        PumpPending();
    }
    void Key(UINT key) {
        ASSERT_TRUE(InjectKeyPress(m_window, key));
        PumpPending();
    }
    // A tap at a point of the edit's content (the edit is not scrolled in these tests).
    void Tap(int x, int y) {
        ASSERT_TRUE(InjectClick(m_window, kEditRect.left + x, kEditRect.top + y));
        PumpPending();
    }
    void Native(bool on) {
        ASSERT_TRUE(ImmSetConversionStatus(ImmGetContext(m_window), on ? IME_CMODE_NATIVE : IME_CMODE_ALPHANUMERIC, 0));
        PumpPending();
    }
    // The selection as {glyphs before its start, begin anchor included; glyphs selected}.
    std::pair<int, int> Selection() {
        int first = 0;
        for (QeEditGlyph* g = m_edit->BeginAnchor(); g != m_edit->Selection().Start(); g = g->next) ++first;
        int selected = 0;
        for (QeEditGlyph* g = m_edit->Selection().Start()->next; g != m_edit->Selection().End(); g = g->next) {
            ++selected;
        }
        return {first, selected};
    }
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) {
        const LRESULT result = SendMessageW(m_window, message, wParam, lParam);
        PumpPending();
        return result;
    }

    FakeClock m_clock;  // before the framework: the frame clock and the caret's blink run on it
    TempDir m_dir;
    AppRig m_rig;
    HWND m_window = nullptr;
    Parent m_parent;
    std::unique_ptr<QeEdit> m_edit;
};

TEST_F(EditTest, TypingBackspaceAndTheCharactersThatDeleteTheSelection) {
    Type(U"Hello");
    EXPECT_EQ(m_edit->GetText(), L"Hello");
    EXPECT_EQ(Selection(), (std::pair{5, 0})) << "the caret after the last letter";
    Key(VK_BACK);
    Key(VK_RETURN);
    Type(U"w");
    EXPECT_EQ(m_edit->GetText(), L"Hell\nw");
    // Tab and Escape delete the selection and reach the parent as character 0.
    m_edit->SetText(L"abc");
    m_edit->Selection().Set(m_edit->BeginAnchor(), m_edit->EndAnchor());
    m_parent.events.clear();
    Key(VK_TAB);
    EXPECT_EQ(m_edit->GetText(), L"");
    EXPECT_EQ(m_parent.events, (std::vector<Parent::Event>{{3, VK_TAB, 0}, {6, 0, 0}, {4, VK_TAB, 0}}));
    EXPECT_EQ(m_parent.from, m_edit.get());
    Type(U"x");
    Key(VK_ESCAPE);
    EXPECT_EQ(m_edit->GetText(), L"x") << "nothing selected, nothing deleted";
    // Backspace right after the begin anchor deletes nothing.
    Key(VK_BACK);
    Key(VK_BACK);
    EXPECT_EQ(m_edit->GetText(), L"");
    EXPECT_EQ(Selection(), (std::pair{0, 0}));
}

TEST_F(EditTest, ThePenPlacesTheCaretAndTheCaretFollowsTheText) {
    Type(U"abcdef\rxy");
    // Letters are 8 wide: x 20 is on "c", so the caret goes before it.
    const struct {
        POINT at;
        std::u32string typed;
        const wchar_t* expected;
        std::pair<int, int> caret;  // after typing
    } cases[] = {
        {{20, 5}, U"Z", L"abZcdef\nxy", {3, 0}},
        {{0, 5}, U"<", L"<abZcdef\nxy", {1, 0}},           // on the begin anchor: after it
        {{150, 5}, U"!", L"<abZcdef\nxy!", {12, 0}},        // beyond the line: before the end anchor
        {{3, 20}, U"-", L"<abZcdef\n-xy!", {10, 0}},        // on "x" in the second line
        {{150, 60}, U"", L"<abZcdef\n-xy!", {13, 0}},       // below the text
    };
    for (const auto& c : cases) {
        Tap(c.at.x, c.at.y);
        Type(c.typed);
        EXPECT_EQ(m_edit->GetText(), c.expected);
        EXPECT_EQ(Selection(), c.caret) << c.at.x << "," << c.at.y;
    }
    // A drag scrolls; it selects nothing.
    ASSERT_TRUE(InjectPen(m_window, WM_LBUTTONDOWN, kEditRect.left + 4, kEditRect.top + 4));
    ASSERT_TRUE(InjectPen(m_window, WM_MOUSEMOVE, kEditRect.left + 60, kEditRect.top + 4));
    ASSERT_TRUE(InjectPen(m_window, WM_LBUTTONUP, kEditRect.left + 60, kEditRect.top + 4));
    PumpPending();
    EXPECT_EQ(Selection().second, 0);
}

TEST_F(EditTest, NewGlyphsTakeTheStyleSelectedInTheFontCache) {
    Type(U"a");
    // The chat transcript styles each line this way.
    QeTextStyle boldRed = TestStyle();
    boldRed.font.weight = 700;
    boldRed.textColor = RGB(255, 0, 0);
    ASSERT_TRUE(m_edit->Fonts().Select(boldRed));
    Type(U"b");
    m_edit->InsertText(L"c\n");
    ASSERT_TRUE(m_edit->InsertImage(Still()));
    // A tap before "b" takes the style of "a" again.
    Tap(kLatin + 1, 5);
    Type(U"d");
    std::string styles;  // per glyph between the anchors: its weight and text colour
    for (QeEditGlyph* g = m_edit->BeginAnchor()->next; g != m_edit->EndAnchor(); g = g->next) {
        const QeTextStyle& style = g->style->Style();
        styles += GlyphChar(g) + ":" + std::to_string(style.font.weight) + (style.textColor == RGB(255, 0, 0) ? "r " : "w ");
    }
    EXPECT_EQ(styles, "a:0w d:0w b:700r c:700r /:700r S:700r ");
}

TEST_F(EditTest, MaxInputDropsWhatDoesNotFit) {
    m_edit->SetMaxInput(3);
    Type(U"abcd");
    EXPECT_EQ(m_edit->GetText(), L"abc");
    Key(VK_BACK);
    Type(U"de");
    EXPECT_EQ(m_edit->GetText(), L"abd");
    EXPECT_EQ(m_edit->InsertImage(Still()), 0) << "an emoticon is a glyph too";
    // Replacing a selection frees its room first.
    m_edit->Selection().Set(m_edit->BeginAnchor(), m_edit->EndAnchor());
    EXPECT_EQ(m_edit->InsertImage(Still()), 1);
    EXPECT_EQ(m_edit->GetText(), L"(s)");
    Type(U"123456");
    EXPECT_EQ(m_edit->GetText(), L"(s)12");
}

TEST_F(EditTest, StylesFilterTheText) {
    const struct {
        uint32_t styles;
        const wchar_t* inserted;
        const wchar_t* text;
        int glyphs;
    } cases[] = {
        {QeEdit::kNumberOnly, L"a1b2", L"12", 2},
        {QeEdit::kSingleLine, L"one\ntwo\r\nthree", L"onetwothree", 11},
        // A CR LF pair is one break.
        {0, L"one\r\ntwo\rthree\n", L"one\ntwo\nthree\n", 14},
        {QeEdit::kPassword, L"pw", L"pw", 2},
    };
    for (const auto& c : cases) {
        m_edit->SetStyles(c.styles);
        m_edit->SetText(c.inserted);
        EXPECT_EQ(m_edit->GetText(), c.text);
        EXPECT_EQ(static_cast<int>(m_edit->GlyphCount()), c.glyphs);
    }
    // Password shows dots.
    const QeEditGlyphText* p = QeAsText(m_edit->BeginAnchor()->next);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Shown(), 0x25CFu);
    EXPECT_EQ(m_edit->Layout().Paragraphs()[0]->lines[0]->runs[0].text, L"\u25CF\u25CF");
    m_edit->SetStyles(QeEdit::kSingleLine);
    EXPECT_FALSE(m_edit->AxisY().IsDragEnabled()) << "a single line does not drag vertically";
    EXPECT_FALSE(m_edit->AxisX().IsDragEnabled()) << "no edit drags sideways";
}

TEST_F(EditTest, ReadOnlyKeepsItsTextAndStillReportsKeys) {
    m_edit->SetText(L"fixed");
    m_edit->SetStyles(QeEdit::kReadOnly);
    m_edit->Selection().Set(m_edit->BeginAnchor(), m_edit->EndAnchor());
    m_parent.events.clear();
    Type(U"x");
    Key(VK_BACK);
    Key(VK_DELETE);
    Tap(12, 5);
    wchar_t text[] = L"new";
    Send(EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text));
    Send(EM_SETSEL, 2, 3);
    EXPECT_EQ(m_edit->GetText(), L"fixed");
    EXPECT_EQ(Selection(), (std::pair{0, 5})) << "the selection did not move";
    // Keys and characters still reach the parent; the Delete key's code 3 among them.
    const std::vector<int> codes = m_parent.Codes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 3), 2);
    EXPECT_NE(std::find(m_parent.events.begin(), m_parent.events.end(), Parent::Event{3, VK_DELETE, 0}),
              m_parent.events.end());
}

TEST_F(EditTest, DeleteTakesTheSelectionOrTheGlyphAfterTheCaret) {
    m_edit->SetText(L"abcdef");
    Send(EM_SETSEL, 2, 4);  // start after "a", two glyphs on: "bc" selected
    EXPECT_EQ(Selection(), (std::pair{1, 2}));
    Key(VK_DELETE);
    EXPECT_EQ(m_edit->GetText(), L"adef");
    Key(VK_DELETE);
    EXPECT_EQ(m_edit->GetText(), L"aef");
    Send(EM_SETSEL, 4, 4);  // the caret before the end anchor
    Key(VK_DELETE);
    EXPECT_EQ(m_edit->GetText(), L"aef") << "never past the end anchor";
}

TEST_F(EditTest, TheHintShowsWhileEmptyAndUnfocused) {
    TestSkin skin(L"<Edit><TextGuide><Text>검색</Text><FontSize>12</FontSize></TextGuide></Edit>");
    ASSERT_TRUE(m_edit->Load(skin.First()));
    EXPECT_EQ(m_edit->Hint().Text().Text(), L"검색");
    EXPECT_FALSE(m_edit->Hint().IsVisible()) << "focused";
    m_parent.SetFocus(true);
    EXPECT_TRUE(m_edit->Hint().IsVisible());
    m_edit->SetText(L"a");
    EXPECT_FALSE(m_edit->Hint().IsVisible()) << "not empty";
    m_edit->SetText(L"");
    EXPECT_TRUE(m_edit->Hint().IsVisible());
    // A tap on the hint focuses the edit, and the parent hears it from the edit.
    m_parent.events.clear();
    Tap(50, 50);
    EXPECT_TRUE(m_edit->HasFocus());
    EXPECT_FALSE(m_edit->Hint().IsVisible());
    EXPECT_EQ(m_parent.Codes(), (std::vector<int>{0, 1}));
    EXPECT_EQ(m_parent.from, m_edit.get());
    Type(U"q");
    Key(VK_BACK);
    EXPECT_FALSE(m_edit->Hint().IsVisible()) << "empty again, but focused";
    m_edit->SetVisible(false);
    m_parent.SetFocus(true);
    m_edit->SetVisible(true);
    EXPECT_TRUE(m_edit->Hint().IsVisible());
}

TEST_F(EditTest, TheTwoSetComposerWritesKorean) {
    Native(true);
    // Each step's text and selection: the syllable being composed stays selected.
    const struct {
        char32_t key;
        const wchar_t* text;
        std::pair<int, int> selection;
    } steps[] = {
        {U'g', L"ㅎ", {0, 1}},   {U'k', L"하", {0, 1}},     {U's', L"한", {0, 1}},
        {U'r', L"한ㄱ", {1, 1}}, {U'm', L"한그", {1, 1}},   {U'f', L"한글", {1, 1}},
        {U'k', L"한그라", {2, 1}},  // the vowel takes the final consonant
    };
    for (const auto& s : steps) {
        Type(std::u32string(1, s.key));
        EXPECT_EQ(m_edit->GetText(), s.text) << static_cast<char>(s.key);
        EXPECT_EQ(Selection(), s.selection) << static_cast<char>(s.key);
    }
    // A space finishes the syllable: the committed character replaces the selection.
    Type(U" ");
    EXPECT_EQ(m_edit->GetText(), L"한그라 ");
    EXPECT_EQ(Selection(), (std::pair{4, 0}));
    Native(false);
    Type(U"ok");
    EXPECT_EQ(m_edit->GetText(), L"한그라 ok");
    // Kind 0 (neither a composition string nor a deletion) changes nothing; the parent hears of
    // every step with its character and kind.
    m_parent.events.clear();
    Send(WM_IME_COMPOSITION, L'가', 0);
    Send(WM_IME_COMPOSITION, L'가', kCompositionUpdate);
    Send(WM_IME_COMPOSITION, 0, kCompositionCleared);
    EXPECT_EQ(m_edit->GetText(), L"한그라 ok");
    EXPECT_EQ(m_parent.events, (std::vector<Parent::Event>{{5, L'가', 0}, {5, L'가', 1}, {5, 0, 2}}));
}

TEST_F(EditTest, BackspaceInsideACompositionTakesBackItsKeys) {
    m_edit->SetText(L"x");
    Native(true);
    Type(U"gks");
    EXPECT_EQ(m_edit->GetText(), L"x한");
    const wchar_t* expected[] = {L"x하", L"xㅎ", L"x", L"", L""};
    for (const wchar_t* text : expected) {
        Key(VK_BACK);
        EXPECT_EQ(m_edit->GetText(), text);
    }
    EXPECT_EQ(Selection(), (std::pair{0, 0}));
    // Composing at the maximum selects nothing that was not inserted.
    m_edit->SetText(L"ab");
    m_edit->SetMaxInput(2);
    Type(U"g");
    EXPECT_EQ(m_edit->GetText(), L"ab");
    EXPECT_EQ(Selection(), (std::pair{2, 0}));
    Type(U"k");
    EXPECT_EQ(m_edit->GetText(), L"ab");
    EXPECT_EQ(Selection(), (std::pair{2, 0}));
}

TEST_F(EditTest, ACharacterBeyond16BitsIsOneGlyph) {
    Type(U"a\U0001F600b");  // the smile arrives as two WM_CHARs
    EXPECT_EQ(m_edit->GetText(), L"a\U0001F600b");
    EXPECT_EQ(m_edit->GlyphCount(), 3u);
    Key(VK_BACK);
    Key(VK_BACK);
    EXPECT_EQ(m_edit->GetText(), L"a");
    // A pair inside a text joins too; Delete takes it whole.
    m_edit->SetText(std::wstring{L'x', wchar_t(0xD83D), wchar_t(0xDE00), L'y'});
    EXPECT_EQ(m_edit->GlyphCount(), 3u);
    Send(EM_SETSEL, 2, 2);
    Key(VK_DELETE);
    EXPECT_EQ(m_edit->GetText(), L"xy");
    // Lone halves read back as U+FFFD, never as themselves.
    m_edit->SetText(std::wstring{wchar_t(0xDE00), L'z'});
    Send(WM_CHAR, 0xD83D, 0);
    Send(WM_CHAR, L'!', 0);
    EXPECT_EQ(m_edit->GetText(), L"\uFFFDz\uFFFD!");
}

TEST_F(EditTest, TheSelectionMessages) {
    m_edit->SetText(L"abcdef");
    DWORD first = 99, last = 99;
    // The caret after "f": six glyphs before its start glyph "f", one step to the end anchor.
    LRESULT result = Send(EM_GETSEL, reinterpret_cast<WPARAM>(&first), reinterpret_cast<LPARAM>(&last));
    EXPECT_EQ(first, 6u);
    EXPECT_EQ(last, 7u);
    EXPECT_EQ(result, (7 << 16) | 6);
    const struct {
        int32_t first;
        int32_t last;
        std::pair<int, int> selection;
    } cases[] = {
        {1, 1, {0, 0}},      // the caret at the start
        {3, 5, {2, 2}},      // "cd"
        {2, 100, {1, 5}},    // to the end anchor at most
        {7, 7, {6, 0}},      // the caret at the end
        {8, 8, {6, 0}},      // start would be the end anchor: unchanged
        {20, 21, {6, 0}},    // off the list: unchanged
        {0, 3, {6, 0}},      // a start of 0 or less: unchanged
        {-1, 0, {6, 0}},
        {3, 2, {2, 0}},      // last before first: a caret
    };
    for (const auto& c : cases) {
        Send(EM_SETSEL, static_cast<WPARAM>(c.first), static_cast<LPARAM>(c.last));
        EXPECT_EQ(Selection(), c.selection) << c.first << ".." << c.last;
    }
    Send(EM_SETSEL, 3, 5);
    // Null pointers are not written through; the result still says it.
    EXPECT_EQ(Send(EM_GETSEL, 0, 0), (5 << 16) | 2);
    wchar_t text[] = L"XY\r\nZ";
    Send(EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(m_edit->GetText(), L"abXY\nZef");
    Send(EM_REPLACESEL, 0, 0);
    EXPECT_EQ(m_edit->GetText(), L"abXY\nZef");
}

TEST_F(EditTest, DeletedEmoticonsLeaveTheAnimator) {
    ASSERT_TRUE(m_edit->Animator().IsRunning()) << "shown";
    ASSERT_EQ(m_edit->InsertImage(Animated()), 1);
    ASSERT_EQ(m_edit->InsertImage(Still()), 1);
    ASSERT_EQ(m_edit->InsertImage(Emoticon(L"missing.gif", L"(m)")), 0);
    ASSERT_EQ(m_edit->InsertImage(Animated()), 1);
    EXPECT_EQ(m_edit->Pictures().AnimatedGlyphs(), 2u);
    EXPECT_EQ(m_edit->GetText(), L"(a)(s)(a)");
    Key(VK_BACK);
    EXPECT_EQ(m_edit->Pictures().AnimatedGlyphs(), 1u);
    // Ticks after the deletion touch only live glyphs.
    m_clock.Advance(50);
    ASSERT_TRUE(m_edit->Reset(TestStyle()));
    EXPECT_EQ(m_edit->Pictures().Count(), 0u);
    EXPECT_EQ(m_edit->GetText(), L"");
    m_clock.Advance(50);
    m_edit->SetVisible(false);
    EXPECT_FALSE(m_edit->Animator().IsRunning());
}

// The animator's timer wakes the program only while a fading caret or an animated picture needs it;
// the edit stays shown throughout.
TEST_F(EditTest, TheAnimatorTicksOnlyWhileSomethingAnimates) {
    QeEditAnimator& animator = m_edit->Animator();
    const struct {
        const char* step;
        std::function<void()> act;
        bool ticking;
    } steps[] = {
        {"shown with the focus", [] {}, true},
        {"read-only", [&] { m_edit->SetStyles(QeEdit::kReadOnly); }, false},
        {"writable again", [&] { m_edit->SetStyles(0); }, true},
        {"focus lost", [&] { m_edit->SetFocus(false); }, false},
        {"a still picture", [&] { m_edit->InsertImage(Still()); }, false},
        {"an animated picture", [&] { m_edit->InsertImage(Animated()); }, true},
        {"the pictures gone", [&] { m_edit->Reset(TestStyle()); }, false},
        {"focus back", [&] { m_edit->SetFocus(true); }, true},
        {"hidden", [&] { m_edit->SetVisible(false); }, false},
        {"shown", [&] { m_edit->SetVisible(true); }, true},
    };
    for (const auto& s : steps) {
        s.act();
        EXPECT_TRUE(animator.IsRunning() == m_edit->IsVisible()) << s.step;
        EXPECT_EQ(animator.IsTicking(), s.ticking) << s.step;
    }
}

TEST_F(EditTest, TheCaretFadesOnceASecond) {
    QeEditSelection selection;
    selection.caretColor = RGB(255, 255, 255);
    selection.Set(nullptr, nullptr);
    const DWORD t = selection.LastChange();
    const COLORREF back = RGB(0, 0, 0);
    // Kind 20 (exponential in-out) from the caret colour to the back colour.
    EXPECT_EQ(selection.CaretColorAt(t, back), RGB(255, 255, 255)) << "solid after a change";
    EXPECT_EQ(selection.CaretColorAt(t + 500, back), RGB(127, 127, 127));
    EXPECT_EQ(selection.CaretColorAt(t + 1000, back), RGB(0, 0, 0));
    EXPECT_EQ(selection.CaretColorAt(t + 1500, back), RGB(127, 127, 127)) << "the phase wraps";
    EXPECT_EQ(selection.CaretColorAt(t + 2000, back), RGB(255, 255, 255));
}

TEST_F(EditTest, LoadReadsTheSkin) {
    const struct {
        const wchar_t* effects;
        const wchar_t* indicator;
        const char* font;  // weight, italic, underline, strike-out
        // Right-aligned: the line ends at the layout's right edge, the width less the X
        // indicator's thickness (8 unless the skin says otherwise); at 200 and at 100 pixels wide.
        LONG right;
        LONG narrowRight;
    } cases[] = {
        {L"Bold Underline", L"", "700 0 1 0", 192, 92},
        {L"Italic StrikeOut", L"<XIndicator><Thick>20</Thick></XIndicator>", "0 1 0 1", 180, 80},
    };
    for (const auto& c : cases) {
        TestSkin skin(std::wstring(L"<Edit><FontSize>16</FontSize><BackColor>#102030</BackColor>"
                                   L"<TextColor>#405060</TextColor><FontEffects>") +
                      c.effects + L"</FontEffects>" + c.indicator +
                      L"<Styles>Password|SingleLine</Styles><Aligns>Right</Aligns><MaxInput>4</MaxInput>"
                      L"<Text>hello</Text></Edit>");
        m_edit->SetRect(kEditRect);
        ASSERT_EQ(m_edit->Load(skin.First()), 1);
        const QeTextStyle& style = m_edit->Fonts().Current()->Style();
        EXPECT_EQ(style.font.height, 16);
        EXPECT_EQ(std::to_string(style.font.weight) + " " + std::to_string(style.font.italic) + " " +
                      std::to_string(style.font.underline) + " " + std::to_string(style.font.strikeOut),
                  c.font);
        EXPECT_EQ(style.backColor, RGB(0x10, 0x20, 0x30));
        EXPECT_EQ(style.textColor, RGB(0x40, 0x50, 0x60));
        EXPECT_EQ(m_edit->Selection().caretColor, RGB(0x40, 0x50, 0x60));
        EXPECT_EQ(m_edit->Styles(), QeEdit::kPassword | QeEdit::kSingleLine);
        EXPECT_EQ(m_edit->Aligns(), 3u);
        EXPECT_EQ(m_edit->MaxInput(), 4u);
        EXPECT_EQ(m_edit->GetText(), L"hell");
        EXPECT_EQ(m_edit->Layout().Paragraphs()[0]->lines[0]->box.right, c.right) << c.effects;
        m_edit->SetRect(RECT{kEditRect.left, kEditRect.top, kEditRect.left + 100, kEditRect.bottom});
        EXPECT_EQ(m_edit->Layout().Paragraphs()[0]->lines[0]->box.right, c.narrowRight) << c.effects;
    }
    // Names handed out for the edit's objects go with its content.
    m_edit->NameMap()[L"name"] = nullptr;
    ASSERT_TRUE(m_edit->Reset(TestStyle()));
    EXPECT_TRUE(m_edit->NameMap().empty());
}

TEST_F(EditTest, TheScreenShowsTheTextTheBandAndTheBlinkingCaret) {
    Type(U"ab");
    auto at = [&](int x, int y) { return FramebufferPixel(m_window, kEditRect.left + x, kEditRect.top + y); };
    const COLORREF blue = RGB(0, 0, 255);
    const COLORREF white = RGB(255, 255, 255);
    // The run "ab" (16 x 16 at the top left): white letters blended over blue, nothing else.
    int letters = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const COLORREF c = at(x, y);
            ASSERT_TRUE(GetRValue(c) == GetGValue(c) && GetBValue(c) == 255) << x << "," << y;
            letters += GetRValue(c) >= 128;
        }
    }
    EXPECT_GT(letters, 20);
    EXPECT_EQ(at(100, 8), blue) << "the band after the line";
    EXPECT_EQ(at(100, 60), blue) << "below the text";
    // The caret: 2 pixels at the end anchor's left edge, solid after a change.
    EXPECT_EQ(at(16, 8), white);
    EXPECT_EQ(at(17, 8), white);
    EXPECT_EQ(at(18, 8), blue);
    // Half a second on it is half-way to the background; a second on it is gone.
    m_clock.Advance(500);
    EXPECT_EQ(at(16, 8), RGB(127, 127, 255));
    m_clock.Advance(500);
    EXPECT_EQ(at(16, 8), blue);
    EXPECT_EQ(at(195, 60), blue) << "beside the content, once the indicator has faded";
    m_clock.Advance(250);
    EXPECT_NE(at(16, 8), blue) << "and back";
    // Without the focus the caret is not seen.
    m_parent.SetFocus(true);
    PumpPending();
    EXPECT_EQ(at(16, 8), blue);
}

// The caret's timer sleeps through the flat ends of the fade, yet every 10 ms the screen shows
// what a timer ticking every 10 ms would have painted, also when a key comes while it sleeps.
TEST_F(EditTest, TheCaretTimerSleepsWhileItsColourStays) {
    auto at = [&](int x, int y) { return FramebufferPixel(m_window, kEditRect.left + x, kEditRect.top + y); };
    const COLORREF back = RGB(0, 0, 255);
    int asleep = 0;
    for (const char32_t* typed : {U"ab", U"c"}) {
        Type(typed);
        const QeEditSelection& selection = m_edit->Selection();
        const DWORD changed = selection.LastChange();
        for (DWORD ms = 10; ms <= 1050; ms += 10) {
            m_clock.Advance(10);
            ASSERT_EQ(at(selection.CaretRect().left, 8), selection.CaretColorAt(changed + ms, back)) << ms;
            asleep += m_edit->Animator().Skipping() ? 1 : 0;
        }
    }
    EXPECT_GT(asleep, 50);
}

TEST_F(EditTest, TheCaretIsKeptInView) {
    Type(U"1\r2\r3\r4\r5\r6\r7\r8");
    // Eight lines of 16 in a view of 100: the caret's line ends at the view's bottom.
    EXPECT_EQ(m_edit->AxisY().Position(), 100 - 8 * 16);
    // A tap on the view's top line (content y 28 + 5, the third line) and typing there keeps it.
    Tap(4, 5);
    Type(U"x");
    EXPECT_EQ(m_edit->GetText(), L"1\n2\nx3\n4\n5\n6\n7\n8");
    EXPECT_EQ(m_edit->AxisY().Position(), 100 - 8 * 16);
    // Back at the top.
    Send(EM_SETSEL, 1, 1);
    Type(U"y");
    EXPECT_EQ(m_edit->AxisY().Position(), 0);
    // Text given before the edit has a size (a skin's Text, then its _Rect) scrolls nothing.
    QeEdit unsized;
    unsized.SetText(L"1\n2\n3\n4\n5\n6\n7\n8");
    EXPECT_EQ(unsized.AxisY().Position(), 0);
    EXPECT_EQ(unsized.AxisX().Position(), 0);
}

// An animated picture is drawn again once for each new frame while a glyph of it lies in the view,
// and wakes nothing while none does; brought back into the view, it moves again.
TEST_F(EditTest, AnAnimatedPicturePresentsItsFramesOnlyWhereItIsSeen) {
    m_parent.SetFocus(true);  // no caret
    PumpPending();
    ASSERT_EQ(m_edit->InsertImage(Animated()), 1);
    ASSERT_EQ(m_edit->InsertImage(Animated()), 1);
    const QeImage* image = QeAsImage(m_edit->BeginAnchor()->next)->Picture()->Image().Image();
    ASSERT_NE(image, nullptr);
    struct Seen {
        int changes = 0, presents = 0, asleep = 0;  // frame changes, presents, ticks let pass
    };
    // A second on the test clock, once the scroll indicator has faded.
    auto watch = [&] {
        m_clock.Advance(1500);
        Seen seen;
        size_t frame = image->CurrentFrame();
        const long first = HeadlessPresents();
        for (int ms = 0; ms < 1000; ms += 10) {
            m_clock.Advance(10);
            seen.changes += image->CurrentFrame() != frame ? 1 : 0;
            frame = image->CurrentFrame();
            seen.asleep += m_edit->Animator().Skipping() ? 1 : 0;
        }
        seen.presents = static_cast<int>(HeadlessPresents() - first);
        return seen;
    };
    const Seen shown = watch();
    EXPECT_EQ(shown.changes, 10) << "two frames of 100 ms";
    EXPECT_EQ(shown.presents, shown.changes);
    m_edit->InsertText(L"\n1\n2\n3\n4\n5\n6\n7\n8");
    ASSERT_LT(m_edit->AxisY().Position(), -kAnimated.cy) << "scrolled out of view";
    const Seen hidden = watch();
    EXPECT_EQ(hidden.presents, 0);
    EXPECT_EQ(hidden.asleep, 100) << "no tick while nothing shown moves";
    m_edit->AxisY().SetPosition(0);
    m_edit->Invalidate(RECT{0, 0, 0, 0}, true);
    PumpPending();
    const Seen back = watch();
    EXPECT_EQ(back.presents, back.changes);
}

TEST_F(EditTest, ANewWidthBreaksTheLinesAgain) {
    m_edit->SetText(L"abcdefghijklmnopqrstuvwxyz0123");
    // 200 less the indicator's 8: 24 letters a line.
    EXPECT_EQ(Lines(m_edit->Layout()),
              (std::vector<std::string>{"0+16 0: ^abcdefghijklmnopqrstuvwx", "16+16 0: yz0123$"}));
    m_edit->SetRect(RECT{10, 10, 98, 110});
    EXPECT_EQ(Lines(m_edit->Layout()), (std::vector<std::string>{"0+16 0: ^abcdefghij", "16+16 0: klmnopqrst",
                                                                  "32+16 0: uvwxyz0123", "48+16 0: $"}));
    EXPECT_EQ(m_edit->AxisY().ContentSize(), 64);
}

TEST_F(EditTest, ASingleLineFieldShowsItsTextWhereItShowsItsHint) {
    TestSkin skin(L"<Edit><FontSize>20</FontSize><BackColor>#102030</BackColor><TextColor>#ffffff</TextColor>"
                  L"<Styles>SingleLine</Styles><TextGuide><FontSize>20</FontSize><BackMode>Transparent</BackMode>"
                  L"<TextColor>#ffffff</TextColor><TextFormats>Left VCenter</TextFormats><Text>아이디 Tevrik</Text></TextGuide></Edit>");
    ASSERT_EQ(m_edit->Load(skin.First()), 1);
    m_parent.SetFocus(true);
    for (LONG height : {36L, 37L}) {
        const RECT field{10, 10, 210, 10 + height};
        m_edit->SetRect(field);
        m_edit->SetText(L"");
        PumpPending();
        const std::vector<uint32_t> hint = CaptureFramebuffer(m_window, field);
        m_edit->SetText(L"아이디 Tevrik");
        PumpPending();
        EXPECT_EQ(CaptureFramebuffer(m_window, field), hint) << height;
    }
    // Lines that do not fit start at the top, as in every other edit.
    m_edit->SetText(std::wstring(60, L'a'));
    EXPECT_EQ(m_edit->Layout().box.top, 0);
}

TEST_F(EditTest, TenThousandFormatCharactersTakeNoRoom) {
    const std::wstring marks(10000, L'\x200F');
    m_edit->SetText(marks);
    Type(U"a");
    EXPECT_EQ(m_edit->Selection().CaretRect().left, kLatin);
    Key(VK_BACK);
    EXPECT_EQ(m_edit->GetText(), marks);
}

}  // namespace
