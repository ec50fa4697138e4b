#include "app/screens/common/SkinBox.h"

#include "app/screens/common/PopupParts.h"

SkinBox::SkinBox(const wchar_t* section, ClassSkin& skin) : m_section(section), m_skin(skin) {
    closeOnOutside = 0;
    for (QeWindow* child : std::initializer_list<QeWindow*>{&m_icon, &m_text, &m_checkBox, &m_checkBoxText, &m_okButton}) {
        AddChild(child);
    }
    PopupParts::LoadFrames(*this, section);
    ScreenSkin::Load(m_icon, {section, L"Icon"});
    ScreenSkin::Load(m_text, {section, L"Text"});
    ScreenSkin::Load(m_checkBox, {section, L"CheckBox"});
    ScreenSkin::Load(m_checkBoxText, {section, L"CheckBoxText"});
    ScreenSkin::Load(m_okButton, {section, L"OkButton"});
    PopupParts::RegisterContent(&m_text);
}

SkinBox::~SkinBox() { PopupParts::ReleaseContent(&m_text); }

void SkinBox::OnRectChanged(const RECT& rect) {
    QePopup::OnRectChanged(rect);
    m_icon.SetRect(PartRect(L"Icon"));
    m_checkBox.SetRect(PartRect(L"CheckBox"));
    m_checkBoxText.SetRect(PartRect(L"CheckBoxText"));
    m_okButton.SetRect(PartRect(L"OkButton"));
    m_text.SetRect(PartRect(m_checkBox.IsVisible() ? L"TextWithCheckBox" : L"Text"));
}

int SkinBox::Open(bool withCheckBox, Callback callback, void* context) {
    PopupParts::HideSip();
    m_icon.SetVisible(true);
    m_text.SetVisible(true);
    m_checkBox.SetVisible(withCheckBox);
    m_checkBoxText.SetVisible(withCheckBox);
    return Popup(PopupParts::SectionSize(m_skin, m_section), callback, context);
}
