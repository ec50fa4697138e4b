// The program's one message box: an alert with OK, a Yes/No question, or a Yes/No question with a
// check box. Each use makes a new box that pops up centred, reports 1 (OK), 2 (Yes) or 3 (No) to
// its callback and deletes itself; only its buttons close it. The callback may read the check box
// from the box it is handed.
#pragma once

#include <functional>
#include <string>

#include "app/screens/common/SkinBox.h"

class MsgBox : public SkinBox {
public:
    static constexpr const wchar_t* kSection = L"MsgBox";
    enum Kind : int { kOk = 1, kYesNo = 2, kCheck = 4 };
    enum Result : int { kResultOk = 1, kResultYes = 2, kResultNo = 3 };

    MsgBox();

    // Each opens a new box and answers it (it lives until it closes); null when the popup refused
    // (the box is gone).
    static MsgBox* Alert(const std::wstring& text);
    static MsgBox* Confirm(const std::wstring& text, Callback callback, void* context);
    // The function hears the result the box closes with (0 when another popup replaced it) and is
    // freed with the box.
    static MsgBox* Confirm(const std::wstring& text, std::function<void(int result)> onResult);
    static MsgBox* ConfirmWithCheck(const std::wstring& text, const std::wstring& checkText, Callback callback,
                                    void* context);
    // The common step: shows the kind's widgets and pops up. 0 when the popup refused.
    int Show(int kind, Callback callback, void* context);

    void OnRectChanged(const RECT& rect) override;
    int OnNotify(QeWindow* child, int code) override;

    int KindBits() const { return m_kind; }
    QeButton& YesButton() { return m_yesButton; }
    QeButton& NoButton() { return m_noButton; }

protected:
    // A question's Yes and No, an alert's OK.
    QeWindow* DefaultButton() override { return m_yesButton.IsVisible() ? &m_yesButton : SkinBox::DefaultButton(); }
    QeWindow* CancelButton() override { return m_noButton.IsVisible() ? &m_noButton : SkinBox::CancelButton(); }

private:
    static void CallOnResult(void* context, QePopup* popup, int result);

    int m_kind = 0;
    std::function<void(int result)> m_onResult;
    QeButton m_yesButton;
    QeButton m_noButton;
    static ClassSkin s_skin;
};
