// A vertical list of rows of varying height on a scroll view. Rows are group headers, which fold
// the rows below them up to the next header, and item rows. The view keeps one selected row, hides
// item rows that fail a text filter, animates the height of rows that are added, removed, unfolded
// or folded, and draws only the rows that meet the area being painted, each through DrawItem.
// Screens derive from it, keep their model objects in the rows' user values and draw cells with
// QeCell.
//
// Rules callers rely on:
//   - row 0 starts at content y 0 and every row starts where the one before it ends; a row
//     takes its shown height, or none while it is hidden. The Y content size is always the sum;
//   - every change of rows (add, insert, remove, fold, unfold, filter) first finishes a running row
//     animation, so at most one runs and it always works on the rows it started on;
//   - indices from outside are checked: an invalid one is refused (0, false, an empty rectangle)
//     and never reaches the rows;
//   - hit testing answers only rows that take height on screen: never a hidden row or a row of a
//     folded group. A point on the line between two rows belongs to the upper one;
//   - the parent hears pen down and click before the table selects or folds; the parent may
//     delete the table inside its OnNotify, and the table then touches nothing of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/controls/QeScrollView.h"
#include "framework/ui/motion/QeTween.h"

class QeSkinImage;
class QeSkinText;
class QeTableView;

// One row.
struct TableItem {
    enum Kind : uint32_t {
        kHeader = 0,
        kItem = 1,
        // Other kinds are drawn by subclasses only.
    };

    TableItem() = default;
    TableItem(uint32_t kind, int32_t fullHeight) : kind(kind), fullHeight(fullHeight) {}

    // Heights that count on screen: none while the row is filtered out.
    int32_t EffectiveFullHeight() const { return hidden ? 0 : fullHeight; }
    int32_t EffectiveShownHeight() const { return hidden ? 0 : shownHeight; }

    uint32_t kind = kItem;
    uint8_t expanded = 1;  // a header: the rows below it are shown
    uint8_t hidden = 0;    // filtered out
    int32_t y = 0;         // top in content coordinates
    int32_t fullHeight = 0;
    int32_t shownHeight = 0;  // grows from 0 while inserted, 0 while folded
    std::wstring text;
    uintptr_t userValue = 0;  // the model object shown
};

// Animates the height of one row (insert, remove) or of the rows of one group (expand, collapse)
// over 0.5 s.
class QeTableRowAnimator {
public:
    enum Mode : uint32_t {
        kInsert = 0,
        kRemove = 1,
        // 2 is refused.
        kExpand = 3,
        kCollapse = 4,
    };
    static constexpr float kSeconds = 0.5f;

    explicit QeTableRowAnimator(QeTableView& owner);
    QeTableRowAnimator(const QeTableRowAnimator&) = delete;
    QeTableRowAnimator& operator=(const QeTableRowAnimator&) = delete;

    // Runs the mode on the row (insert, remove) or the header (expand, collapse); 0 for mode 2,
    // for an unknown mode and for an index outside the rows.
    int Start(uint32_t mode, int32_t index);
    // Applies the final value at once (a removed row is erased); nothing when idle. The clock may
    // be past the end while the last tick still waits in the queue: that animation is finished too.
    void Finish();
    // Stops where it is, applying nothing (the rows are going).
    void Stop() { m_tween.Stop(); }
    // Its last tick has not run.
    bool IsRunning() const { return m_tween.HoldsTimer(); }
    uint32_t Mode() const { return m_mode; }
    int32_t Index() const { return m_index; }

private:
    static void OnTick(void* user);
    void Apply(float value, bool ended);

    QeTableView& m_owner;
    uint32_t m_mode = kInsert;
    int32_t m_index = -1;
    QeFloatTween m_tween;
};

class QeTableView : public QeScrollView {
public:
    QeTableView();
    ~QeTableView() override;

    void OnRectChanged(const RECT& rect) override;
    int OnPenDown(int x, int y) override;
    int OnPenUp(int x, int y) override;
    int OnNotify(QeWindow* child, int code) override;
    void OnDragBegin(QeKineticScroller& axis) override;
    int DrawContent(QeSurface* surface, const RECT& rect, const RECT& content) override;

    // Draws one row: `clip` in surface coordinates, `inRow` the same area relative to the row's
    // top-left. The default shades headers blue and items grey, four shades by index; other kinds
    // get nothing. False stops the drawing of the rows.
    virtual int DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow);
    // Whether an item row stays shown under the filter text; true.
    virtual bool MatchesFilter(const TableItem& row, const std::wstring& text);

    // ---- rows
    // Appends a copy and animates it in; a row in a folded group takes no height, at once. 1.
    int AddItem(const TableItem& row);
    // Inserts a copy before `index`, animated as AddItem; 0 for an index outside the rows (a row
    // cannot be appended this way).
    int InsertItem(const TableItem& row, int32_t index);
    // Animates the row out and erases it at the end; a row in a folded group goes at once. 0 for an
    // index outside the rows.
    int RemoveItem(int32_t index);
    // Erases the row at once, without an animation; a row animating in or out above it goes on
    // animating. 0 for an index outside the rows.
    int EraseItem(int32_t index);
    // Every row gone, the scroll view reset, nothing selected, nothing animating.
    void RemoveAllItems();
    // Unfold / fold the header's group, animated; 0 unless the index is a header.
    int ExpandGroup(int32_t index);
    int CollapseGroup(int32_t index);
    // The expanded flag of the nearest header above the index; true when there is none.
    bool IsGroupExpanded(int32_t index) const;
    // The nearest header at or above the index; -1 when there is none or the index is negative.
    int32_t FindGroupHeader(int32_t index) const;

    int32_t GetItemCount() const { return static_cast<int32_t>(m_rows.size()); }
    // The row; null for an index outside the rows.
    TableItem* GetItem(int32_t index);
    const TableItem* GetItem(int32_t index) const;

    // ---- selection
    // Selects the row (-1: none) and repaints the old and the new one. 0 for an index outside the
    // rows.
    int SetSelection(int32_t index);
    void ClearSelection() { SetSelection(-1); }
    int32_t GetSelection() const { return m_selection; }

    // ---- filter
    // Hides every item row that fails MatchesFilter (none for empty text); headers stay.
    void SetFilter(const std::wstring& text);
    const std::wstring& FilterText() const { return m_filter; }

    // ---- geometry
    // The row in local coordinates; empty for an index outside the rows.
    RECT GetItemRect(int32_t index) const;
    RECT GetItemScreenRect(int32_t index) const;
    // The row under a screen y that takes height on screen; -1 for none.
    int32_t ItemAtY(int y) const;
    // The screen point relative to the row's top-left; false for an index outside the rows.
    bool PointToItem(int32_t index, POINT screen, POINT& out) const;

    // ---- repainting (added to the dirty rectangle)
    void InvalidateItem(int32_t index);
    // From row `first`'s top (-1: the view's top) to row `last`'s bottom (-1: the view's bottom);
    // a last index past the rows means the final row. Nothing for invalid indices.
    void InvalidateItems(int32_t first, int32_t last);

    // Recomputes the rows' y from the index on.
    void UpdateItemPositions(int32_t index);
    // Completes the running row animation at once.
    void FinishAnimation() { m_animator.Finish(); }
    const QeTableRowAnimator& Animator() const { return m_animator; }

private:
    friend class QeTableRowAnimator;
    // Set while an input handler runs: cleared by the destructor, so the handler knows the parent
    // deleted the table inside OnNotify.
    struct Alive;

    bool ValidIndex(int32_t index) const { return index >= 0 && index < GetItemCount(); }
    // Adds the copy at the index, at height 0, and animates it unless it lies in a folded group.
    void PlaceNewRow(const TableItem& row, int32_t index);
    // Erases the row, keeping the selection on the row it named.
    void EraseRow(int32_t index);
    // Positions from the index on, and the Y content size to their sum.
    void Relayout(int32_t index);
    void SetContentHeight(int32_t height);
    int32_t ContentBottom() const;
    // The last row of the header's group (the header itself when it has none).
    int32_t GroupEnd(int32_t header) const;
    // First row whose bottom is at or after the content y (rows' bottoms never decrease).
    int32_t FirstEndingAtOrAfter(int32_t y) const;
    // Folds an unfolded header, unfolds a folded one.
    void ToggleGroup(int32_t index);
    int SetGroupExpanded(int32_t index, bool expand);

    std::vector<TableItem> m_rows;
    int32_t m_selection = -1;
    std::wstring m_filter;
    QeTableRowAnimator m_animator;
    Alive* m_alive = nullptr;
};

// What a DrawItem override paints one row with: images, texts and windows placed by rectangles
// relative to the row, each clipped to the part of the row being drawn.
class QeCell {
public:
    // `clip` in surface coordinates, `inRow` the same area relative to the row's top-left (the
    // arguments of DrawItem).
    QeCell(QeTableView& table, QeSurface& surface, int32_t index, const RECT& clip, const RECT& inRow);

    // The image stretched over the rectangle (row coordinates). False when nothing was drawn.
    bool DrawImage(QeSkinImage& image, const RECT& rect);
    // The text laid out in the rectangle (row coordinates). False when nothing was drawn.
    bool DrawText(QeSkinText& text, const RECT& rect);
    // The window drawn alone with its top-left at the rectangle's (row coordinates).
    bool DrawWindow(QeWindow& window, const RECT& rect);

    QeTableView& Table() const { return m_table; }
    QeSurface& Surface() const { return m_surface; }
    int32_t Index() const { return m_index; }
    const RECT& Clip() const { return m_clip; }
    const RECT& InRow() const { return m_inRow; }
    const RECT& ScreenRect() const { return m_screenRect; }

private:
    // The row rectangle in surface coordinates, and its part inside the clip; false when none.
    bool Place(const RECT& rect, RECT& inSurface, RECT& visible) const;

    QeTableView& m_table;
    QeSurface& m_surface;
    int32_t m_index;
    RECT m_clip;
    RECT m_inRow;
    RECT m_screenRect;
};
