#include "app/screens/chats/ChatOutputView.h"

#include <algorithm>
#include <cstdio>

#include "app/MessengerApp.h"
#include "app/screens/chats/ChatPage.h"
#include "app/screens/common/Presence.h"
#include "framework/base/QeMarkup.h"
#include "framework/ui/drawing/QeDC.h"
#include "framework/ui/drawing/QeSkinValues.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/EmoticonCatalog.h"

namespace {

constexpr const wchar_t* kSection = L"Chat";
constexpr const wchar_t* kPart = L"View";
constexpr int32_t kGestureThreshold = 100;
constexpr int32_t kBoldWeight = 700;
// The field buffer of the flashcon pattern holds this many characters and its end.
constexpr size_t kFlashconNameMax = 1023;

ClassSkin s_skin;

// The transcript's line style, one text colour per kind; read with the class's rectangles.
struct LineStyles {
    QeTextStyle base;
    COLORREF colors[4] = {0, 0, 0, 0};
};
LineStyles s_lines;

void ReadLineStyles() {
    s_lines = LineStyles();
    const QeMarkupElement* output = ScreenSkin::Find({kSection, kPart, L"Output"});
    if (output == nullptr) return;
    ReadFontKeys(*output, s_lines.base);
    s_lines.base.font.height = ParseInt(output->FindChild(L"FontSize"));
    s_lines.base.font.weight = kBoldWeight;
    s_lines.base.backColor = ParseColor(output->FindChild(L"BackColor"));
    const wchar_t* keys[] = {L"TextColorSystem", L"TextColorMe", L"TextColorOther", L"TextColorError"};
    for (size_t i = 0; i < 4; ++i) s_lines.colors[i] = ParseColor(output->FindChild(keys[i]));
}

// The fourth '|' field of the tag, as "%*[^|]|%*[^|]|%*[^|]|%[^|]" reads it: three fields that
// are not empty, each followed by '|', then a fourth that is not empty and runs to the next '|' or
// the tag's end. False when it cannot be read.
bool FourthField(const std::wstring& tag, std::wstring& field) {
    size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        const size_t bar = tag.find(L'|', at);
        if (bar == std::wstring::npos || bar == at) return false;
        at = bar + 1;
    }
    const size_t end = std::min(tag.find(L'|', at), tag.size());
    if (end == at) return false;
    field = tag.substr(at, std::min(end - at, kFlashconNameMax));
    return true;
}

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// Every line longer than the view's limit is cut there and marked, and so is an entry of many lines
// that would not fit the transcript by itself; never inside a surrogate pair.
std::wstring CutLongLines(std::wstring text) {
    const size_t limit = ChatOutputView::kMaxLineLength;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find(L'\n', start), text.size());
        if (end - start > limit) {
            size_t cut = start + limit;
            if (IsHighSurrogate(text[cut - 1])) --cut;
            text.replace(cut, end - cut, L"…");
            start = cut + 2;
        } else {
            start = end + 1;
        }
    }
    if (text.size() > ChatOutputView::kMaxTranscript) {
        size_t cut = ChatOutputView::kMaxTranscript - 2;
        if (IsHighSurrogate(text[cut - 1])) --cut;
        text.resize(cut);
        text += L"…\n";
    }
    return text;
}

}  // namespace

std::wstring ReplaceFlashconTags(const std::wstring& text) {
    static const std::wstring kStart = L"<FLCON", kEnd = L"/FLCON>";
    size_t start = text.find(kStart);
    if (start == std::wstring::npos) return text;
    std::wstring result;
    size_t last = 0;
    while (start != std::wstring::npos) {
        const size_t end = text.find(kEnd, start);
        std::wstring name;
        if (end == std::wstring::npos || !FourthField(text.substr(start, end + kEnd.size() - start), name)) {
            return result + text.substr(last);
        }
        result += text.substr(last, start - last);
        result += L"플래시콘 (" + name + L")";
        last = end + kEnd.size();
        start = text.find(kStart, last);
    }
    return result + text.substr(last);
}

ChatOutputView::ChatOutputView() {
    m_gestures.target = this;
    m_gestures.mask = QeGestureDetector::kLeft | QeGestureDetector::kRight;
    m_gestures.thresholdX = kGestureThreshold;
    m_gestures.thresholdY = kGestureThreshold;
}

RECT ChatOutputView::SkinRect(const wchar_t* part) { return s_skin.Rect({kSection, kPart, part}); }

bool ChatOutputView::Create(ChatPage* page) {
    m_page = page;
    const bool stale = s_skin.Stale();
    for (QeWindow* child : std::initializer_list<QeWindow*>{&m_tSkin, &m_bSkin, &m_lSkin, &m_rSkin, &m_buddyIcon,
                                                            &m_title, &m_inviteButton, &m_output, &m_date}) {
        AddChild(child);
    }
    s_skin.Load(m_tSkin, {kSection, kPart, L"TSkin"});
    s_skin.Load(m_bSkin, {kSection, kPart, L"BSkin"});
    s_skin.Load(m_lSkin, {kSection, kPart, L"LSkin"});
    s_skin.Load(m_rSkin, {kSection, kPart, L"RSkin"});
    s_skin.Load(m_buddyIcon, {kSection, kPart, L"BuddyIcon"});
    s_skin.Load(m_title, {kSection, kPart, L"Title"});
    s_skin.Load(m_inviteButton, {kSection, kPart, L"InviteButton"});
    s_skin.Load(m_output, {kSection, kPart, L"Output"});
    s_skin.Load(m_date, {kSection, kPart, L"Date"});
    if (stale) ReadLineStyles();
    s_skin.MarkRead();
    OnRectChanged(Rect());
    return true;
}

void ChatOutputView::AppendLine(const std::wstring& text, int kind) {
    const uint32_t before = m_output.GlyphCount();
    AppendFormatted(CutLongLines(ReplaceFlashconTags(text)), kind);
    const uint32_t added = m_output.GlyphCount() - before;
    m_entries.push_back(added);
    m_kept += added;
    if (m_kept <= kMaxTranscript) return;
    uint32_t leaving = 0;
    while (m_kept > kTrimmedTranscript && m_entries.size() > 1) {
        leaving += m_entries.front();
        m_kept -= m_entries.front();
        m_entries.pop_front();
    }
    m_output.RemoveLeading(leaving);
}

void ChatOutputView::AppendFormatted(const std::wstring& text, int kind) {
    QeTextStyle style = s_lines.base;
    style.textColor = kind >= 0 && kind < 4 ? s_lines.colors[kind] : 0;
    m_output.Fonts().Select(style);
    // Lines go at the end, wherever the caret was left.
    m_output.Selection().Set(m_output.EndAnchor()->previous, m_output.EndAnchor());
    const EmoticonCatalog* emoticons = EmoticonCatalog::Instance();
    std::vector<QeEditPiece> pieces;
    const auto addText = [&pieces, &text](size_t from, size_t to) {
        if (to > from) pieces.push_back(QeEditPiece{text.substr(from, to - from), EmoticonImage()});
    };
    size_t last = 0;
    size_t p = text.find(L'/');
    while (p != std::wstring::npos) {
        addText(last, p);
        const size_t q = text.find(L'/', p + 1);
        if (q == std::wstring::npos) {
            last = p;
            break;
        }
        EmoticonImage emoticon =
            emoticons != nullptr ? emoticons->EmoticonByText(text.substr(p, q - p + 1)) : EmoticonImage();
        if (!emoticon.IsEmpty()) {
            pieces.push_back(QeEditPiece{std::wstring(), std::move(emoticon)});
            last = q + 1;
        } else {
            // The closing slash may open the next code.
            addText(p, q);
            last = q;
        }
        p = text.find(L'/', last);
    }
    addText(last, text.size());
    m_output.InsertPieces(pieces);
}

void ChatOutputView::SetStatusText(const std::wstring& text) {
    m_date.Text().SetText(text);
    m_date.Invalidate(RECT{0, 0, 0, 0}, true);
}

void ChatOutputView::UpdateTitle() {
    const ChatSession* session = m_page != nullptr ? m_page->Session() : nullptr;
    if (session == nullptr) return;
    if (session->Members.size() < 2) {
        m_title.Text().SetText(session->DisplayName + L" 님");
    } else {
        // A member's name is as long as the service sends it; the label's ellipsis cuts it.
        m_title.Text().SetText(session->Members.front().Name + L" 님 외 " +
                               std::to_wstring(session->Members.size() - 1) + L" 명");
    }
    m_title.Invalidate(RECT{0, 0, 0, 0}, true);
}

void ChatOutputView::SetBuddyIcon(const Buddy* buddy) {
    if (buddy == nullptr) {
        const ChatSession* session = m_page != nullptr ? m_page->Session() : nullptr;
        BuddyRoster* roster = BuddyRoster::Instance();
        if (session == nullptr || roster == nullptr) return;
        buddy = roster->Find(session->BuddyId);
        if (buddy == nullptr) return;
    }
    m_buddyIcon.Image().SetSourceRect(GetStatusIconRect(buddy->Status, buddy->ListFlags));
    m_buddyIcon.Invalidate(RECT{0, 0, 0, 0}, true);
}

void ChatOutputView::OnVisibleChanged(bool visible) {
    for (QeWindow* child = FirstChild(); child != nullptr; child = child->Next()) child->SetVisible(visible);
    UpdateTitle();
    SetBuddyIcon(nullptr);
    if (m_page != nullptr) m_page->UpdateInputState();
}

int ChatOutputView::Draw(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor({kSection, kPart}), rect);
    return 1;
}

void ChatOutputView::OnRectChanged(const RECT&) {
    m_tSkin.SetRect(SkinRect(L"TSkin"));
    m_bSkin.SetRect(SkinRect(L"BSkin"));
    m_lSkin.SetRect(SkinRect(L"LSkin"));
    m_rSkin.SetRect(SkinRect(L"RSkin"));
    m_buddyIcon.SetRect(SkinRect(L"BuddyIcon"));
    m_title.SetRect(SkinRect(L"Title"));
    m_inviteButton.SetRect(SkinRect(L"InviteButton"));
    m_output.SetRect(SkinRect(L"Output"));
    m_date.SetRect(SkinRect(L"Date"));
}

int ChatOutputView::OnNotify(QeWindow* child, int code) {
    const QeEventArgs args = QeLastEventArgs();
    if (code == kNotifyPenDown) {
        if (MessengerApp* app = MessengerApp::Instance()) app->MenuBarWindow().HideSip();
        m_gestures.SetStart(args.first, args.second);
    } else if (code == kNotifyClick) {
        // A stroke may page to another chat; the invitation only follows a plain tap.
        if (m_gestures.Detect(args.first, args.second) != 0) return 1;
        if (child == &m_inviteButton) {
            MessengerApp* app = MessengerApp::Instance();
            if (app == nullptr) return 1;
            app->MenuBarWindow().HideSip();
            app->BuddySelect().SelectForInvite(m_page != nullptr ? m_page->Session() : nullptr);
            app->SwitchView(&app->BuddySelect(), kSwitchCoverUpwards, false);
        }
    }
    return 1;
}

int ChatOutputView::OnGesture(int, int direction) {
    ChatSessionManager* chats = ChatSessionManager::Instance();
    MessengerApp* app = MessengerApp::Instance();
    if (chats == nullptr || app == nullptr || m_page == nullptr || chats->Count() == 0) return 1;
    const int index = chats->IndexOfChat(m_page->Session());
    if (index < 0) return 1;
    const int last = static_cast<int>(chats->Count()) - 1;
    int target = index;
    int kind = 0;
    if (direction == 0) {
        target = std::min(index + 1, last);
        kind = kSwitchPushLeftwards;
    } else if (direction == 4) {
        target = std::max(index - 1, 0);
        kind = kSwitchPushRightwards;
    }
    if (target == index) return 1;
    if (ChatPage* page = ChatPageOf(chats->ChatAt(static_cast<size_t>(target)))) app->SwitchView(page, kind, true);
    return 1;
}

int ChatOutputView::OnSipShown(const RECT& panel) {
    const RECT tSkin = m_tSkin.Rect();
    const int statusHeight = s_skin.Rect({L"StatusBar"}).bottom - s_skin.Rect({L"StatusBar"}).top;
    const RECT bar = s_skin.Rect({kSection, L"InputBar"});
    // A panel taller than the lower half would leave no transcript at all, never less.
    const int band = std::max(0, static_cast<int>(panel.top - (bar.bottom - bar.top) - (tSkin.bottom - tSkin.top) -
                                                  statusHeight - 82));
    for (QeWindow* part : {static_cast<QeWindow*>(&m_lSkin), static_cast<QeWindow*>(&m_rSkin),
                           static_cast<QeWindow*>(&m_output)}) {
        RECT rect = part->Rect();
        rect.bottom = rect.top + band;
        part->SetRect(rect);
    }
    const int y = tSkin.bottom + band;
    const RECT bSkin = SkinRect(L"BSkin"), date = SkinRect(L"Date");
    m_bSkin.SetRect(RECT{bSkin.left, y, bSkin.right, y + (bSkin.bottom - bSkin.top)});
    m_date.SetRect(RECT{date.left, y + 9, date.right, y + 9 + (date.bottom - date.top)});
    m_output.EnsureCaretVisible();
    Invalidate(RECT{0, 0, 0, 0}, true);
    return 1;
}

int ChatOutputView::OnSipHidden() {
    m_bSkin.SetRect(SkinRect(L"BSkin"));
    m_lSkin.SetRect(SkinRect(L"LSkin"));
    m_rSkin.SetRect(SkinRect(L"RSkin"));
    m_output.SetRect(SkinRect(L"Output"));
    m_date.SetRect(SkinRect(L"Date"));
    m_output.AxisY().BounceBack();
    Invalidate(RECT{0, 0, 0, 0}, true);
    return 1;
}
