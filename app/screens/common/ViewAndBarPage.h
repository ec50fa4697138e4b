// A page of one view above a button bar ("<section>/View" and "<section>/ButtonBar") that shows
// its title in the status bar. The rectangles are kept class-wide, one record per page class.
#pragma once

#include "app/ScreenBase.h"
#include "app/ScreenSkin.h"

// The status bar in the mode with the title, as every such page shows it (ViewAndBarPage.cpp).
void ShowPageTitle(int mode, const wchar_t* title);

template <class View, class Bar>
class ViewAndBarPage : public ScreenBase {
public:
    bool Create() {
        AddChild(&m_table);
        AddChild(&m_buttonBar);
        m_table.Create();
        m_buttonBar.Create();
        return true;
    }
    void OnRectChanged(const RECT&) override {
        m_table.SetRect(s_skin.Rect({m_section, L"View"}));
        m_buttonBar.SetRect(s_skin.Rect({m_section, L"ButtonBar"}));
    }
    void OnVisibleChanged(bool visible) override {
        m_table.SetVisible(visible);
        m_buttonBar.SetVisible(visible);
        ShowPageTitle(m_mode, m_title);
    }

protected:
    ViewAndBarPage(const wchar_t* section, int mode, const wchar_t* title)
        : m_section(section), m_mode(mode), m_title(title) {}

    View m_table;
    Bar m_buttonBar;

private:
    const wchar_t* m_section;
    int m_mode;
    const wchar_t* m_title;
    static inline ClassSkin s_skin;
};
