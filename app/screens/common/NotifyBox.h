// A titled notice with OK and a check box (the server's notices). Made for each use, centred,
// reports 1 to its callback when OK is tapped and deletes itself; a tap outside changes nothing.
#pragma once

#include <string>

#include "app/ScreenSkin.h"
#include "framework/controls/QeButton.h"
#include "framework/controls/QeCheckBox.h"
#include "framework/controls/QeEdit.h"
#include "framework/controls/QeImageView.h"
#include "framework/controls/QeLabel.h"
#include "framework/ui/view/QePopup.h"

class NotifyBox : public QePopup {
public:
    static constexpr const wchar_t* kSection = L"NotifyBox";
    enum Kind : int { kOk = 1, kCheck = 2 };

    NotifyBox();
    ~NotifyBox() override;

    // Opens a new box of kind 3 and answers it; null when the popup refused (the box is gone).
    static NotifyBox* Show(const std::wstring& title, const std::wstring& text, const std::wstring& checkText,
                           Callback callback, void* context);

    void OnRectChanged(const RECT& rect) override;
    int OnNotify(QeWindow* child, int code) override;

    QeImageView& Icon() { return m_icon; }
    QeLabel& TitleText() { return m_titleText; }
    QeEdit& Text() { return m_text; }
    QeCheckBox& CheckBox() { return m_checkBox; }
    QeLabel& CheckBoxText() { return m_checkBoxText; }
    QeButton& OkButton() { return m_okButton; }

private:
    int m_kind = 0;
    QeImageView m_icon;
    QeLabel m_titleText;
    QeEdit m_text;
    QeCheckBox m_checkBox;
    QeLabel m_checkBoxText;
    QeButton m_okButton;
    static ClassSkin s_skin;
};
