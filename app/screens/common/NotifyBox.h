// A titled notice with OK and a check box (the server's notices). Made for each use, centred,
// reports 1 to its callback when OK is tapped and deletes itself; a tap outside changes nothing.
#pragma once

#include <string>

#include "app/screens/common/SkinBox.h"

class NotifyBox : public SkinBox {
public:
    static constexpr const wchar_t* kSection = L"NotifyBox";
    enum Kind : int { kOk = 1, kCheck = 2 };

    NotifyBox();

    // Opens a new box of kind 3 and answers it; null when the popup refused (the box is gone).
    static NotifyBox* Show(const std::wstring& title, const std::wstring& text, const std::wstring& checkText,
                           Callback callback, void* context);

    void OnRectChanged(const RECT& rect) override;
    int OnNotify(QeWindow* child, int code) override;

    QeLabel& TitleText() { return m_titleText; }

private:
    QeLabel m_titleText;
    static ClassSkin s_skin;
};
