// QeEdit: the text-entry control. A scroll view holding the glyph list of QeEditGlyph.h between a
// begin and an end anchor, laid out in lines by QeEditLayout, with a selection and its blinking
// caret, a hint shown while the edit is empty and unfocused, and optional limits (read-only, digits
// only, password dots, single line, a maximum number of glyphs). Keys, characters, input-method
// compositions and the edit-selection messages reach it as the focus view.
//
// Rules callers rely on:
//   - the selected glyphs lie strictly between the selection's start and end; an empty selection
//     (end right after start) is the caret, drawn at the left edge of end;
//   - every change of the text is laid out again before the call returns, so nothing ever draws
//     or hit-tests a deleted glyph;
//   - a character outside the 16-bit range is one glyph whether it comes whole, as a pair in a
//     text, or as two WM_CHARs; Backspace and Delete take it whole, and GetText never gives a
//     lone surrogate half (it reads as U+FFFD);
//   - ReadOnly makes the pen, characters, compositions and the selection messages change nothing;
//     key-down and key-up still reach the parent;
//   - the hint is visible exactly while the edit is empty and not the focus view.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "framework/controls/QeEditGlyph.h"
#include "framework/controls/QeEditLayout.h"
#include "framework/controls/QeFontCache.h"
#include "framework/controls/QeLabel.h"
#include "framework/controls/QeScrollView.h"

class QeEdit;
class QeMarkupElement;

// One piece of a batch insert: the text, or the emoticon when it is not empty.
struct QeEditPiece {
    std::wstring text;
    EmoticonImage emoticon;
};

// The selection and what the caret looks like.
class QeEditSelection {
public:
    static constexpr DWORD kBlinkPeriodMs = 1000;
    static constexpr uint32_t kBlinkEasing = 20;

    // Both ends at once; the caret starts solid again.
    void Set(QeEditGlyph* start, QeEditGlyph* end);
    QeEditGlyph* Start() const { return m_start; }
    QeEditGlyph* End() const { return m_end; }
    bool IsEmpty() const { return m_start != nullptr && m_start->next == m_end; }
    // The frame-clock time of the last change.
    DWORD LastChange() const { return m_lastChange; }

    // 2 pixels wide at the left edge of the end glyph, as tall as it (content coordinates).
    RECT CaretRect() const;
    // The caret's colour `now` (frame-clock ms): fading from the caret colour to the back colour
    // once a second, solid right after a change.
    COLORREF CaretColorAt(DWORD now, COLORREF back) const;
    // Milliseconds from `now` to the first moment the caret's colour differs from its colour `now`;
    // a whole blink period when it never does (a caret the colour of its background).
    DWORD CaretChangesAfter(DWORD now, COLORREF back) const;

    COLORREF caretColor = 0;

private:
    QeEditGlyph* m_start = nullptr;
    QeEditGlyph* m_end = nullptr;
    DWORD m_lastChange = 0;
};

// Repaints animated emoticons and the caret while the edit is shown, on a timer of 0.01 s whose
// ticks come only when something shown is due to change: a picture's frame, the caret's colour.
class QeEditAnimator {
public:
    explicit QeEditAnimator(QeEdit* owner) : m_owner(owner) {}
    ~QeEditAnimator() { Stop(); }
    QeEditAnimator(const QeEditAnimator&) = delete;
    QeEditAnimator& operator=(const QeEditAnimator&) = delete;

    // Runs from when the edit is shown until it is hidden. Its timer ticks only while there is
    // something to repaint: a caret that fades (the edit has the focus and takes input) or an
    // animated picture. An idle shown edit, such as a search field nobody typed in, would
    // otherwise wake the program a hundred times a second for nothing.
    void Start();
    void Stop();
    bool IsRunning() const { return m_started; }
    bool IsTicking() const { return m_timer != 0; }
    void SetCaretFades(bool fades) {
        m_caretFades = fades;
        Refresh();
    }
    // The timer added or removed to match what there is to animate: after an animated picture came
    // or went.
    void Refresh();
    // After the caret is painted: the caret needs no tick before its colour changes at `when`
    // (frame-clock ms). Through the flat ends of a fade the timer then lets its ticks pass until
    // the first at or after that moment, instead of waking a hundred times a second to paint
    // nothing.
    void CaretChangesAt(DWORD when);
    // The next tick planned: the first at or after the caret's next change (when it fades) and the
    // next frame of every animated picture shown in the view; with none of them, ticks pass a
    // minute at a time until a paint or a change plans again.
    void Plan();

    static constexpr float kInterval = 0.01f;
    static constexpr DWORD kIntervalMs = 10;
    // True while coming ticks pass without a callback.
    bool Skipping() const { return m_resume != 0; }

private:
    static void OnTick(void* user);
    bool Animates() const;

    QeEdit* m_owner;
    bool m_started = false;
    bool m_caretFades = false;
    UINT m_timer = 0;
    DWORD m_caretAt = 0;  // when the caret's colour changes next, as last told
    DWORD m_tickAt = 0;  // the last tick, or the timer's start: the ticks come every interval after it
    int32_t m_resume = 0;  // the tick after the last one at which ticks come again; 0 when none pass
};

// Names to objects, for whoever builds on the edit; the edit only empties it on Reset.
using QeEditNameMap = std::map<std::wstring, QeObject*>;

class QeEdit : public QeScrollView, public QeEditHost {
public:
    enum Style : uint32_t {
        kReadOnly = 1,
        kNumberOnly = 2,
        kPassword = 4,
        kSingleLine = 8,
    };
    static constexpr WPARAM kDeleteKey = 46;
    // Input modes as QeInputPanel::SetImeMode takes them; none leaves the mode the last field set.
    static constexpr int kNoInputMode = -1;
    static constexpr int kNativeInput = 0;
    static constexpr int kLatinInput = 1;

    QeEdit();
    ~QeEdit() override;

    // ---- QeWindow
    void OnFocusChanged(bool focused) override;
    void OnVisibleChanged(bool visible) override;
    void OnRectChanged(const RECT& rect) override;
    int OnPenDown(int x, int y) override;
    int OnKeyDown(WPARAM key, LPARAM data) override;
    int OnImeComposition(WPARAM character, LPARAM kind) override;
    int OnChar(WPARAM character, LPARAM data) override;
    int OnNotify(QeWindow* child, int code) override;
    // wParam and lParam point at the DWORDs that receive the first and last position (either may
    // be null); the pair is also the message's result.
    int OnGetSel(WPARAM wParam, LPARAM lParam) override;
    // Selects from position wParam to lParam; a first position of 0 or less changes nothing.
    int OnSetSel(WPARAM wParam, LPARAM lParam) override;
    // lParam points at the NUL-terminated text (null: nothing happens).
    int OnReplaceSel(WPARAM wParam, LPARAM lParam) override;

    // ---- QeScrollView
    int DrawBackground(QeSurface* surface, const RECT& rect) override;
    int DrawContent(QeSurface* surface, const RECT& rect, const RECT& content) override;

    // ---- QeEditHost
    uint32_t LayoutAligns() const override { return m_aligns; }
    COLORREF LayoutBackColor() const override { return BackColor(); }
    QeEditPictures& Pictures() override { return m_pictures; }

    // The indicators, FontSize, BackColor, TextColor and FontEffects (then a reset with that
    // style), Styles, Aligns, MaxInput, Text and TextGuide. 0 when the reset fails.
    int Load(const QeMarkupElement& element);
    // Deletes every glyph and line, empties the name map, makes the style current, makes new
    // anchors and selects between them. 0 when the style's font cannot be made (the edit is then
    // empty, its glyphs in the font it had).
    int Reset(const QeTextStyle& style);
    void SetStyles(uint32_t styles);
    uint32_t Styles() const { return m_styles; }
    uint32_t Aligns() const { return m_aligns; }
    void SetMaxInput(uint32_t max) { m_maxInput = max; }
    uint32_t MaxInput() const { return m_maxInput; }
    // The mode this field types in, set each time it takes the focus, however it takes it: a
    // desktop keyboard types without the tap that would set it on the handheld.
    void SetInputMode(int mode) { m_inputMode = mode; }
    int InputMode() const { return m_inputMode; }

    // Replaces everything by the text.
    int SetText(const std::wstring& text);
    // Replaces the selection by the text (see the styles and MaxInput for what is left out).
    int InsertText(const std::wstring& text);
    // Replaces the selection by the emoticon; 0, nothing changed, when its image cannot be loaded
    // or the edit is full.
    int InsertImage(const EmoticonImage& emoticon);
    // Replaces the selection by the pieces in order: the glyphs InsertText and InsertImage would
    // make one piece after another (an emoticon that cannot be loaded is left out), laid out once,
    // so a long mixed text costs its length and not the square of its piece count.
    int InsertPieces(const std::vector<QeEditPiece>& pieces);
    // Deletes the first `count` glyphs (fewer when there are fewer) and moves the view by the
    // height they took, so that the text it showed stays where it was. A selection end among them
    // moves to where they were.
    void RemoveLeading(uint32_t count);
    // Characters, emoticon codes and "\n" for line breaks.
    std::wstring GetText() const;
    bool IsEmpty() const { return m_begin->next == m_end; }
    // The number of glyphs between the anchors.
    uint32_t GlyphCount() const { return m_count; }
    // A non-empty selection collapses to its end and is answered; null for a caret.
    QeEditSelection* CollapseSelection();
    void EnsureCaretVisible();
    // Lines rebuilt for the window's width (less the X indicator's thickness) from the start.
    void Relayout();

    QeEditSelection& Selection() { return m_selection; }
    const QeEditLayout& Layout() const { return m_layout; }
    QeEditAnimator& Animator() { return m_animator; }
    // Its current font is the style new glyphs take: selecting a style here styles what comes next.
    QeFontCache& Fonts() { return m_fonts; }
    QeEditNameMap& NameMap() { return m_names; }
    QeLabel& Hint() { return m_hint; }
    QeEditGlyph* BeginAnchor() const { return m_begin; }
    QeEditGlyph* EndAnchor() const { return m_end; }
    // The back colour of the current font.
    COLORREF BackColor() const;

    // For the animator: repaints the shown glyphs of pictures whose frame changed and, with the
    // focus, the caret.
    void OnAnimatorTick();
    // For the animator: calls visit(picture) for every animated picture with a glyph in the view.
    template <typename Visit>
    void ForEachShownPicture(Visit visit) {
        m_pictures.ForEachAnimated([&visit](QeEditPicture& picture) {
            if (picture.animation.shown) visit(picture);
        });
    }
    // Hangs from the application's root, where the screen shows it.
    bool InShownTree() const;

private:
    bool Has(Style style) const { return (m_styles & style) != 0; }
    // Deletes the selected glyphs; the selection becomes the caret at start.
    void DeleteSelection();
    // Links a new glyph after start and makes it start.
    void Append(QeEditGlyph* glyph);
    // The text's glyphs appended as InsertText makes them, without the layout.
    void AppendText(const std::wstring& text);
    uint32_t SelectedCount() const;
    bool IsFull() const { return m_maxInput != 0 && m_count >= m_maxInput; }
    // After glyphs changed behind `from`: start linked to end, lines rebuilt from `from`, the
    // content size, the repaint, the indicator, the caret in view and the hint.
    void Changed(QeEditGlyph* from);
    // Selection delete for Backspace (back) and Delete: the glyph next to a caret, never an anchor
    // at the ends.
    void DeleteNext(bool back);
    void Select(QeEditGlyph* start, QeEditGlyph* end);
    void InvalidateCaret();
    void UpdateHint(bool focused);
    // A single-line field's lines centred in the client rectangle while they fit in it (where the
    // hint's text is centred, so that typing does not move the text), from its top when they do
    // not; other edits' lines start at the top. True when the lines moved.
    bool CentreLines();
    void PlaceCaret(int x, int y);
    void DeleteAllGlyphs();
    // Each glyph whose box meets the client rectangle.
    template <typename Visit>
    void ForEachShownGlyph(Visit visit) const;
    // Which animated pictures have a glyph in the view; one that came into it was just drawn, at
    // its current frame.
    void NoteShownPictures();

    uint32_t m_styles = 0;
    uint32_t m_aligns = 0;
    QeFontCache m_fonts;
    QeEditNameMap m_names;
    QeEditPictures m_pictures;
    QeEditGlyph* m_begin = nullptr;
    QeEditGlyph* m_end = nullptr;
    QeEditSelection m_selection;
    QeEditLayout m_layout{this};
    QeEditAnimator m_animator{this};
    // The caret's colour as last painted whole; CLR_INVALID when it must be painted again.
    COLORREF m_caretPainted = CLR_INVALID;
    uint32_t m_maxInput = 0;
    uint32_t m_count = 0;
    char32_t m_pendingHigh = 0;  // the first half of a pair that came as two characters
    int m_inputMode = kNoInputMode;
    bool m_composing = false;  // the selection holds the character the input method is composing
    QeLabel m_hint;
};
