// The buddy chooser's table: the buddy list's groups and buddy rows, each buddy row with a tick
// box. A header's user value is a BuddyGroup*, a buddy row's a Buddy*: the rows go before the
// model is emptied (RemoveRows).
//
// Rules callers rely on:
//   - the tick is the buddy's own Ticked flag, so every row of a buddy listed under two groups
//     shows it, and a tap on either row turns it over and repaints both;
//   - Refresh lists connected buddies only for an invitation, every buddy for memo recipients, and
//     as the options say otherwise; the options themselves are never changed;
//   - a tap on a header folds or unfolds it.
#pragma once

#include <cstdint>
#include <string>

#include "app/ScreenSkin.h"
#include "app/screens/buddies/BuddyRowLook.h"
#include "framework/controls/QeTableView.h"
#include "framework/ui/drawing/QeSkinElements.h"

class Buddy;

class BuddySelectTable : public QeTableView {
public:
    // Loads the row elements and reads the class-wide values from Tevrik/BuddySelect/View. True.
    bool Create();

    // Every row built again from the model for the chooser's mode (BuddySelectPage::Mode); every
    // group expanded. True.
    bool Refresh(uint32_t mode);
    // Every row gone and the filter emptied, reading no row (the model is about to be emptied).
    void RemoveRows();

    int OnPenUp(int x, int y) override;
    int DrawBackground(QeSurface* surface, const RECT& rect) override;
    int DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override;
    bool MatchesFilter(const TableItem& row, const std::wstring& text) override;

private:
    // Repaints every row of this buddy.
    void RedrawBuddyRows(const Buddy* buddy);

    BuddyRowLook m_look;
    QeSkinImage m_checkBoxUnchecked, m_checkBoxChecked;

    static ClassSkin s_skin;
};
