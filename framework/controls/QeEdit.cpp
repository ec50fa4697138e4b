#include "framework/controls/QeEdit.h"

#include <algorithm>
#include <cmath>

#include "framework/base/QeClock.h"
#include "framework/base/QeMarkup.h"
#include "framework/base/QeTimerManager.h"
#include "framework/ui/drawing/QeDC.h"
#include "framework/ui/drawing/QeImage.h"
#include "framework/ui/motion/QeEasing.h"
#include "framework/ui/view/QeRect.h"
#include "framework/ui/drawing/QeSkinValues.h"
#include "framework/ui/shell/QeApplication.h"
#include "framework/ui/shell/QeInputPanel.h"
#include "framework/ui/shell/QeMainWindow.h"

namespace {

DWORD ClockNow() {
    const QeClock* clock = QeClock::Instance();
    return clock != nullptr ? clock->current : 0;
}

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

// ---- selection

void QeEditSelection::Set(QeEditGlyph* start, QeEditGlyph* end) {
    m_start = start;
    m_end = end;
    m_lastChange = ClockNow();
}

RECT QeEditSelection::CaretRect() const {
    if (m_end == nullptr) return RECT{0, 0, 0, 0};
    return RECT{m_end->box.left, m_end->box.top, m_end->box.left + 2, m_end->box.bottom};
}

COLORREF QeEditSelection::CaretColorAt(DWORD now, COLORREF back) const {
    float phase = static_cast<float>(static_cast<int32_t>(now - m_lastChange)) / static_cast<float>(kBlinkPeriodMs);
    if (phase > 1.0f) phase -= std::floor(phase);
    if (phase < 0.0f) phase = 0.0f;
    const float e = QeEasingOrDefault(kBlinkEasing)(phase, 0.0f, 1.0f, 1.0f);
    auto mix = [e](BYTE caret, BYTE backdrop) {
        return static_cast<BYTE>(static_cast<int32_t>((1.0f - e) * caret + e * backdrop) & 0xFF);
    };
    return RGB(mix(GetRValue(caretColor), GetRValue(back)), mix(GetGValue(caretColor), GetGValue(back)),
               mix(GetBValue(caretColor), GetBValue(back)));
}

DWORD QeEditSelection::CaretChangesAfter(DWORD now, COLORREF back) const {
    const COLORREF color = CaretColorAt(now, back);
    // The fade only moves one way between its wraps, so stepping a tick at a time finds the first
    // change, which a millisecond at a time then pins down.
    constexpr DWORD kStep = QeEditAnimator::kIntervalMs;
    DWORD after = kStep;
    while (after < kBlinkPeriodMs && CaretColorAt(now + after, back) == color) after += kStep;
    if (after >= kBlinkPeriodMs && CaretColorAt(now + after, back) == color) return kBlinkPeriodMs;
    DWORD first = after - kStep + 1;
    while (first < after && CaretColorAt(now + first, back) == color) ++first;
    return first;
}

// ---- animator

void QeEditAnimator::Start() {
    Stop();
    // Nothing is shown until the next paint draws it.
    m_owner->Pictures().ForEachAnimated([](QeEditPicture& picture) { picture.animation.shown = false; });
    m_started = true;
    Refresh();
}

void QeEditAnimator::Stop() {
    m_started = false;
    Refresh();
}

void QeEditAnimator::CaretChangesAt(DWORD when) {
    m_caretAt = when;
    Plan();
}

void QeEditAnimator::Plan() {
    QeTimerManager* timers = QeTimerManager::Instance();
    if (m_timer == 0 || timers == nullptr) return;
    const DWORD now = ClockNow();
    // Counted in ticks after the last one: the next to come, and the first that sees a change.
    const int32_t interval = static_cast<int32_t>(kIntervalMs);
    const int32_t sinceTick = static_cast<int32_t>(now - m_tickAt);
    if (sinceTick < 0) return;
    const int32_t next = sinceTick / interval + 1;
    constexpr int32_t kIdleTicks = 6000;
    int32_t seeing = next + kIdleTicks;
    auto see = [&](DWORD when) {
        const int32_t until = static_cast<int32_t>(when - m_tickAt);
        seeing = std::min(seeing, until > 0 ? (until + interval - 1) / interval : 0);
    };
    if (m_caretFades) see(m_caretAt);
    m_owner->ForEachShownPicture([&](QeEditPicture& picture) {
        const QeImage* image = picture.Image().Image();
        const uint32_t after = image != nullptr ? image->FrameChangesAfter() : 0;
        if (after != 0) see(now + after);
    });
    const int32_t resume = seeing > next ? seeing : 0;
    if (resume == m_resume) return;
    if (timers->Defer(m_timer, resume != 0 ? static_cast<UINT>(resume - next) : 0)) m_resume = resume;
}

bool QeEditAnimator::Animates() const { return m_owner->Pictures().AnimatedGlyphs() != 0; }

void QeEditAnimator::Refresh() {
    const bool wanted = m_started && (m_caretFades || Animates());
    if (wanted == (m_timer != 0)) {
        if (wanted) Plan();
        return;
    }
    QeTimerManager* timers = QeTimerManager::Instance();
    if (timers == nullptr) return;
    m_resume = 0;
    if (wanted) {
        m_timer = timers->Add(0, kInterval, &OnTick, this);
        m_tickAt = ClockNow();
    } else {
        timers->Remove(m_timer);
        m_timer = 0;
    }
}

void QeEditAnimator::OnTick(void* user) {
    auto* animator = static_cast<QeEditAnimator*>(user);
    animator->m_tickAt = ClockNow();
    animator->m_resume = 0;
    animator->m_owner->OnAnimatorTick();
}

// ---- the edit

QeEdit::QeEdit() {
    m_pictures.animatedChanged = [this] { m_animator.Refresh(); };
    AxisX().SetDragEnabled(false);
    Reset(QeTextStyle());
}

QeEdit::~QeEdit() {
    if (QeMainWindow* main = QeMainWindow::Instance()) main->ForgetOnTop(this);
    m_animator.Stop();
    DeleteAllGlyphs();
    RemoveChild(&m_hint);
}

void QeEdit::DeleteAllGlyphs() {
    // The lines name glyphs: they let go first.
    m_layout.Clear();
    QeEditDeleteGlyphs(m_begin, nullptr);
    m_begin = m_end = nullptr;
    m_count = 0;
    m_pendingHigh = 0;
}

int QeEdit::Reset(const QeTextStyle& style) {
    DeleteAllGlyphs();
    m_names.clear();
    const int selected = m_fonts.Select(style);
    QeFontHandle* current = m_fonts.Current();
    m_begin = new QeEditGlyphAnchor(current, QeEditGlyphAnchor::kBegin);
    m_end = new QeEditGlyphAnchor(current, QeEditGlyphAnchor::kEnd);
    QeEditLink(m_begin, m_end);
    m_selection.Set(m_begin, m_end);
    QeScrollView::Reset();
    AxisX().SetPosition(0);
    AxisY().SetPosition(0);
    Relayout();
    AddChild(&m_hint);
    m_hint.SetRect(GetClientRect());
    m_selection.caretColor = current != nullptr ? current->Style().textColor : style.textColor;
    UpdateHint(HasFocus());
    Invalidate(RECT{0, 0, 0, 0}, true);
    return selected;
}

int QeEdit::Load(const QeMarkupElement& element) {
    QeScrollView::Load(element);
    QeTextStyle style;
    ReadFontKeys(element, style);
    if (!Reset(style)) return 0;
    if (const QeMarkupElement* styles = element.FindChild(L"Styles")) SetStyles(ParseEditStyles(styles->Text()));
    if (const QeMarkupElement* aligns = element.FindChild(L"Aligns")) {
        m_aligns = ParseEditAligns(aligns->Text());
        Relayout();  // even an empty edit's caret sits where the lines are placed
    }
    if (const QeMarkupElement* max = element.FindChild(L"MaxInput")) {
        m_maxInput = static_cast<uint32_t>(std::max<int32_t>(ParseInt(max), 0));
    }
    if (const QeMarkupElement* text = element.FindChild(L"Text")) SetText(text->Text());
    if (const QeMarkupElement* guide = element.FindChild(L"TextGuide")) m_hint.Load(*guide);
    return 1;
}

void QeEdit::SetStyles(uint32_t styles) {
    m_styles = styles;
    m_animator.SetCaretFades(HasFocus() && !Has(kReadOnly));
    if (Has(kSingleLine)) AxisY().SetDragEnabled(false);
    if (CentreLines()) Invalidate(RECT{0, 0, 0, 0}, true);
}

COLORREF QeEdit::BackColor() const {
    const QeFontHandle* font = m_fonts.Current();
    return font != nullptr ? font->Style().backColor : QeTextStyle().backColor;
}

// ---- changing the text

void QeEdit::Select(QeEditGlyph* start, QeEditGlyph* end) {
    InvalidateCaret();
    m_selection.Set(start, end);
    InvalidateCaret();
}

void QeEdit::InvalidateCaret() {
    m_caretPainted = CLR_INVALID;
    // Its next change is not known until it is painted again.
    m_animator.CaretChangesAt(ClockNow());
    InvalidateContent(m_selection.CaretRect());
}

void QeEdit::DeleteSelection() {
    QeEditGlyph* start = m_selection.Start();
    QeEditGlyph* end = m_selection.End();
    if (start->next == end) return;
    m_count -= SelectedCount();
    QeEditDeleteGlyphs(start->next, end->previous);
    m_selection.Set(start, end);
}

void QeEdit::Append(QeEditGlyph* glyph) {
    QeEditGlyph* start = m_selection.Start();
    QeEditLink(glyph, start->next);
    QeEditLink(start, glyph);
    ++m_count;
    m_selection.Set(glyph, m_selection.End());
}

void QeEdit::Changed(QeEditGlyph* from) {
    QeEditLink(m_selection.Start(), m_selection.End());
    m_layout.Build(from, m_end);
    const bool moved = CentreLines();
    SetContentSize(m_layout.Width(), m_layout.Height());
    const int32_t top = !moved && from->line != nullptr ? from->line->box.top : 0;
    const int32_t bottom = std::max(m_layout.Height(), Height());
    InvalidateContent(RECT{-AxisX().Position(), top, Width() - AxisX().Position(), bottom});
    if (AxisY().IsDragEnabled()) IndicatorY().Show(true);
    EnsureCaretVisible();
    UpdateHint(HasFocus());
}

void QeEdit::AppendText(const std::wstring& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<char32_t>(text[i]);
        if (Has(kNumberOnly) && (c < U'0' || c > U'9')) continue;
        if (Has(kSingleLine) && (c == U'\r' || c == U'\n')) continue;
        // CR LF is one break, as in text from the system.
        if (c == U'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(static_cast<char32_t>(text[i + 1]))) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[++i]) - 0xDC00);
        }
        if (IsFull()) continue;
        if (c == U'\r' || c == U'\n') {
            Append(new QeEditGlyphAnchor(m_fonts.Current(), QeEditGlyphAnchor::kLineBreak));
        } else {
            Append(new QeEditGlyphText(m_fonts.Current(), c, Has(kPassword)));
        }
    }
}

int QeEdit::InsertText(const std::wstring& text) {
    InvalidateCaret();
    QeEditGlyph* from = m_selection.Start();
    DeleteSelection();
    AppendText(text);
    Changed(from);
    return 1;
}

int QeEdit::InsertPieces(const std::vector<QeEditPiece>& pieces) {
    InvalidateCaret();
    QeEditGlyph* from = m_selection.Start();
    DeleteSelection();
    for (const QeEditPiece& piece : pieces) {
        if (piece.emoticon.IsEmpty()) {
            AppendText(piece.text);
        } else if (!IsFull()) {
            if (QeEditGlyphImage* glyph = QeEditGlyphImage::Create(this, m_fonts.Current(), piece.emoticon)) {
                Append(glyph);
            }
        }
    }
    Changed(from);
    return 1;
}

void QeEdit::RemoveLeading(uint32_t count) {
    QeEditGlyph* kept = m_begin->next;
    QeEditGlyph* start = m_selection.Start();
    QeEditGlyph* end = m_selection.End();
    bool endLeaves = false;
    bool afterBreak = false;
    uint32_t removed = 0;
    // One walk over the glyphs that leave, deleting them as it goes: a transcript drops thousands
    // at a time, and each glyph visited is a wait for memory. The lines naming them are rebuilt or
    // dropped below, before anything draws.
    for (; removed < count && kept != m_end; ++removed) {
        if (kept == start) start = m_begin;
        if (kept == end) endLeaves = true;
        afterBreak = QeIsAnchor(kept, QeEditGlyphAnchor::kLineBreak);
        QeEditGlyph* leaving = kept;
        kept = kept->next;
        delete leaving;
    }
    if (removed == 0) return;
    QeEditLink(m_begin, kept);
    if (endLeaves) end = kept;
    const int32_t top = kept->line != nullptr ? kept->line->box.top : 0;
    // Whole paragraphs leave the layout as they are; anything else is laid out again.
    const bool paragraphs = afterBreak && kept->line != nullptr && m_begin->line != nullptr;
    const size_t keep = paragraphs ? kept->line->paragraph->index : 0;
    m_count -= removed;
    m_selection.Set(start, end);
    if (!paragraphs || !m_layout.DropLeading(keep, m_begin)) m_layout.Build(m_begin, m_end);
    CentreLines();
    const int32_t height = top - (kept->line != nullptr ? kept->line->box.top : 0);
    SetContentSize(m_layout.Width(), m_layout.Height());
    AxisY().SetPosition(std::min(0, AxisY().Position() + height));
    Invalidate(RECT{0, 0, 0, 0}, true);
}

uint32_t QeEdit::SelectedCount() const {
    uint32_t selected = 0;
    for (QeEditGlyph* glyph = m_selection.Start()->next; glyph != m_selection.End(); glyph = glyph->next) ++selected;
    return selected;
}

int QeEdit::InsertImage(const EmoticonImage& emoticon) {
    if (m_maxInput != 0 && m_count - SelectedCount() >= m_maxInput) return 0;
    QeEditGlyphImage* glyph = QeEditGlyphImage::Create(this, m_fonts.Current(), emoticon);
    if (glyph == nullptr) return 0;
    InvalidateCaret();
    QeEditGlyph* from = m_selection.Start();
    DeleteSelection();
    Append(glyph);
    Changed(from);
    return 1;
}

int QeEdit::SetText(const std::wstring& text) {
    m_selection.Set(m_begin, m_end);
    return InsertText(text);
}

std::wstring QeEdit::GetText() const {
    std::wstring text;
    for (QeEditGlyph* glyph = m_begin->next; glyph != nullptr && glyph != m_end; glyph = glyph->next) {
        if (const QeEditGlyphText* character = QeAsText(glyph)) {
            text.push_back(static_cast<wchar_t>(character->TextCharacter()));
        } else if (const QeEditGlyphImage* image = QeAsImage(glyph)) {
            text += image->Emoticon().Text;
        } else if (QeIsAnchor(glyph, QeEditGlyphAnchor::kLineBreak)) {
            text.push_back(L'\n');
        }
    }
    return text;
}

QeEditSelection* QeEdit::CollapseSelection() {
    if (m_selection.IsEmpty()) return nullptr;
    Select(m_selection.End()->previous, m_selection.End());
    return &m_selection;
}

void QeEdit::DeleteNext(bool back) {
    if (m_selection.IsEmpty()) {
        QeEditGlyph* start = m_selection.Start();
        QeEditGlyph* end = m_selection.End();
        if (back && start != m_begin) start = start->previous;
        if (!back && end != m_end) end = end->next;
        m_selection.Set(start, end);
    }
    InsertText(std::wstring());
}

void QeEdit::Relayout() {
    m_layout.box.right = m_layout.box.left + Width() - IndicatorX().Thickness();
    m_layout.Build(m_begin, m_end);
    CentreLines();
    SetContentSize(m_layout.Width(), m_layout.Height());
}

bool QeEdit::CentreLines() {
    const RECT client = GetClientRect();
    const int32_t room = (client.bottom - client.top) - m_layout.Height();
    const int32_t top = Has(kSingleLine) && room > 0 ? room / 2 : 0;
    if (top == m_layout.box.top) return false;
    m_layout.SetTop(top);
    return true;
}

void QeEdit::EnsureCaretVisible() {
    const QeEditGlyph* glyph = m_selection.End();
    if (glyph == nullptr) return;
    bool moved = false;
    auto fit = [&moved](QeKineticScroller& axis, int32_t nearEdge, int32_t farEdge) {
        // A view not yet given its size shows nothing to scroll to (text loaded before the
        // rectangle): scrolling it would leave the content shifted once it has one.
        if (axis.ViewSize() <= 0) return;
        const int32_t first = -axis.Position();
        const int32_t last = axis.ViewSize() - axis.Position();
        if (nearEdge >= first && farEdge <= last) return;
        // Toward whichever side of the view the glyph lies on.
        const bool after = int64_t{first} + last < int64_t{nearEdge} + farEdge;
        const int32_t position = after ? axis.ViewSize() - farEdge : -nearEdge;
        if (position != axis.Position()) {
            axis.SetPosition(position);
            moved = true;
        }
    };
    fit(AxisX(), glyph->box.left, glyph->box.right);
    fit(AxisY(), glyph->box.top, glyph->box.bottom);
    if (moved) Invalidate(RECT{0, 0, 0, 0}, true);
}

void QeEdit::UpdateHint(bool focused) {
    const bool show = IsEmpty() && !focused;
    if (show == m_hint.IsVisible()) return;
    m_hint.SetVisible(show);
    Invalidate(m_hint.Rect(), true);
}

// ---- window operations

void QeEdit::OnFocusChanged(bool focused) {
    InvalidateCaret();
    m_animator.SetCaretFades(focused && !Has(kReadOnly));
    // The focus view changes only after this call.
    UpdateHint(focused);
    QeInputPanel* panel = QeInputPanel::Instance();
    if (panel == nullptr) return;
    // A syllable belongs to the field it was typed in: kept here as typed, and none carried over
    // from a field that went away while composing.
    if (focused || m_composing) panel->CancelComposition();
    if (!focused && m_composing) CollapseSelection();
    m_composing = false;
    if (focused) panel->SetImeMode(m_inputMode);
}

void QeEdit::OnVisibleChanged(bool visible) {
    if (visible) {
        m_animator.Start();
        UpdateHint(HasFocus());
    } else {
        m_animator.Stop();
    }
}

void QeEdit::OnRectChanged(const RECT& rect) {
    QeScrollView::OnRectChanged(rect);
    if (m_layout.Width() != Width() - IndicatorX().Thickness()) Relayout();
    CentreLines();
    m_hint.SetRect(GetClientRect());
}

bool QeEdit::InShownTree() const {
    // Not when drawn into another view's surface (a table's cell), whose place is not its own.
    const QeWindow* top = this;
    while (top->Parent() != nullptr) top = top->Parent();
    QeApplicationBase* application = QeApplicationBase::Instance();
    return application != nullptr && top == &application->Root();
}

void QeEdit::NoteShownPictures() {
    m_pictures.ForEachAnimated([](QeEditPicture& picture) { picture.animation.marked = false; });
    ForEachShownGlyph([](QeEditGlyph* glyph) {
        const QeEditGlyphImage* image = QeAsImage(glyph);
        if (image != nullptr && image->IsAnimated()) image->Picture()->animation.marked = true;
    });
    m_pictures.ForEachAnimated([](QeEditPicture& picture) {
        QeEditPicture::Animation& animation = picture.animation;
        if (animation.marked && !animation.shown) {
            const QeImage* image = picture.Image().Image();
            animation.frame = image != nullptr ? image->CurrentFrame() : 0;
        }
        animation.shown = animation.marked;
    });
}

void QeEdit::OnAnimatorTick() {
    // A picture is drawn again where it is seen, once for each new frame: a frame unchanged, or a
    // glyph out of the view, is nothing to show.
    bool changed = false;
    m_pictures.ForEachAnimated([&changed](QeEditPicture& picture) {
        const QeImage* image = picture.Image().Image();
        const size_t frame = image != nullptr ? image->CurrentFrame() : 0;
        QeEditPicture::Animation& animation = picture.animation;
        animation.marked = animation.shown && frame != animation.frame;
        animation.frame = frame;
        changed = changed || animation.marked;
    });
    if (changed) {
        ForEachShownGlyph([this](QeEditGlyph* glyph) {
            const QeEditGlyphImage* image = QeAsImage(glyph);
            if (image != nullptr && image->IsAnimated() && image->Picture()->animation.marked) {
                InvalidateContent(glyph->box);
            }
        });
    }
    m_animator.Plan();
    if (!HasFocus() || Has(kReadOnly)) return;
    // The fade changes the caret's colour on only some ticks: the others would paint it again as
    // it is. Between frames a change goes straight onto the screen while the frame that last drew
    // the caret left it whole and uncovered: a frame would draw every window under it again. The
    // paint plans the next tick; a tick that paints no frame plans it here.
    const DWORD now = ClockNow();
    const COLORREF color = m_selection.CaretColorAt(now, BackColor());
    if (color != m_caretPainted) {
        QeMainWindow* main = QeMainWindow::Instance();
        const RECT screen = LocalToScreen(ContentToLocal(m_selection.CaretRect()));
        if (m_caretPainted == CLR_INVALID || main == nullptr || !main->DrawOnTop(this, screen, color)) {
            InvalidateCaret();
            return;
        }
        m_caretPainted = color;
    }
    m_animator.CaretChangesAt(now + m_selection.CaretChangesAfter(now, BackColor()));
}

template <typename Visit>
void QeEdit::ForEachShownGlyph(Visit visit) const {
    const RECT client = QeOffsetRect(GetClientRect(), -AxisX().Position(), -AxisY().Position());
    // Paragraphs and their lines stack downwards: the first that ends below the client's top on.
    auto endsBelow = [&client](const auto& item) { return item->box.bottom <= client.top; };
    const auto& paragraphs = m_layout.Paragraphs();
    for (auto paragraph = std::partition_point(paragraphs.begin(), paragraphs.end(), endsBelow);
         paragraph != paragraphs.end() && (*paragraph)->box.top < client.bottom; ++paragraph) {
        const auto& lines = (*paragraph)->lines;
        for (auto line = std::partition_point(lines.begin(), lines.end(), endsBelow);
             line != lines.end() && (*line)->box.top < client.bottom; ++line) {
            for (QeEditGlyph* glyph = (*line)->first; glyph != nullptr; glyph = glyph->next) {
                if (glyph->box.right > client.left && glyph->box.left < client.right) visit(glyph);
                if (glyph == (*line)->last) break;
            }
        }
    }
}

int QeEdit::DrawBackground(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(BackColor(), rect);
    return 1;
}

int QeEdit::DrawContent(QeSurface* surface, const RECT& rect, const RECT& content) {
    if (surface == nullptr) return 1;
    const RECT client = QeOffsetRect(GetClientRect(), -AxisX().Position(), -AxisY().Position());
    RECT clip;
    if (!QeIntersectRect(content, client, clip)) return 1;
    const POINT origin{rect.left - content.left, rect.top - content.top};
    if (!m_layout.Draw(*surface, origin, clip)) return 0;
    // A picture scrolled into the view, or newly written there, asks for its next frame.
    if (m_pictures.AnimatedGlyphs() != 0 && InShownTree()) {
        NoteShownPictures();
        m_animator.Plan();
    }
    if (Has(kReadOnly)) return 1;
    RECT caret;
    const RECT whole = m_selection.CaretRect();
    if (QeIntersectRect(whole, clip, caret)) {
        const DWORD now = ClockNow();
        const COLORREF color = HasFocus() ? m_selection.CaretColorAt(now, BackColor()) : BackColor();
        surface->FillSolid(color, QeOffsetRect(caret, origin.x, origin.y));
        m_caretPainted = QeRectContains(clip, whole) ? color : CLR_INVALID;
        if (m_caretPainted != CLR_INVALID && HasFocus()) {
            QeMainWindow* main = QeMainWindow::Instance();
            if (main != nullptr && InShownTree()) {
                main->NoteOnTop(this, surface, QeOffsetRect(whole, origin.x, origin.y),
                                LocalToScreen(ContentToLocal(whole)), color);
            }
            m_animator.CaretChangesAt(now + m_selection.CaretChangesAfter(now, BackColor()));
        }
    }
    return 1;
}
