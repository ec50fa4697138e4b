#include "app/screens/memos/MemoReadContentView.h"

#include <algorithm>

#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/MemoStore.h"
#include "messenger/protocol/MemoCommands.h"

ClassSkin MemoReadContentView::s_skin;

namespace {

constexpr const wchar_t* kSection = L"MemoRead";
constexpr const wchar_t* kView = L"View";

int32_t HeightOf(const RECT& rect) { return rect.bottom - rect.top; }

std::wstring DateText(const QeDateTime& date) {
    std::wstring text;
    FormatDateTime(date, text, L"yyyy-MM-dd hh:mm:ss");
    return text;
}

}  // namespace

std::wstring MemoReadContentView::DisplayNameOf(const std::wstring& id) {
    if (const AccountInfo* account = AccountInfo::Instance(); account != nullptr && account->Id == id) {
        return account->Name;
    }
    if (BuddyRoster* roster = BuddyRoster::Instance()) {
        if (const Buddy* buddy = roster->Find(id)) return buddy->Name;
    }
    return id;
}

std::wstring MemoReadContentView::JoinDisplayNames(const std::vector<std::wstring>& ids) {
    std::wstring joined;
    for (const std::wstring& id : ids) {
        if (&id != &ids.front()) joined += L';';
        joined += DisplayNameOf(id);
    }
    return joined;
}

bool MemoReadContentView::Create() {
    if (const QeMarkupElement* view = ScreenSkin::Find({kSection, kView})) Load(*view);
    // Drawn into the row only: a hidden child, so that it has a parent to draw from.
    AddChild(&m_content);
    m_content.SetVisible(false);
    s_skin.Load(m_tSkin, {kSection, kView, L"TSkin"});
    s_skin.Load(m_mtSkin, {kSection, kView, L"MTSkin"});
    s_skin.Load(m_mbSkin, {kSection, kView, L"MBSkin"});
    s_skin.Load(m_lSkin, {kSection, kView, L"LSkin"});
    s_skin.Load(m_rSkin, {kSection, kView, L"RSkin"});
    s_skin.Load(m_bSkin, {kSection, kView, L"BSkin"});
    s_skin.Load(m_fromText, {kSection, kView, L"FromText"});
    s_skin.Load(m_from, {kSection, kView, L"From"});
    s_skin.Load(m_toText, {kSection, kView, L"ToText"});
    s_skin.Load(m_to, {kSection, kView, L"To"});
    s_skin.Load(m_date, {kSection, kView, L"Date"});
    s_skin.Load(m_content, {kSection, kView, L"Content"});
    m_content.SetDrawMode(kDrawWhole);
    // The text is as tall as itself and never scrolls inside: the row scrolls, and the view's
    // indicator shows where.
    m_content.IndicatorY().SetEnabled(false);
    return true;
}

MemoRecord* MemoReadContentView::Memo() const {
    const MemoStore* store = MemoStore::Instance();
    return store != nullptr ? store->Find(m_serial) : nullptr;
}

void MemoReadContentView::Fill(MemoRecord* memo) {
    m_serial = memo != nullptr ? memo->Serial() : 0;
    m_recipients.clear();
    m_from.SetText(memo != nullptr ? DisplayNameOf(memo->Sender) : std::wstring());
    m_to.SetText(std::wstring());
    m_date.SetText(memo != nullptr ? DateText(memo->Date) : std::wstring());
    m_content.SetText(std::wstring());
    Refill(true);
}

void MemoReadContentView::FillFromMessage(const ImsgReceived& memo) {
    m_recipients = memo.Refs;
    m_from.SetText(DisplayNameOf(memo.From));
    m_to.SetText(JoinDisplayNames(m_recipients));
    m_date.SetText(DateText(memo.Date));
    m_content.SetText(memo.Body);
    Refill(false);
}

void MemoReadContentView::Refill(bool finishAtOnce) {
    RemoveAllItems();
    const RECT rect = s_skin.Rect({kSection, kView, L"Content"});
    m_content.SetRect(RECT{rect.left, rect.top, rect.right, rect.bottom});
    const int32_t height = std::max<int32_t>(m_content.Layout().Height(), HeightOf(rect));
    m_content.SetRect(RECT{rect.left, rect.top, rect.right, rect.top + height});
    m_content.AxisY().BounceBack();
    const int32_t rowHeight = HeightOf(s_skin.Rect({kSection, kView, L"TSkin"})) +
                              HeightOf(s_skin.Rect({kSection, kView, L"MTSkin"})) + height +
                              HeightOf(s_skin.Rect({kSection, kView, L"MBSkin"})) +
                              HeightOf(s_skin.Rect({kSection, kView, L"BSkin"}));
    AddItem(TableItem(TableItem::kItem, rowHeight));
    if (finishAtOnce) FinishAnimation();
    Invalidate(RECT{0, 0, 0, 0}, true);
}

int MemoReadContentView::DrawBackground(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor({kSection, kView}), rect);
    return 1;
}

int MemoReadContentView::DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) {
    if (surface == nullptr || GetItem(index) == nullptr) return 1;
    surface->FillSolid(s_skin.BackColor({kSection, kView}), clip);
    QeCell cell(*this, *surface, index, clip, inRow);
    const RECT mt = s_skin.Rect({kSection, kView, L"MTSkin"});
    cell.DrawImage(m_tSkin, s_skin.Rect({kSection, kView, L"TSkin"}));
    cell.DrawImage(m_mtSkin, mt);
    cell.DrawText(m_fromText, s_skin.Rect({kSection, kView, L"FromText"}));
    cell.DrawText(m_from, s_skin.Rect({kSection, kView, L"From"}));
    cell.DrawText(m_toText, s_skin.Rect({kSection, kView, L"ToText"}));
    cell.DrawText(m_to, s_skin.Rect({kSection, kView, L"To"}));
    cell.DrawText(m_date, s_skin.Rect({kSection, kView, L"Date"}));

    const RECT mb = s_skin.Rect({kSection, kView, L"MBSkin"});
    const RECT l = s_skin.Rect({kSection, kView, L"LSkin"});
    const RECT r = s_skin.Rect({kSection, kView, L"RSkin"});
    const RECT b = s_skin.Rect({kSection, kView, L"BSkin"});
    const RECT content = s_skin.Rect({kSection, kView, L"Content"});
    const int32_t height = HeightOf(m_content.Rect());
    const int32_t y = mt.bottom + HeightOf(mb);
    cell.DrawImage(m_mbSkin, RECT{mb.left, mt.bottom, mb.right, y});
    cell.DrawImage(m_lSkin, RECT{l.left, y, l.right, y + height});
    cell.DrawImage(m_rSkin, RECT{r.left, y, r.right, y + height});
    cell.DrawWindow(m_content, RECT{content.left, y, content.right, y + height});
    cell.DrawImage(m_bSkin, RECT{b.left, y + height, b.right, y + height + HeightOf(b)});
    return 1;
}
