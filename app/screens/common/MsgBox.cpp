#include "app/screens/common/MsgBox.h"

#include "app/screens/common/PopupParts.h"

ClassSkin MsgBox::s_skin;

MsgBox::MsgBox() {
    closeOnOutside = 0;
    for (QeWindow* child : std::initializer_list<QeWindow*>{&m_icon, &m_text, &m_checkBox, &m_checkBoxText,
                                                            &m_okButton, &m_yesButton, &m_noButton}) {
        AddChild(child);
    }
    PopupParts::LoadFrames(*this, kSection);
    s_skin.Load(m_icon, {kSection, L"Icon"});
    s_skin.Load(m_text, {kSection, L"Text"});
    s_skin.Load(m_checkBox, {kSection, L"CheckBox"});
    s_skin.Load(m_checkBoxText, {kSection, L"CheckBoxText"});
    s_skin.Load(m_okButton, {kSection, L"OkButton"});
    s_skin.Load(m_yesButton, {kSection, L"YesButton"});
    s_skin.Load(m_noButton, {kSection, L"NoButton"});
    PopupParts::RegisterContent(&m_text);
}

MsgBox::~MsgBox() { PopupParts::ReleaseContent(&m_text); }

namespace {

MsgBox* Opened(MsgBox* box, int kind, QePopup::Callback callback, void* context) {
    if (box->Show(kind, callback, context) != 0) return box;
    delete box;
    return nullptr;
}

}  // namespace

MsgBox* MsgBox::Alert(const std::wstring& text) {
    auto* box = new MsgBox;
    box->m_text.SetText(text);
    return Opened(box, kOk, nullptr, nullptr);
}

MsgBox* MsgBox::Confirm(const std::wstring& text, Callback callback, void* context) {
    auto* box = new MsgBox;
    box->m_text.SetText(text);
    return Opened(box, kYesNo, callback, context);
}

MsgBox* MsgBox::Confirm(const std::wstring& text, std::function<void(int result)> onResult) {
    auto* box = new MsgBox;
    box->m_text.SetText(text);
    box->m_onResult = std::move(onResult);
    return Opened(box, kYesNo, &MsgBox::CallOnResult, nullptr);
}

void MsgBox::CallOnResult(void*, QePopup* popup, int result) {
    auto* box = static_cast<MsgBox*>(popup);
    if (box->m_onResult) box->m_onResult(result);
}

MsgBox* MsgBox::ConfirmWithCheck(const std::wstring& text, const std::wstring& checkText, Callback callback,
                                 void* context) {
    auto* box = new MsgBox;
    box->m_text.SetText(text);
    box->m_checkBoxText.Text().SetText(checkText);
    return Opened(box, kYesNo | kCheck, callback, context);
}

int MsgBox::Show(int kind, Callback callback, void* context) {
    m_kind = kind;
    PopupParts::HideSip();
    m_icon.SetVisible(true);
    m_text.SetVisible(true);
    const bool ok = (kind & kOk) != 0;
    m_okButton.SetVisible(ok);
    m_yesButton.SetVisible(!ok);
    m_noButton.SetVisible(!ok);
    const bool check = (kind & kCheck) != 0;
    m_checkBox.SetVisible(check);
    m_checkBoxText.SetVisible(check);
    return Popup(PopupParts::SectionSize(s_skin, kSection), callback, context);
}

void MsgBox::OnRectChanged(const RECT& rect) {
    QePopup::OnRectChanged(rect);
    m_icon.SetRect(s_skin.Rect({kSection, L"Icon"}));
    m_checkBox.SetRect(s_skin.Rect({kSection, L"CheckBox"}));
    m_checkBoxText.SetRect(s_skin.Rect({kSection, L"CheckBoxText"}));
    m_okButton.SetRect(s_skin.Rect({kSection, L"OkButton"}));
    m_yesButton.SetRect(s_skin.Rect({kSection, L"YesButton"}));
    m_noButton.SetRect(s_skin.Rect({kSection, L"NoButton"}));
    m_text.SetRect(s_skin.Rect({kSection, m_checkBox.IsVisible() ? L"TextWithCheckBox" : L"Text"}));
}

int MsgBox::OnNotify(QeWindow* child, int code) {
    if (code != kNotifyClick) return 1;
    // Close hands the box to the loop for freeing; nothing of it is touched afterwards.
    if (child == &m_okButton) {
        Close(kResultOk);
    } else if (child == &m_yesButton) {
        Close(kResultYes);
    } else if (child == &m_noButton) {
        Close(kResultNo);
    }
    return 1;
}
