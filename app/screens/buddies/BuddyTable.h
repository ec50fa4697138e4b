// What the buddy list's table and the buddy chooser's share: a foldable header per group and a row
// per buddy of the group, built from BuddyListRows and painted with the list's BuddyRowLook. A
// header's user value is a BuddyGroup*, a buddy row's a Buddy*: the rows go before the model is
// emptied (RemoveRows). The filter keeps the buddy rows whose name or id holds the text.
#pragma once

#include <cstdint>
#include <string>

#include "app/ScreenSkin.h"
#include "app/screens/buddies/BuddyRowLook.h"
#include "framework/controls/QeTableView.h"

class Buddy;
class BuddyGroup;

class BuddyTable : public QeTableView {
public:
    // Every row gone and the filter emptied, reading no row (the model is about to be emptied).
    void RemoveRows();
    // Repaints every row of this buddy, while the table is visible.
    void RedrawBuddyRows(const Buddy* buddy);

    int DrawBackground(QeSurface* surface, const RECT& rect) override;
    int DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override;
    bool MatchesFilter(const TableItem& row, const std::wstring& text) override;

protected:
    // Every row built again from the model under the sort type and the options' view type; every
    // group expanded.
    void FillRows(uint32_t sortType);

    // What a buddy row draws: the look's buddy and the table's own parts around it.
    virtual void DrawBuddyRow(TableRowPainter& painter, const Buddy& buddy) = 0;
    virtual std::wstring HeaderCaption(const BuddyGroup& group) const = 0;

    // The options' view type; 3 (the name over the nickname) without options.
    static uint32_t ViewType();
    template <class Model>
    static Model* UserValue(const TableItem* row) {
        return row != nullptr ? reinterpret_cast<Model*>(row->userValue) : nullptr;
    }

    BuddyRowLook m_look;
};
