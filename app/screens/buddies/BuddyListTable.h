// The buddy list's table: a foldable header per group and a row per buddy of the group (see
// BuddyTable), filled from the model and kept up to date one buddy at a time.
//
// Rules callers rely on:
//   - rows added by Refresh or UpdateBuddyRow follow the stored filter at once;
//   - after UpdateBuddyRow every header of a group that holds the buddy is repainted, so its
//     online count is never stale;
//   - a tap at x <= the disclosure threshold of a buddy row opens the chat, further right the
//     profile; a tap on a header folds or unfolds it.
#pragma once

#include <string>

#include "app/screens/buddies/BuddyTable.h"
#include "framework/ui/drawing/QeSkinElements.h"

class BuddyListTable : public BuddyTable {
public:
    // Loads the row elements and reads the class-wide values from Tevrik/BuddyList/View. True.
    bool Create();

    int OnPenUp(int x, int y) override;

    // Every row built again from the model under the options' sort and view types; every group
    // expanded. 1.
    int Refresh();
    // One buddy's presence or nickname changed. 1.
    int UpdateBuddyRow(const Buddy* buddy);

    // Before index when it names a row, else appended.
    void AddGroupRow(BuddyGroup* group, int32_t index);
    void AddBuddyRow(Buddy* buddy, int32_t index);
    // The first header of the group with this id, or -1.
    int32_t FindGroupRow(const std::wstring& groupId) const;
    // The first buddy row of a buddy with the same Id: among all rows for start < 0, else from
    // start on up to the first row that is not a buddy row. -1 when none.
    int32_t FindBuddyRow(const Buddy* buddy, int32_t start) const;
    // The selected row's buddy, with the group of the nearest header above it, to the profile.
    void OpenProfile();

    // A group header's text: the name, then the online and all members, "Name (1/3)".
    static std::wstring HeaderText(const BuddyGroup& group);
    // x at or left of which a tap on a buddy row opens the chat (row coordinates).
    static int ChatTapThreshold();

private:
    void DrawBuddyRow(TableRowPainter& painter, const Buddy& buddy) override;
    std::wstring HeaderCaption(const BuddyGroup& group) const override;
    void InvalidateGroupHeaders(const Buddy& buddy);
    // Where the buddy's row belongs in the group whose header is at `header`: after every other
    // buddy row of the group that orders before it, as a refresh orders them. Its present row, or
    // -1, goes to current.
    int32_t PlaceInGroup(const Buddy& buddy, int32_t header, int32_t* current) const;
    // Before index when it names a row, else appended.
    void AddRow(uint32_t kind, uintptr_t model, int32_t height, int32_t index);
    int32_t RowHeight() const;

    QeSkinImage m_disclosureButton;

    static ClassSkin s_skin;
};
