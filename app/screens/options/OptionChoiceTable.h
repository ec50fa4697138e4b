// The values of one setting as radio rows (check rows for the notification scopes). A tap applies
// at once: the presence goes out in an ONST, every other setting is saved straight away.
#pragma once

#include <cstdint>
#include <string>

#include "app/ScreenSkin.h"
#include "framework/controls/QeTableView.h"
#include "framework/ui/drawing/QeSkinElements.h"

class OptionChoiceTable : public QeTableView {
public:
    enum OptionKind : uint32_t {
        kOwnStatus = 0,
        kChatType = 1,
        kViewType = 2,
        kSortType = 3,
        kNotifyType = 4,
        kNotifyScopes = 5,
        kNone = 7,
    };

    bool Create();
    // Stores the kind and puts in as many rows as it has values (none for an unknown kind), at
    // full height at once.
    void Load(uint32_t kind);
    uint32_t Kind() const { return m_kind; }

    // The status rows: online, away, other business, appear offline.
    static uint32_t StatusOfRow(int32_t row);
    // In a meeting and on the phone count as other business.
    static int32_t RowOfStatus(uint32_t status);

    int DrawBackground(QeSurface* surface, const RECT& rect) override;
    int DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override;
    int OnPenUp(int x, int y) override;

    // Row texts as drawn, for the kind now loaded.
    std::wstring RowText(int32_t row) const;
    // Whether the row shows its radio or check box checked, read from the model now.
    bool RowChecked(int32_t row) const;

private:
    // The setting that kinds 1 to 4 change; null for the others.
    static uint32_t* Setting(uint32_t kind);
    void Apply(int32_t row);

    uint32_t m_kind = kNone;
    QeSkinImage m_selectionBar;
    QeSkinImage m_line;
    QeSkinImage m_radioUnchecked;
    QeSkinImage m_radioChecked;
    QeSkinImage m_checkUnchecked;
    QeSkinImage m_checkChecked;
    QeSkinImage m_statusIcon;
    QeSkinText m_text;
    static ClassSkin s_skin;
};
