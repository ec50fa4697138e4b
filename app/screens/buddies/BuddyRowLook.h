// What every list of buddies draws alike, from its own section's View: the row background and
// selection bar, a buddy's presence icon and texts by the view type, a group's fold icon and
// caption, and the closing line. Each list adds its own parts (tick boxes, disclosure button).
#pragma once

#include <cstdint>
#include <string>

#include "app/ScreenSkin.h"
#include "app/screens/TableRowPainter.h"
#include "framework/ui/drawing/QeSkinElements.h"

class Buddy;

class BuddyRowLook {
public:
    // Loads the parts from Tevrik/<section>/View into the list class's record.
    void Load(ClassSkin& skin, const wchar_t* section);

    TableRowPainter Painter(QeCell& cell, bool selected);
    // The presence icon, then by the view type: 0 the name, 1 the nickname, 2 the name over the id,
    // 3 the name over the nickname.
    void DrawBuddy(TableRowPainter& painter, const Buddy& buddy, uint32_t viewType);
    void DrawGroup(TableRowPainter& painter, const std::wstring& caption, bool expanded);
    void DrawLine(TableRowPainter& painter);

    // The rectangle of one of the list's own elements in its View.
    const RECT& Rect(const wchar_t* element) { return m_skin->Rect({m_section, L"View", element}); }
    COLORREF BackColor() { return m_skin->BackColor({m_section, L"View"}); }
    int ItemHeight() const { return m_skin->ItemHeight({m_section, L"View"}); }

private:
    ClassSkin* m_skin = nullptr;
    const wchar_t* m_section = L"";
    QeSkinImage m_selectionBar, m_line, m_groupIcon, m_buddyIcon;
    QeSkinText m_groupName, m_buddyName, m_buddyNick, m_buddyNameOnly;
    CaptionColors m_groupColors, m_nickColors;
    RECT m_expandedIcon{}, m_collapsedIcon{};
};
