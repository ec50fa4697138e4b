#include "app/screens/common/HelpLinesView.h"

#include "framework/ui/drawing/QeDC.h"

bool HelpLinesView::Create() {
    AddChild(&m_help1);
    AddChild(&m_help2);
    m_skin.Load(m_help1, {m_section, L"TitleBar", L"HelpText1"});
    m_skin.Load(m_help2, {m_section, L"TitleBar", L"HelpText2"});
    return true;
}

void HelpLinesView::OnRectChanged(const RECT&) {
    m_help1.SetRect(m_skin.Rect({m_section, L"TitleBar", L"HelpText1"}));
    m_help2.SetRect(m_skin.Rect({m_section, L"TitleBar", L"HelpText2"}));
}

void HelpLinesView::OnVisibleChanged(bool visible) {
    m_help1.SetVisible(visible);
    m_help2.SetVisible(visible);
}

int HelpLinesView::Draw(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(m_skin.BackColor({m_section, L"TitleBar"}), rect);
    return 1;
}

void HelpLinesView::SetHelp1(const std::wstring& text) {
    m_help1.Text().SetText(text);
    m_help1.Invalidate(RECT{}, true);
}

void HelpLinesView::SetHelp2(const std::wstring& text) {
    m_help2.Text().SetText(text);
    m_help2.Invalidate(RECT{}, true);
}
