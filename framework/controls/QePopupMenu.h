// QePopupMenu: a popup whose body is a list of rows, laid out inside the popup's frames with
// margins of 10 on every side. The menus of the program derive from it and draw the background and
// the rows themselves; a tap on a row closes the menu with result 1, and the callback reads the
// chosen row from the menu before it goes.
//
// Rules callers rely on:
//   - the list is the holder's cover window from construction to destruction: windows it wholly
//     hides are not drawn while it is shown. A menu made while another is open takes the place;
//     the one that closes leaves the newer one's in place;
//   - a header row (kind 0) never closes the menu; a drag clears the selection, so it chooses
//     nothing.
#pragma once

#include <cstdint>

#include "framework/controls/QeBoxLayout.h"
#include "framework/controls/QeTableView.h"
#include "framework/ui/view/QePopup.h"

class QePopupMenu;

// The menu's list: a table view that leaves the drawing to its menu and reports a chosen row.
class QePopupMenuList : public QeTableView {
public:
    explicit QePopupMenuList(QePopupMenu& owner) : m_owner(owner) {}

    // The table view's pen up; then a selected row under the pen is the menu's choice.
    int OnPenUp(int x, int y) override;
    int DrawBackground(QeSurface* surface, const RECT& rect) override;
    int DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override;

    QePopupMenu& Owner() const { return m_owner; }

private:
    QePopupMenu& m_owner;
};

class QePopupMenu : public QePopup {
public:
    static constexpr int32_t kMargin = 10;
    static constexpr int32_t kIndicatorThickness = 6;

    QePopupMenu();
    ~QePopupMenu() override;

    // The frames, then the list inside the margins.
    void OnRectChanged(const RECT& rect) override;

    // The part of the list the rows leave uncovered (surface coordinates); draws nothing, so the
    // middle frame shows.
    virtual int DrawMenuBackground(QeSurface* surface, const RECT& rect);
    // One row, with DrawItem's arguments: the table view's default shading.
    virtual int DrawMenuItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow);
    // A chosen row: any but a header closes the menu with 1.
    virtual void OnMenuItemClicked(int32_t index);

    QePopupMenuList& List() { return m_list; }
    QeBoxLayout& Layout() { return m_layout; }

private:
    QeBoxLayout m_layout;
    QePopupMenuList m_list;
};
