// The buddy list's table: a foldable header per group and a row per buddy of the group, filled
// from the model (BuddyListRows) and kept up to date one buddy at a time. A header's user value is
// a BuddyGroup*, a buddy row's a Buddy*: the rows go before the model is emptied (RemoveRows).
//
// Rules callers rely on:
//   - rows added by Refresh or UpdateBuddyRow follow the stored filter at once;
//   - after UpdateBuddyRow every header of a group that holds the buddy is repainted, so its
//     online count is never stale;
//   - a tap at x <= the disclosure threshold of a buddy row opens the chat, further right the
//     profile; a tap on a header folds or unfolds it.
#pragma once

#include <string>

#include "app/ScreenSkin.h"
#include "app/screens/buddies/BuddyRowLook.h"
#include "framework/controls/QeTableView.h"
#include "framework/ui/drawing/QeSkinElements.h"

class Buddy;
class BuddyGroup;

class BuddyListTable : public QeTableView {
public:
    // Loads the row elements and reads the class-wide values from Tevrik/BuddyList/View. True.
    bool Create();

    int OnPenUp(int x, int y) override;
    int DrawBackground(QeSurface* surface, const RECT& rect) override;
    int DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override;
    bool MatchesFilter(const TableItem& row, const std::wstring& text) override;

    // Every row built again from the model under the options' sort and view types; every group
    // expanded. 1.
    int Refresh();
    // One buddy's presence or nickname changed. 1.
    int UpdateBuddyRow(const Buddy* buddy);
    // Every row gone and the filter emptied, reading no row (the model is about to be emptied).
    void RemoveRows();

    // Before index when it names a row, else appended.
    void AddGroupRow(BuddyGroup* group, int32_t index);
    void AddBuddyRow(Buddy* buddy, int32_t index);
    // The first header of the group with this id, or -1.
    int32_t FindGroupRow(const std::wstring& groupId) const;
    // The first buddy row of a buddy with the same Id: among all rows for start < 0, else from
    // start on up to the first row that is not a buddy row. -1 when none.
    int32_t FindBuddyRow(const Buddy* buddy, int32_t start) const;
    // Repaints every row of this buddy, while the table is visible.
    void RedrawBuddyRows(const Buddy* buddy);
    // The selected row's buddy, with the group of the nearest header above it, to the profile.
    void OpenProfile();

    // A group header's text: the name, then the online and all members, "Name (1/3)".
    static std::wstring HeaderText(const BuddyGroup& group);
    // x at or left of which a tap on a buddy row opens the chat (row coordinates).
    static int ChatTapThreshold();

private:
    void InvalidateGroupHeaders(const Buddy& buddy);
    // Before index when it names a row, else appended.
    void AddRow(uint32_t kind, uintptr_t model, int32_t height, int32_t index);
    int32_t RowHeight() const;

    BuddyRowLook m_look;
    QeSkinImage m_disclosureButton;

    static ClassSkin s_skin;
};
