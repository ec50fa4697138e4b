// The status bar's mode 0: the user's own presence icon and nickname, and the two web links.
// Its widgets are children of the status bar.
#pragma once

#include <string>

#include "framework/controls/QeButton.h"
#include "framework/controls/QeImageView.h"
#include "framework/controls/QeLabel.h"

class StatusBar;

class StatusBarBuddyCard {
public:
    static constexpr const wchar_t* kPart = L"Default";

    explicit StatusBarBuddyCard(StatusBar& bar) : m_bar(bar) {}

    void Create();
    void Layout();
    void Show(bool show);
    // True when the child is one of the card's widgets.
    bool OnNotify(QeWindow* child, int code);

    // The account's presence (never a blocked icon: the user's own) and nickname.
    void Refresh();

    // The page of the code on the redirect host, with the ticket the service sent appended as it
    // stands: "http://host/index.php?code=G115&t=<ticket>".
    static std::wstring WebPageUrl(const wchar_t* code, const std::wstring& ticket);

    QeImageView& StatusIcon() { return m_statusIcon; }
    QeLabel& Nick() { return m_nick; }
    QeButton& MailIcon() { return m_mailIcon; }
    QeButton& PontaroIcon() { return m_pontaroIcon; }

private:
    static void OpenWebPage(const wchar_t* code);

    StatusBar& m_bar;
    QeImageView m_statusIcon;
    QeLabel m_nick;
    QeButton m_mailIcon;
    QeButton m_pontaroIcon;
};
