#include "app/screens/common/NotifyBox.h"

#include "app/screens/common/PopupParts.h"

ClassSkin NotifyBox::s_skin;

NotifyBox::NotifyBox() {
    closeOnOutside = 0;
    for (QeWindow* child : std::initializer_list<QeWindow*>{&m_icon, &m_titleText, &m_text, &m_checkBox,
                                                            &m_checkBoxText, &m_okButton}) {
        AddChild(child);
    }
    PopupParts::LoadFrames(*this, kSection);
    s_skin.Load(m_icon, {kSection, L"Icon"});
    s_skin.Load(m_titleText, {kSection, L"TitleText"});
    s_skin.Load(m_text, {kSection, L"Text"});
    s_skin.Load(m_checkBox, {kSection, L"CheckBox"});
    s_skin.Load(m_checkBoxText, {kSection, L"CheckBoxText"});
    s_skin.Load(m_okButton, {kSection, L"OkButton"});
    PopupParts::RegisterContent(&m_text);
}

NotifyBox::~NotifyBox() { PopupParts::ReleaseContent(&m_text); }

NotifyBox* NotifyBox::Show(const std::wstring& title, const std::wstring& text, const std::wstring& checkText,
                           Callback callback, void* context) {
    auto* box = new NotifyBox;
    box->m_titleText.Text().SetText(title);
    box->m_text.SetText(text);
    box->m_checkBoxText.Text().SetText(checkText);
    box->m_kind = kOk | kCheck;
    PopupParts::HideSip();
    box->m_icon.SetVisible(true);
    box->m_titleText.SetVisible(true);
    box->m_text.SetVisible(true);
    box->m_okButton.SetVisible((box->m_kind & kOk) != 0);
    box->m_checkBox.SetVisible((box->m_kind & kCheck) != 0);
    box->m_checkBoxText.SetVisible((box->m_kind & kCheck) != 0);
    if (box->Popup(PopupParts::SectionSize(s_skin, kSection), callback, context) == 0) {
        delete box;
        return nullptr;
    }
    return box;
}

void NotifyBox::OnRectChanged(const RECT& rect) {
    QePopup::OnRectChanged(rect);
    m_icon.SetRect(s_skin.Rect({kSection, L"Icon"}));
    m_titleText.SetRect(s_skin.Rect({kSection, L"TitleText"}));
    m_checkBox.SetRect(s_skin.Rect({kSection, L"CheckBox"}));
    m_checkBoxText.SetRect(s_skin.Rect({kSection, L"CheckBoxText"}));
    m_okButton.SetRect(s_skin.Rect({kSection, L"OkButton"}));
    m_text.SetRect(s_skin.Rect({kSection, m_checkBox.IsVisible() ? L"TextWithCheckBox" : L"Text"}));
}

int NotifyBox::OnNotify(QeWindow* child, int code) {
    if (code == kNotifyClick && child == &m_okButton) Close(1);
    return 1;
}
