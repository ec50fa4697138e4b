// The chooser's radio rows: one per group, by name in code-unit order, rebuilt each time the
// table is shown. A tap moves the check; the checked row's name is what the chooser hands back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/ScreenSkin.h"
#include "app/screens/TableRowPainter.h"
#include "framework/controls/QeTableView.h"
#include "framework/ui/drawing/QeSkinElements.h"

class GroupSelectTable : public QeTableView {
public:
    bool Create();

    // The names of the groups as they are now, and the row whose name is the selected one ("기타"
    // for an empty selection); none (-1) when no row has it.
    void Refresh();

    void OnVisibleChanged(bool visible) override;
    int OnPenUp(int x, int y) override;
    int DrawBackground(QeSurface* surface, const RECT& rect) override;
    int DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override;

    const std::vector<std::wstring>& Names() const { return m_names; }
    const std::wstring& SelectedName() const { return m_selectedName; }
    void SetSelectedName(const std::wstring& name) { m_selectedName = name; }
    int32_t CheckedRow() const { return m_checkedRow; }

private:
    std::vector<std::wstring> m_names;
    std::wstring m_selectedName;
    int32_t m_checkedRow = -1;
    QeSkinImage m_selectionBar;
    QeSkinImage m_line;
    QeSkinImage m_radioUnchecked;
    QeSkinImage m_radioChecked;
    QeSkinText m_groupName;
    static ClassSkin s_skin;
};
