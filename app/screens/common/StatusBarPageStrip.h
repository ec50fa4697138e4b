// The status bar's mode 4, over each chat page: Back, one dot per open chat, and Close, which
// ends the chat of the page shown. Its widgets are children of the status bar.
#pragma once

#include "app/screens/common/PageIndicator.h"
#include "framework/controls/QeButton.h"

class StatusBar;

class StatusBarPageStrip {
public:
    static constexpr const wchar_t* kPart = L"ChatPage";

    explicit StatusBarPageStrip(StatusBar& bar) : m_bar(bar) {}

    void Create();
    void Layout();
    void Show(bool show);
    bool OnNotify(QeWindow* child, int code);

    QeButton& BackButton() { return m_backButton; }
    PageIndicator& Indicator() { return m_pageIndicator; }
    QeButton& CloseButton() { return m_closeButton; }

private:
    // Ignored while a transition runs; else CSES KILL for the page's chat, the input panel
    // hidden, the page marked closing, and back. The mark comes before the go-back: a go-back
    // that ends at once (a refused transition) tells the page so at once.
    void CloseCurrentChat();

    StatusBar& m_bar;
    QeButton m_backButton;
    PageIndicator m_pageIndicator;
    QeButton m_closeButton;
};
