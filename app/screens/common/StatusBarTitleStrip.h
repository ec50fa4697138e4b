// The status bar's modes 1 to 3: Back, the page title, and the add button of the buddy add
// (mode 2) or group add (mode 3) page. Its widgets are children of the status bar.
#pragma once

#include <string>

#include "framework/controls/QeButton.h"
#include "framework/controls/QeLabel.h"

class StatusBar;

class StatusBarTitleStrip {
public:
    static constexpr const wchar_t* kPart = L"Disclosure";

    explicit StatusBarTitleStrip(StatusBar& bar) : m_bar(bar) {}

    void Create();
    void Layout();
    // Back and Title for modes 1 to 3, the add button of modes 2 and 3; 0 hides everything.
    void Show(int mode);
    bool OnNotify(QeWindow* child, int code);

    void SetTitle(const std::wstring& title);

    QeButton& BackButton() { return m_backButton; }
    QeLabel& Title() { return m_title; }
    QeButton& BuddyAddButton() { return m_buddyAddButton; }
    QeButton& GroupAddButton() { return m_groupAddButton; }

private:
    StatusBar& m_bar;
    QeButton m_backButton;
    QeLabel m_title;
    QeButton m_buddyAddButton;
    QeButton m_groupAddButton;
};
