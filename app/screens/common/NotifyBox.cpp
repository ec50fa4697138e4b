#include "app/screens/common/NotifyBox.h"

ClassSkin NotifyBox::s_skin;

NotifyBox::NotifyBox() : SkinBox(kSection, s_skin) { AddPart(m_titleText, L"TitleText"); }

NotifyBox* NotifyBox::Show(const std::wstring& title, const std::wstring& text, const std::wstring& checkText,
                           Callback callback, void* context) {
    auto* box = new NotifyBox;
    box->m_titleText.Text().SetText(title);
    box->Text().SetText(text);
    box->CheckBoxText().Text().SetText(checkText);
    box->OkButton().SetVisible(true);
    box->m_titleText.SetVisible(true);
    if (box->Open(true, callback, context) == 0) {
        delete box;
        return nullptr;
    }
    return box;
}

void NotifyBox::OnRectChanged(const RECT& rect) {
    SkinBox::OnRectChanged(rect);
    m_titleText.SetRect(PartRect(L"TitleText"));
}

int NotifyBox::OnNotify(QeWindow* child, int code) {
    if (code == kNotifyClick && child == &OkButton()) Close(1);
    return 1;
}
