// The program's popup menus: full-screen lists of one size (section "Menu") that close on a chosen
// row with 1, or on a tap outside with 0. Each concrete menu reads its own section's selection
// bar, line, text and colours and draws its rows through DrawRow; the callback reads the choice
// from the menu before it is deleted.
#pragma once

#include <string>

#include "app/ScreenSkin.h"
#include "framework/controls/QePopupMenu.h"
#include "framework/ui/drawing/QeSkinElements.h"

class MenuPopup : public QePopupMenu {
public:
    static constexpr const wchar_t* kSection = L"Menu";

    MenuPopup();

    // The input panel hidden, then the menu popped up at the "Menu" size. 0 when refused.
    static int Popup(MenuPopup* menu, Callback callback, void* context);

    // Fills the list with the menu's "_BackColor".
    int DrawMenuBackground(QeSurface* surface, const RECT& rect) override;

    // The row chosen in the list, or -1.
    int32_t ChosenRow() { return List().GetSelection(); }

protected:
    // The section's images, colours and rectangles (into the class's record) and one item row per
    // label, at the section's row height.
    void LoadRows(ClassSkin& skin, const wchar_t* section, const std::initializer_list<const wchar_t*>& labels,
                  bool withIcon = false);
    void AddRow(const std::wstring& label);
    // One row as every menu draws it; `icon` (MenuEmoticon) at the "Icon" rectangle, and
    // `fillEveryRow` fills unchosen rows with "_BackColor" too.
    int DrawRow(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow, QeSkinImage* icon,
                bool fillEveryRow);

private:
    QeSkinImage m_selectionBar;
    QeSkinImage m_line;
    QeSkinText m_text;
    QeSkinText m_textSelected;
    COLORREF m_backColor = 0;
    int m_itemHeight = 0;
    RECT m_selectionBarRect{};
    RECT m_textRect{};
    RECT m_lineRect{};
    RECT m_iconRect{};
    static ClassSkin s_skin;
};
