#include "app/screens/options/OptionHelpView.h"

#include "framework/ui/drawing/QeDC.h"

ClassSkin OptionHelpView::s_skin;

namespace {
constexpr const wchar_t* kSection = L"Option";
}

bool OptionHelpView::Create() {
    AddChild(&m_help1);
    AddChild(&m_help2);
    s_skin.Load(m_help1, {kSection, L"TitleBar", L"HelpText1"});
    s_skin.Load(m_help2, {kSection, L"TitleBar", L"HelpText2"});
    s_skin.BackColor({kSection, L"TitleBar"});
    s_skin.MarkRead();
    return true;
}

void OptionHelpView::OnRectChanged(const RECT&) {
    m_help1.SetRect(s_skin.Rect({kSection, L"TitleBar", L"HelpText1"}));
    m_help2.SetRect(s_skin.Rect({kSection, L"TitleBar", L"HelpText2"}));
}

void OptionHelpView::OnVisibleChanged(bool visible) {
    m_help1.SetVisible(visible);
    m_help2.SetVisible(visible);
}

int OptionHelpView::Draw(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor({kSection, L"TitleBar"}), rect);
    return 1;
}

void OptionHelpView::SetHelp1(const std::wstring& text) {
    m_help1.Text().SetText(text);
    m_help1.Invalidate(RECT{}, true);
}

void OptionHelpView::SetHelp2(const std::wstring& text) {
    m_help2.Text().SetText(text);
    m_help2.Invalidate(RECT{}, true);
}
