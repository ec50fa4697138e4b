// One dot per open chat in the status bar's chat page strip, in groups of eight of which one
// shows at a time, with Prev and Next marks when there are groups before or after it. The dots
// only show: the pen passes them by.
#pragma once

#include <memory>
#include <vector>

#include "framework/controls/QeCheckBox.h"
#include "framework/controls/QeImageView.h"
#include "framework/ui/view/QeWindow.h"

class PageIndicator : public QeWindow {
public:
    static constexpr const wchar_t* kElement = L"PageIndicator";
    static constexpr int kGap = 10;
    static constexpr int kDotsPerGroup = 8;
    // Prev and Next take the ends of a row of this many slots.
    static constexpr int kMarkSlots = 10;
    static constexpr int kSlot = 22;

    // One dot per chat again, laid out, the stored current index applied.
    void Rebuild();
    // The dot of the index checked and its group shown.
    void SetCurrent(int index);
    int Current() const { return m_current; }

    void OnRectChanged(const RECT& rect) override;

    QeImageView& Prev() { return m_prev; }
    QeImageView& Next() { return m_next; }
    size_t DotCount() const { return m_dots.size(); }
    QeCheckBox& Dot(size_t index) { return *m_dots[index]; }

private:
    QeImageView m_prev;
    QeImageView m_next;
    std::vector<std::unique_ptr<QeCheckBox>> m_dots;
    int m_current = 0;
};
