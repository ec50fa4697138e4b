#include "app/screens/options/OptionListTitleBar.h"

ClassSkin OptionListTitleBar::s_skin;

bool OptionListTitleBar::Create() {
    AddChild(&m_background);
    AddChild(&m_icon);
    AddChild(&m_text);
    s_skin.Load(m_background, {L"OptionList", L"TitleBar", L"BackgroundSkin"});
    s_skin.Load(m_icon, {L"OptionList", L"TitleBar", L"Icon"});
    s_skin.Load(m_text, {L"OptionList", L"TitleBar", L"Text"});
    return true;
}

void OptionListTitleBar::OnRectChanged(const RECT&) {
    m_background.SetRect(s_skin.Rect({L"OptionList", L"TitleBar", L"BackgroundSkin"}));
    m_icon.SetRect(s_skin.Rect({L"OptionList", L"TitleBar", L"Icon"}));
    m_text.SetRect(s_skin.Rect({L"OptionList", L"TitleBar", L"Text"}));
}

void OptionListTitleBar::OnVisibleChanged(bool visible) {
    m_background.SetVisible(visible);
    m_icon.SetVisible(visible);
    m_text.SetVisible(visible);
}
