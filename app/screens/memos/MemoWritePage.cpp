#include "app/screens/memos/MemoWritePage.h"

#include "app/screens/common/StatusBar.h"
#include "app/screens/common/ViewAndBarPage.h"

ClassSkin MemoWritePage::s_skin;

bool MemoWritePage::Create() {
    AddChild(&m_form);
    const bool made = m_form.Create();
    return made;
}

void MemoWritePage::OnRectChanged(const RECT&) { m_form.SetRect(s_skin.Rect({kSection, L"View"})); }

void MemoWritePage::OnVisibleChanged(bool visible) {
    m_form.SetVisible(visible);
    if (visible) ShowPageTitle(StatusBar::kModeTitle, kTitle);
}
