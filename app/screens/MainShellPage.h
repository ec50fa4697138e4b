// A main page that its screen's issue has not built yet, with its real tab bar: the tab bar
// first (beneath the other parts), then the shell parts. Shown, it puts the status bar into the
// buddy card mode and checks its own tab, as every main page does.
#pragma once

#include "app/screens/ShellPage.h"
#include "app/screens/common/TabBar.h"

void ShowStatusBarCard();

template <class Page, size_t N, int kTab>
class MainShellPage : public ShellPage<Page, N> {
public:
    bool Create() {
        this->AddChild(&m_tabBar);
        return m_tabBar.Create() && ShellPage<Page, N>::Create();
    }

    void OnRectChanged(const RECT& rect) override {
        ShellPage<Page, N>::OnRectChanged(rect);
        m_tabBar.SetRect(TabBar::BarRect());
    }

    void OnVisibleChanged(bool visible) override {
        ShellPage<Page, N>::OnVisibleChanged(visible);
        m_tabBar.SetVisible(visible);
        if (!visible) return;
        ShowStatusBarCard();
        m_tabBar.CheckTab(kTab);
    }

    TabBar& Tabs() { return m_tabBar; }

private:
    TabBar m_tabBar;
};
