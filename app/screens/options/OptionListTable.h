// The option list's eight fixed rows: a label and the current value of each setting; a tap opens
// the row's page.
#pragma once

#include <cstdint>
#include <string>

#include "app/ScreenSkin.h"
#include "app/screens/TableRowPainter.h"
#include "framework/controls/QeTableView.h"
#include "framework/ui/drawing/QeSkinElements.h"

class OptionListTable : public QeTableView {
public:
    static constexpr int32_t kRowCount = 8;

    // Loads the row elements and adds the eight rows, at full height at once. True.
    bool Create();

    int DrawBackground(QeSurface* surface, const RECT& rect) override;
    int DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override;
    int OnPenUp(int x, int y) override;

    // The row's label, and the current value it shows, read from the model now; empty outside the
    // rows.
    static std::wstring RowLabel(int32_t row);
    static std::wstring RowValue(int32_t row);

private:
    // Loads the choice page or names the page of the row, and slides to it.
    static void OpenRow(int32_t row);

    QeSkinImage m_selectionBar;
    QeSkinImage m_line;
    QeSkinText m_lText;
    QeSkinText m_rText;
    QeSkinImage m_disclosure;
    static ClassSkin s_skin;
    static CaptionColors s_captionColors;
};
