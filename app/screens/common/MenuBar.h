// The bottom bar, visible from start-up to the end, and the program's one place that shows and
// hides the soft input panel: every screen goes through ShowSip and HideSip, so that SipButton
// checked always means the panel is shown.
#pragma once

#include "app/ScreenSkin.h"
#include "framework/controls/QeButton.h"
#include "framework/controls/QeCheckBox.h"
#include "framework/controls/QeImageView.h"
#include "framework/ui/view/QePopup.h"
#include "framework/ui/view/QeWindow.h"

class MenuBar : public QeWindow {
public:
    static constexpr const wchar_t* kSection = L"MenuBar";

    MenuBar();
    bool Create();
    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;
    int OnNotify(QeWindow* child, int code) override;
    // A panel hidden elsewhere (the program losing activation) unchecks the button too.
    int OnSipHidden() override;

    // mode 1: Latin letters and digits (ids), 0: native input (chat, memo, nickname).
    void ShowSip(int mode);
    void HideSip();
    // The chat image while a chat is unread, the memo image while a memo is; a lone memo image
    // takes the first place.
    void UpdateNotifyImages();
    void ShowSystemMenuButton();
    void HideSystemMenuButton();

    QeCheckBox& SipButton() { return m_sipButton; }
    QeButton& SystemMenuButton() { return m_systemMenuButton; }
    QeImageView& ChatNotifyImage() { return m_chatNotifyImage; }
    QeImageView& MemoNotifyImage() { return m_memoNotifyImage; }

private:
    void OnSipButtonClicked();
    void OnSystemMenuButtonClicked();
    static void OnSystemMenuClosed(void* context, QePopup* popup, int result);

    QeImageView m_backgroundSkin;
    QeCheckBox m_sipButton;
    QeButton m_systemMenuButton;
    QeImageView m_chatNotifyImage;
    QeImageView m_memoNotifyImage;
    static ClassSkin s_skin;
};
