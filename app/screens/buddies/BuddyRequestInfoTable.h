// The request info page's table: three fixed rows, the requester's name, id and the group the
// answer puts the buddy in. The requester and the group are set by whoever opens the page (the
// request list, the incoming request's prompt) and the group again by the chooser; the reset
// empties both before the model goes, and the rows then show empty values.
#pragma once

#include "app/ScreenSkin.h"
#include "framework/controls/QeTableView.h"
#include "framework/ui/drawing/QeSkinElements.h"

class Buddy;
class BuddyGroup;

class BuddyRequestInfoTable : public QeTableView {
public:
    enum Row : int32_t { kNameRow = 0, kIdRow = 1, kGroupRow = 2 };

    // Loads the elements from Tevrik/BuddyRequestInfo/View and makes the three rows. True.
    bool Create();

    int OnPenUp(int x, int y) override;
    int DrawBackground(QeSurface* surface, const RECT& rect) override;
    int DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override;

    void SetRequest(Buddy* requester, BuddyGroup* group);
    void SetGroup(BuddyGroup* group);
    Buddy* Requester() const { return m_requester; }
    BuddyGroup* Group() const { return m_group; }

private:
    QeSkinImage m_selectionBar, m_line;
    QeSkinText m_lText, m_rText;
    QeSkinImage m_disclosureButton;
    Buddy* m_requester = nullptr;
    BuddyGroup* m_group = nullptr;

    static ClassSkin s_skin;
};
