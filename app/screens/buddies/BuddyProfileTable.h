// The profile's seven fixed rows. Each row reads the shown buddy and group when it is painted, so
// the page follows the model without being rebuilt; both may be null (after a log-out), and then
// every value is empty and every action sends nothing.
#pragma once

#include <cstdint>
#include <string>

#include "app/ScreenSkin.h"
#include "app/screens/TableRowPainter.h"
#include "framework/controls/QeTableView.h"
#include "framework/ui/drawing/QeSkinElements.h"

class Buddy;
class BuddyGroup;

class BuddyProfileTable : public QeTableView {
public:
    static constexpr int32_t kRowCount = 7;
    static constexpr int32_t kNameRow = 0;
    static constexpr int32_t kGroupRow = 6;

    // Loads the row elements and adds the seven rows. True.
    bool Create();

    int DrawBackground(QeSurface* surface, const RECT& rect) override;
    int DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override;
    int OnPenUp(int x, int y) override;

    void SetBuddy(Buddy* buddy, BuddyGroup* group) {
        m_buddy = buddy;
        m_group = group;
    }
    void SetGroup(BuddyGroup* group) { m_group = group; }
    Buddy* ShownBuddy() const { return m_buddy; }
    BuddyGroup* ShownGroup() const { return m_group; }

    // The caption and the value row `row` shows now; empty outside the rows.
    static std::wstring RowCaption(int32_t row);
    std::wstring RowValue(int32_t row) const;
    // "%d월 %d일 %s" for a birthday that reads as a date ("yyyyMMdd"), else empty.
    static std::wstring BirthdayText(const std::wstring& profile6, uint8_t flag10);
    // Row 0's zones, in row coordinates: a tap at x below each threshold is left of that icon.
    enum Threshold { kChatThreshold, kMemoThreshold, kEndThreshold };
    static int IconThreshold(Threshold which);

    void OpenChat();
    void WriteMemo();
    void OpenGroupSelect();

private:
    QeSkinImage m_selectionBar;
    QeSkinImage m_line;
    QeSkinText m_lText;
    QeSkinText m_rText;
    QeSkinImage m_buddyIcon;
    QeSkinImage m_chatIcon;
    QeSkinImage m_memoIcon;
    QeSkinImage m_disclosureButton;
    Buddy* m_buddy = nullptr;
    BuddyGroup* m_group = nullptr;
    static ClassSkin s_skin;
    static CaptionColors s_captionColors;
};
