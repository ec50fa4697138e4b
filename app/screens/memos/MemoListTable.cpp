#include "app/screens/memos/MemoListTable.h"

#include "app/MessengerApp.h"
#include "framework/base/QeDateTime.h"
#include "framework/controls/QeLabel.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/MemoStore.h"
#include "messenger/protocol/MemoRequests.h"

ClassSkin MemoListTable::s_skin;
CaptionColors MemoListTable::s_titleColors, MemoListTable::s_fromColors, MemoListTable::s_dateColors,
    MemoListTable::s_moreColors;

namespace {

constexpr const wchar_t* kSection = L"MemoList";
constexpr const wchar_t* kView = L"View";


}  // namespace

MemoListTable::MemoListTable() = default;
MemoListTable::~MemoListTable() = default;

bool MemoListTable::Create(QeLabel* boxText) {
    m_boxText = boxText;
    if (const QeMarkupElement* view = ScreenSkin::Find({kSection, kView})) Load(*view);
    s_skin.Load(m_selectionBar, {kSection, kView, L"SelectionBar"});
    s_skin.Load(m_line, {kSection, kView, L"Line"});
    s_skin.Load(m_unreadIcon, {kSection, kView, L"UnreadIcon"});
    s_skin.Load(m_readIcon, {kSection, kView, L"ReadIcon"});
    s_skin.Load(m_title, {kSection, kView, L"Title"});
    s_skin.Load(m_from, {kSection, kView, L"From"});
    s_skin.Load(m_date, {kSection, kView, L"Date"});
    s_skin.Load(m_more, {kSection, kView, L"More"});
    if (s_skin.Stale()) {
        s_titleColors = CaptionColors::Read({kSection, kView, L"Title"});
        s_fromColors = CaptionColors::Read({kSection, kView, L"From"});
        s_dateColors = CaptionColors::Read({kSection, kView, L"Date"});
        s_moreColors = CaptionColors::Read({kSection, kView, L"More"});
    }
    s_skin.MarkRead();
    m_more.SetText(kMoreText);
    return true;
}

TableItem MemoListTable::MemoRow(MemoRecord* memo) const {
    TableItem row(TableItem::kItem, s_skin.ItemHeight({kSection, kView}));
    row.userValue = reinterpret_cast<uintptr_t>(memo);
    return row;
}

int32_t MemoListTable::MoreRowIndex() const {
    const int32_t last = GetItemCount() - 1;
    const TableItem* row = GetItem(last);
    return row != nullptr && row->userValue == 0 ? last : -1;
}

void MemoListTable::RemoveAllRows() {
    FinishAnimation();
    RemoveAllItems();
    m_holding.reset();
}

void MemoListTable::SwitchBox(uint32_t box) {
    RemoveAllRows();
    if (m_boxText != nullptr && box <= kMemoSentBox) {
        m_boxText->Text().SetText(box == kMemoInbox ? kInboxText : kSentBoxText);
        m_boxText->Invalidate(RECT{0, 0, 0, 0}, true);
    }
    Invalidate(RECT{0, 0, 0, 0}, true);
    SwitchMemoBox(box);
}

void MemoListTable::AppendPage(int count) {
    const MemoStore* store = MemoStore::Instance();
    if (store == nullptr || count < 0) return;
    const int32_t oldMore = MoreRowIndex();
    const size_t total = store->Count();
    if (static_cast<size_t>(count) <= total) {
        for (size_t i = total - static_cast<size_t>(count); i < total; ++i) AddItem(MemoRow(store->RecordAt(i)));
    }
    if (store->CurrentPage != store->PageCount) {
        m_more.SetText(kMoreText);
        AddItem(TableItem(TableItem::kItem, s_skin.ItemHeight({kSection, kView})));
    }
    if (oldMore >= 0) RemoveItem(oldMore);
}

void MemoListTable::InsertNewMemos(int count) {
    const MemoStore* store = MemoStore::Instance();
    if (store == nullptr) return;
    for (int i = 0; i < count; ++i) {
        MemoRecord* memo = store->RecordAt(static_cast<size_t>(i));
        if (memo == nullptr) break;
        // The i-th newest goes to row i, so the rows keep the store's order.
        if (i < GetItemCount()) {
            InsertItem(MemoRow(memo), i);
        } else {
            AddItem(MemoRow(memo));
        }
    }
}

int32_t MemoListTable::RowOf(const MemoRecord* memo) const {
    for (int32_t i = 0; memo != nullptr && i < GetItemCount(); ++i) {
        if (GetItem(i)->userValue == reinterpret_cast<uintptr_t>(memo)) return i;
    }
    return -1;
}

bool MemoListTable::DropMemoRow(const MemoRecord* memo) {
    const int32_t index = RowOf(memo);
    return index >= 0 && EraseItem(index) != 0;
}

bool MemoListTable::RemoveMemoRow(MemoRecord* memo) {
    if (memo == nullptr) return false;
    // A row still animating out would shift every index after it.
    FinishAnimation();
    const int32_t index = RowOf(memo);
    if (index < 0) return false;
    m_holding = std::make_unique<MemoRecord>(*memo);
    GetItem(index)->userValue = reinterpret_cast<uintptr_t>(m_holding.get());
    if (MemoStore* store = MemoStore::Instance()) store->RemoveRecord(memo);
    RemoveItem(index);
    return true;
}

int MemoListTable::DrawBackground(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor({kSection, kView}), rect);
    return 1;
}

std::wstring MemoListTable::FromName(const MemoRecord& memo) {
    BuddyRoster* roster = BuddyRoster::Instance();
    const Buddy* buddy = roster != nullptr ? roster->Find(memo.Sender) : nullptr;
    return buddy != nullptr ? buddy->Name : memo.Sender;
}

int MemoListTable::DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) {
    const TableItem* row = GetItem(index);
    if (surface == nullptr || row == nullptr) return 1;
    QeCell cell(*this, *surface, index, clip, inRow);
    const bool selected = index == GetSelection();
    TableRowPainter painter(cell, selected, s_skin.BackColor({kSection, kView}), m_selectionBar,
                            s_skin.Rect({kSection, kView, L"SelectionBar"}));
    const auto* memo = reinterpret_cast<const MemoRecord*>(row->userValue);
    if (memo == nullptr) {
        painter.Caption(m_more, s_moreColors, s_skin.Rect({kSection, kView, L"More"}));
    } else {
        std::wstring date;
        FormatDateTime(memo->Date, date, L"yyyy-MM-dd hh:mm:ss");
        m_title.SetText(memo->FirstLine());
        m_from.SetText(FromName(*memo));
        m_date.SetText(date);
        if (memo->Read != 0) {
            cell.DrawImage(m_readIcon, s_skin.Rect({kSection, kView, L"ReadIcon"}));
        } else {
            cell.DrawImage(m_unreadIcon, s_skin.Rect({kSection, kView, L"UnreadIcon"}));
        }
        // A read memo's title has its own colour off the selected row.
        CaptionColors title = s_titleColors;
        if (memo->Read != 0) title.normal = title.read;
        painter.Caption(m_title, title, s_skin.Rect({kSection, kView, L"Title"}));
        painter.Caption(m_from, s_fromColors, s_skin.Rect({kSection, kView, L"From"}));
        painter.Caption(m_date, s_dateColors, s_skin.Rect({kSection, kView, L"Date"}));
    }
    cell.DrawImage(m_line, s_skin.Rect({kSection, kView, L"Line"}));
    return 1;
}

int MemoListTable::OnPenUp(int x, int y) {
    const int result = QeTableView::OnPenUp(x, y);
    if (!result) return result;
    const TableItem* row = GetItem(GetSelection());
    if (row != nullptr && row->kind != TableItem::kHeader) OnSelect(GetSelection());
    return 1;
}

void MemoListTable::OnSelect(int32_t index) {
    const TableItem* row = GetItem(index);
    if (row == nullptr) return;
    if (row->userValue == 0) {
        // One page at a time: the reply (or its failure) turns the row back.
        if (m_more.Text() != kMoreText) return;
        m_more.SetText(kLoadingText);
        InvalidateItem(index);
        RequestNextMemoPage();
        return;
    }
    // The header shows at once; the text follows with the fetch's reply.
    auto* memo = reinterpret_cast<MemoRecord*>(row->userValue);
    MessengerApp* app = MessengerApp::Instance();
    if (app == nullptr || memo == m_holding.get()) return;
    // The record is read before anything goes out, and not after.
    const std::wstring cookie = memo->Cookie;
    app->MemoRead().View().Fill(memo);
    RequestMemoFetch(cookie);
    RequestMemoCount();
    app->SwitchView(&app->MemoRead(), kSwitchCoverUpwards, false);
}
