// How every table page of the messenger paints a row and splits a tap on it: the same background,
// selection bar, caption colours and closing line, and the same threshold between the row and its
// disclosure element, so that all lists look and answer alike.
//
//   TableRowPainter painter(cell, selected, s_back, m_selectionBar, barRect);
//   painter.Caption(m_groupName, s_groupColors); ... painter.Image(m_icon, iconRect);
//   painter.Line(m_line, lineRect);  // last, over everything else
#pragma once

#include "app/ScreenSkin.h"
#include "framework/controls/QeTableView.h"
#include "framework/ui/drawing/QeSkinElements.h"

// A caption's text colour off and on the selected row ("TextColor", "TextColorSelected"), and on
// a row read already ("TextColorRead", the memo list's).
struct CaptionColors {
    COLORREF normal = 0;
    COLORREF selected = 0;
    COLORREF read = 0;

    // Read from the element at the path; a colour the skin lacks is 0.
    static CaptionColors Read(SkinPath path);
};

class TableRowPainter {
public:
    // The row's background: the selection bar stretched over its rectangle on the selected row,
    // else the back colour over the whole cell.
    TableRowPainter(QeCell& cell, bool selected, COLORREF back, QeSkinImage& selectionBar, const RECT& barRect);

    // Gives the caption its colour for this row, then draws its text at the rectangle.
    bool Caption(QeSkinText& text, const CaptionColors& colors, const RECT& rect);
    // Draws a text in its own element's colours.
    bool Text(QeSkinText& text, const RECT& rect);
    bool Image(QeSkinImage& image, const RECT& rect);
    // An icon cut from a shared image; an empty source rectangle (a look-up that found no icon)
    // draws nothing.
    bool Icon(QeSkinImage& image, const RECT& source, const RECT& rect);
    // The line under the row; drawn last.
    bool Line(QeSkinImage& line, const RECT& rect);

    // A tap at x <= this (row coordinates) is on the row itself, further right on the element
    // (its disclosure button): the element's left edge less its top margin.
    static int TapThreshold(const RECT& elementRect) { return elementRect.left - elementRect.top; }
    // The caption's text colour; its font is made again only when the colour changes.
    static void SetTextColor(QeSkinText& text, COLORREF color);

private:
    QeCell& m_cell;
    bool m_selected;
};
