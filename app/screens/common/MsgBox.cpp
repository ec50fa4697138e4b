#include "app/screens/common/MsgBox.h"

ClassSkin MsgBox::s_skin;

MsgBox::MsgBox() : SkinBox(kSection, s_skin) {
    AddPart(m_yesButton, L"YesButton");
    AddPart(m_noButton, L"NoButton");
}

namespace {

MsgBox* Opened(MsgBox* box, int kind, QePopup::Callback callback, void* context) {
    if (box->Show(kind, callback, context) != 0) return box;
    delete box;
    return nullptr;
}

}  // namespace

MsgBox* MsgBox::Alert(const std::wstring& text) {
    auto* box = new MsgBox;
    box->Text().SetText(text);
    return Opened(box, kOk, nullptr, nullptr);
}

MsgBox* MsgBox::Confirm(const std::wstring& text, Callback callback, void* context) {
    auto* box = new MsgBox;
    box->Text().SetText(text);
    return Opened(box, kYesNo, callback, context);
}

MsgBox* MsgBox::Confirm(const std::wstring& text, std::function<void(int result)> onResult) {
    auto* box = new MsgBox;
    box->Text().SetText(text);
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
    box->Text().SetText(text);
    box->CheckBoxText().Text().SetText(checkText);
    return Opened(box, kYesNo | kCheck, callback, context);
}

int MsgBox::Show(int kind, Callback callback, void* context) {
    m_kind = kind;
    const bool ok = (kind & kOk) != 0;
    OkButton().SetVisible(ok);
    m_yesButton.SetVisible(!ok);
    m_noButton.SetVisible(!ok);
    return Open((kind & kCheck) != 0, callback, context);
}

void MsgBox::OnRectChanged(const RECT& rect) {
    SkinBox::OnRectChanged(rect);
    m_yesButton.SetRect(PartRect(L"YesButton"));
    m_noButton.SetRect(PartRect(L"NoButton"));
}

int MsgBox::OnNotify(QeWindow* child, int code) {
    if (code != kNotifyClick) return 1;
    // Close hands the box to the loop for freeing; nothing of it is touched afterwards.
    if (child == &OkButton()) {
        Close(kResultOk);
    } else if (child == &m_yesButton) {
        Close(kResultYes);
    } else if (child == &m_noButton) {
        Close(kResultNo);
    }
    return 1;
}
