#include "app/screens/memos/MemoReadPage.h"

#include "app/screens/common/StatusBar.h"
#include "app/screens/common/ViewAndBarPage.h"

ClassSkin MemoReadPage::s_skin;

bool MemoReadPage::Create() {
    AddChild(&m_buttonBar);
    AddChild(&m_view);
    const bool made = m_buttonBar.Create(&m_view) && m_view.Create();
    return made;
}

void MemoReadPage::OnRectChanged(const RECT&) {
    m_buttonBar.SetRect(s_skin.Rect({kSection, L"ButtonBar"}));
    m_view.SetRect(s_skin.Rect({kSection, L"View"}));
}

void MemoReadPage::OnVisibleChanged(bool visible) {
    m_buttonBar.SetVisible(visible);
    m_view.SetVisible(visible);
    if (visible) ShowPageTitle(StatusBar::kModeTitle, kTitle);
}
