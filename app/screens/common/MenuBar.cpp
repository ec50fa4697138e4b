#include "app/screens/common/MenuBar.h"

ClassSkin MenuBar::s_skin;

MenuBar::MenuBar() { SetOwnDC(true); }

bool MenuBar::Create() {
    AddChild(&m_background);
    m_background.SetVisible(true);
    s_skin.Load(m_background, {kSection, L"BackgroundSkin"});
    s_skin.MarkRead();
    return true;
}

void MenuBar::OnRectChanged(const RECT&) { m_background.SetRect(s_skin.Rect({kSection, L"BackgroundSkin"})); }
