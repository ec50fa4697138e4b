// The rows of the memo box: one per memo of MemoStore, in the store's order, and at most one
// "more" row, always last, that loads the next page.
//
// Rules callers rely on:
//   - a memo row's user value is a MemoRecord of MemoStore, or the holding copy while a removed
//     row animates out; the "more" row's is 0;
//   - the store and the memo rows keep one order, so the i-th memo row shows the i-th record;
//   - while the "more" row reads "로드 중..." a page has been asked for and a tap asks for nothing.
#pragma once

#include <cstdint>
#include <memory>

#include "app/ScreenSkin.h"
#include "app/screens/TableRowPainter.h"
#include "framework/controls/QeTableView.h"
#include "framework/ui/drawing/QeSkinElements.h"

class MemoRecord;
class QeLabel;

class MemoListTable : public QeTableView {
public:
    static constexpr const wchar_t* kMoreText = L"더 보기...";
    static constexpr const wchar_t* kLoadingText = L"로드 중...";
    static constexpr const wchar_t* kInboxText = L"받은 쪽지함";
    static constexpr const wchar_t* kSentBoxText = L"보낸 쪽지함";

    MemoListTable();
    ~MemoListTable() override;

    // The create step: row elements and colours from MemoList/View; boxText is the title bar's
    // label that names the box shown.
    bool Create(QeLabel* boxText);

    // Shows the box (0 inbox, 1 sent box): the store emptied, the rows removed, page 1 and the
    // count asked for.
    void SwitchBox(uint32_t box);
    // The last `count` memos of the store appended, then the "more" row when pages are left.
    void AppendPage(int count);
    // The first `count` memos of the store as the first rows.
    void InsertNewMemos(int count);
    // The memo's row animated out and the memo deleted from the store; false without its row.
    bool RemoveMemoRow(MemoRecord* memo);
    // The memo's row erased at once (the memo leaves the store right after); false without it.
    bool DropMemoRow(const MemoRecord* memo);
    // Every row gone and no animation left: the memos are about to leave the store.
    void RemoveAllRows();

    const std::wstring& MoreText() const { return m_more.Text(); }
    // What a memo row shows as its sender: the buddy's name, else the id.
    static std::wstring FromName(const MemoRecord& memo);

    int DrawBackground(QeSurface* surface, const RECT& rect) override;
    int DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override;
    int OnPenUp(int x, int y) override;

private:
    // A text element's three colours.
    void OnSelect(int32_t index);
    int32_t MoreRowIndex() const;
    // The row that shows the memo, or -1.
    int32_t RowOf(const MemoRecord* memo) const;
    TableItem MemoRow(MemoRecord* memo) const;

    QeSkinImage m_selectionBar, m_line, m_unreadIcon, m_readIcon;
    QeSkinText m_title, m_from, m_date, m_more;
    QeLabel* m_boxText = nullptr;
    // The removed memo, kept drawable while its row animates out.
    std::unique_ptr<MemoRecord> m_holding;

    static ClassSkin s_skin;
    static CaptionColors s_titleColors, s_fromColors, s_dateColors, s_moreColors;
};
