// The connecting panel's bar: ten cells that fill one per tick, from none to ten, and start again
// (eleven states, one tick every 0.2 s). Its timer runs exactly while the bar is visible. The
// cells are check boxes that ignore the pen: only the ticks fill them.
#pragma once

#include "framework/controls/QeCheckBox.h"
#include "framework/ui/view/QeWindow.h"

class QeMarkupElement;

class LoginProgressBar : public QeWindow {
public:
    static constexpr int kCellCount = 10;
    static constexpr int kCellSize = 24;
    static constexpr float kTickSeconds = 0.2f;

    ~LoginProgressBar() override;

    // Adds the ten cells, each loaded from the element.
    bool Create(const QeMarkupElement* element);
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;

    // How many cells are filled: 0 to 10, and -1 before the first tick.
    int Position() const { return m_position; }
    const QeCheckBox& Cell(int index) const { return m_cells[index]; }

private:
    static void OnTick(void* user);
    void Tick();
    void StopTimer();

    QeCheckBox m_cells[kCellCount];
    int m_position = -1;
    UINT m_timer = 0;
};
