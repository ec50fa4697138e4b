#include "app/screens/login/LoginProgressBar.h"

#include "framework/base/QeTimerManager.h"
#include "framework/controls/QeBoxLayout.h"

LoginProgressBar::~LoginProgressBar() { StopTimer(); }

bool LoginProgressBar::Create(const QeMarkupElement* element) {
    for (QeCheckBox& cell : m_cells) {
        AddChild(&cell);
        cell.SetVisible(true);
        cell.SetReadOnly(true);
        if (element != nullptr) cell.Load(*element);
    }
    return true;
}

void LoginProgressBar::OnRectChanged(const RECT& rect) {
    const RECT area{0, 0, rect.right - rect.left, rect.bottom - rect.top};
    const RECT cell{0, 0, kCellSize, kCellSize};
    for (int i = 0; i < kCellCount; ++i) m_cells[i].SetRect(QeLayoutSpreadItem(area, cell, i, kCellCount));
}

void LoginProgressBar::OnVisibleChanged(bool visible) {
    StopTimer();
    if (!visible) return;
    for (QeCheckBox& cell : m_cells) cell.SetChecked(false);
    m_position = -1;
    if (QeTimerManager* timers = QeTimerManager::Instance()) m_timer = timers->Add(0, kTickSeconds, &OnTick, this);
}

void LoginProgressBar::OnTick(void* user) { static_cast<LoginProgressBar*>(user)->Tick(); }

void LoginProgressBar::Tick() {
    if (++m_position > kCellCount) m_position = 0;
    for (int i = 0; i < kCellCount; ++i) m_cells[i].SetChecked(i < m_position);
}

void LoginProgressBar::StopTimer() {
    if (m_timer == 0) return;
    if (QeTimerManager* timers = QeTimerManager::Instance()) timers->Remove(m_timer);
    m_timer = 0;
}
