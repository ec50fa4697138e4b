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

#include "app/screens/buddies/BuddyTable.h"
#include "framework/ui/drawing/QeSkinElements.h"

class BuddySelectTable : public BuddyTable {
public:
    // Loads the row elements and reads the class-wide values from Tevrik/BuddySelect/View. True.
    bool Create();

    // Every row built again from the model for the chooser's mode (BuddySelectPage::Mode); every
    // group expanded. True.
    bool Refresh(uint32_t mode);

    int OnPenUp(int x, int y) override;

private:
    void DrawBuddyRow(TableRowPainter& painter, const Buddy& buddy) override;
    std::wstring HeaderCaption(const BuddyGroup& group) const override;

    QeSkinImage m_checkBoxUnchecked, m_checkBoxChecked;

    static ClassSkin s_skin;
};
