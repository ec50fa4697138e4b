#include "app/screens/common/SkinButtonBar.h"

#include "framework/ui/drawing/QeDC.h"

bool SkinButtonBar::Create() {
    for (const Placed& placed : m_buttons) {
        AddChild(placed.button);
        m_skin.Load(*placed.button, {m_section, L"ButtonBar", placed.name});
    }
    return true;
}

void SkinButtonBar::OnRectChanged(const RECT&) {
    for (const Placed& placed : m_buttons) placed.button->SetRect(m_skin.Rect({m_section, L"ButtonBar", placed.name}));
}

void SkinButtonBar::OnVisibleChanged(bool visible) {
    for (const Placed& placed : m_buttons) placed.button->SetVisible(visible);
}

int SkinButtonBar::Draw(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(m_skin.BackColor({m_section, L"ButtonBar"}), rect);
    return 1;
}
