#include "app/screens/buddies/GroupAddHelpView.h"

#include "framework/ui/drawing/QeDC.h"

ClassSkin GroupAddHelpView::s_skin;

namespace {
constexpr const wchar_t* kSection = L"GroupAdd";
}

bool GroupAddHelpView::Create() {
    AddChild(&m_help1);
    AddChild(&m_help2);
    s_skin.Load(m_help1, {kSection, L"TitleBar", L"HelpText1"});
    s_skin.Load(m_help2, {kSection, L"TitleBar", L"HelpText2"});
    s_skin.BackColor({kSection, L"TitleBar"});
    s_skin.MarkRead();
    return true;
}

void GroupAddHelpView::OnRectChanged(const RECT&) {
    m_help1.SetRect(s_skin.Rect({kSection, L"TitleBar", L"HelpText1"}));
    m_help2.SetRect(s_skin.Rect({kSection, L"TitleBar", L"HelpText2"}));
}

void GroupAddHelpView::OnVisibleChanged(bool visible) {
    m_help1.SetVisible(visible);
    m_help2.SetVisible(visible);
}

int GroupAddHelpView::Draw(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor({kSection, L"TitleBar"}), rect);
    return 1;
}
