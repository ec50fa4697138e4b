#include "app/screens/TableRowPainter.h"

#include "framework/base/QeMarkup.h"

CaptionColors CaptionColors::Read(SkinPath path) {
    CaptionColors colors;
    if (const QeMarkupElement* element = ScreenSkin::Find(path)) {
        if (const QeMarkupElement* value = element->FindChild(L"TextColor")) colors.normal = ParseColor(value);
        if (const QeMarkupElement* value = element->FindChild(L"TextColorSelected")) colors.selected = ParseColor(value);
        if (const QeMarkupElement* value = element->FindChild(L"TextColorRead")) colors.read = ParseColor(value);
    }
    return colors;
}

TableRowPainter::TableRowPainter(QeCell& cell, bool selected, COLORREF back, QeSkinImage& selectionBar,
                                 const RECT& barRect)
    : m_cell(cell), m_selected(selected) {
    if (selected) {
        m_cell.DrawImage(selectionBar, barRect);
    } else {
        m_cell.Surface().FillSolid(back, m_cell.Clip());
    }
}

void TableRowPainter::SetTextColor(QeSkinText& text, COLORREF color) {
    if (text.Style().textColor == color) return;
    QeTextStyle style = text.Style();
    style.textColor = color;
    text.FontHandle().Create(style);
}

bool TableRowPainter::Caption(QeSkinText& text, const CaptionColors& colors, const RECT& rect) {
    SetTextColor(text, m_selected ? colors.selected : colors.normal);
    return m_cell.DrawText(text, rect);
}

bool TableRowPainter::Text(QeSkinText& text, const RECT& rect) { return m_cell.DrawText(text, rect); }

bool TableRowPainter::Image(QeSkinImage& image, const RECT& rect) { return m_cell.DrawImage(image, rect); }

bool TableRowPainter::Icon(QeSkinImage& image, const RECT& source, const RECT& rect) {
    image.SetSourceRect(source);
    return m_cell.DrawImage(image, rect);
}

bool TableRowPainter::Line(QeSkinImage& line, const RECT& rect) { return m_cell.DrawImage(line, rect); }
