// What reaches the edit as the focus view or under the pen: the pen, keys, characters, the input
// method's compositions and the edit-selection messages.
#include <string>

#include "framework/controls/QeEdit.h"
#include "framework/ui/shell/QeMessageDispatcher.h"

namespace {

constexpr WPARAM kBackspace = 8;
constexpr WPARAM kTab = 9;
constexpr WPARAM kEscape = 27;

// The input method's composition kinds as the main window passes them (0: nothing to do).
constexpr LPARAM kCompositionString = 1;
constexpr LPARAM kCompositionDeleted = 2;

bool IsHighSurrogate(WPARAM c) { return c >= 0xD800 && c <= 0xDBFF; }

}  // namespace

void QeEdit::PlaceCaret(int x, int y) {
    const POINT point = ScreenToContent(POINT{x, y});
    QeEditGlyph* hit = m_layout.HitTest(point);
    if (hit == nullptr) {
        Select(m_end->previous, m_end);
    } else if (QeIsAnchor(hit, QeEditGlyphAnchor::kBegin)) {
        Select(hit, hit->next);
    } else {
        Select(hit->previous, hit);
    }
    // What is typed here takes the style of the glyph before it. Every glyph's style is one the
    // cache holds, so this finds it rather than making a font.
    if (const QeFontHandle* style = m_selection.Start()->style) m_fonts.Select(style->Style());
    m_pendingHigh = 0;
}

int QeEdit::OnPenDown(int x, int y) {
    if (!Has(kReadOnly)) PlaceCaret(x, y);
    return QeScrollView::OnPenDown(x, y);
}

int QeEdit::OnKeyDown(WPARAM key, LPARAM data) {
    // A read-only edit keeps its text; its parent still hears the key (the chat input bar acts on
    // Delete there).
    if (key == kDeleteKey && !Has(kReadOnly)) DeleteNext(false);
    return QeScrollView::OnKeyDown(key, data);
}

int QeEdit::OnImeComposition(WPARAM character, LPARAM kind) {
    if (!Has(kReadOnly)) {
        if (kind == kCompositionString) {
            // The composed character is selected so that the next step replaces it. When it did
            // not go in (a full edit, digits only) the caret stays a caret.
            const uint32_t kept = m_count - SelectedCount();
            InsertText(std::wstring(1, static_cast<wchar_t>(character)));
            m_composing = m_count > kept;
            if (m_composing) Select(m_selection.Start()->previous, m_selection.End());
        } else if (kind == kCompositionDeleted) {
            InsertText(std::wstring());
            m_composing = false;
        }
    }
    return QeScrollView::OnImeComposition(character, kind);
}

int QeEdit::OnChar(WPARAM character, LPARAM data) {
    WPARAM reported = character;
    m_composing = false;  // a finished syllable comes as a character, and any other ends it
    if (!Has(kReadOnly)) {
        if (IsHighSurrogate(character)) {
            // Held until its partner comes: one glyph for the pair.
            if (m_pendingHigh != 0) InsertText(std::wstring(1, static_cast<wchar_t>(m_pendingHigh)));
            m_pendingHigh = static_cast<char32_t>(character);
        } else {
            std::wstring text;
            if (m_pendingHigh != 0) text.push_back(static_cast<wchar_t>(m_pendingHigh));
            m_pendingHigh = 0;
            if (character == kBackspace) {
                if (!text.empty()) InsertText(text);
                DeleteNext(true);
            } else if (character == kTab || character == kEscape) {
                if (!text.empty()) InsertText(text);
                InsertText(std::wstring());
                reported = 0;
            } else {
                text.push_back(static_cast<wchar_t>(character));
                InsertText(text);
            }
        }
    }
    return QeScrollView::OnChar(reported, data);
}

int QeEdit::OnNotify(QeWindow* child, int code) {
    if (child != &m_hint) return 1;
    if (code == kNotifyPenDown) SetFocus(true);
    NotifyParent(code);
    return 1;
}

int QeEdit::OnGetSel(WPARAM wParam, LPARAM lParam) {
    if (Has(kReadOnly)) return 1;
    DWORD first = 0;
    for (QeEditGlyph* glyph = m_begin; glyph != m_selection.Start() && glyph != nullptr; glyph = glyph->next) ++first;
    DWORD last = first;
    for (QeEditGlyph* glyph = m_selection.Start(); glyph != m_selection.End() && glyph != nullptr;
         glyph = glyph->next) {
        ++last;
    }
    if (auto* out = reinterpret_cast<DWORD*>(wParam)) *out = first;
    if (auto* out = reinterpret_cast<DWORD*>(lParam)) *out = last;
    QeMessageDispatcher::SetMessageResult(static_cast<LRESULT>((first & 0xFFFF) | ((last & 0xFFFF) << 16)));
    return 1;
}

int QeEdit::OnSetSel(WPARAM wParam, LPARAM lParam) {
    if (Has(kReadOnly)) return 1;
    const auto first = static_cast<int32_t>(wParam);
    const auto last = static_cast<int32_t>(lParam);
    if (first <= 0) return 1;
    QeEditGlyph* start = m_begin;
    for (int32_t step = 1; step < first && start != nullptr; ++step) start = start->next;
    if (start == nullptr || start->next == nullptr) return 1;
    QeEditGlyph* end = start->next;
    for (int32_t step = 0; step < last - first && end->next != nullptr; ++step) end = end->next;
    Select(start, end);
    m_pendingHigh = 0;
    return 1;
}

int QeEdit::OnReplaceSel(WPARAM, LPARAM lParam) {
    if (Has(kReadOnly)) return 1;
    const auto* text = reinterpret_cast<const wchar_t*>(lParam);
    if (text != nullptr) InsertText(text);
    return 1;
}
