#include "app/screens/buddies/BuddyRowLook.h"

#include "app/screens/common/Presence.h"
#include "framework/base/QeMarkup.h"
#include "messenger/model/BuddyRoster.h"

namespace {

// One of the group icon's two cuts ("ImageCoord", "ImageCoordCollapsed").
RECT IconCut(const QeMarkupElement* icon, const wchar_t* key) {
    const QeMarkupElement* value = icon != nullptr ? icon->FindChild(key) : nullptr;
    return value != nullptr ? ParseRect(value) : RECT{0, 0, 0, 0};
}

}  // namespace

void BuddyRowLook::Load(ClassSkin& skin, const wchar_t* section) {
    m_skin = &skin;
    m_section = section;
    skin.Load(m_selectionBar, {section, L"View", L"SelectionBar"});
    skin.Load(m_line, {section, L"View", L"Line"});
    skin.Load(m_groupIcon, {section, L"View", L"GroupIcon"});
    skin.Load(m_groupName, {section, L"View", L"GroupName"});
    skin.Load(m_buddyIcon, {section, L"View", L"BuddyIcon"});
    skin.Load(m_buddyName, {section, L"View", L"BuddyName"});
    skin.Load(m_buddyNick, {section, L"View", L"BuddyNick"});
    skin.Load(m_buddyNameOnly, {section, L"View", L"BuddyNameOnly"});
    m_groupColors = CaptionColors::Read({section, L"View", L"GroupName"});
    m_nickColors = CaptionColors::Read({section, L"View", L"BuddyNick"});
    const QeMarkupElement* icon = ScreenSkin::Find({section, L"View", L"GroupIcon"});
    m_expandedIcon = IconCut(icon, L"ImageCoord");
    m_collapsedIcon = IconCut(icon, L"ImageCoordCollapsed");
}

TableRowPainter BuddyRowLook::Painter(QeCell& cell, bool selected) {
    return TableRowPainter(cell, selected, BackColor(), m_selectionBar, Rect(L"SelectionBar"));
}

void BuddyRowLook::DrawBuddy(TableRowPainter& painter, const Buddy& buddy, uint32_t viewType) {
    painter.Icon(m_buddyIcon, PresenceIcon(buddy.Status, buddy.ListFlags), Rect(L"BuddyIcon"));
    const auto two = [&](const std::wstring& second) {
        m_buddyName.SetText(buddy.Name);
        m_buddyNick.SetText(second);
        painter.Text(m_buddyName, Rect(L"BuddyName"));
        painter.Caption(m_buddyNick, m_nickColors, Rect(L"BuddyNick"));
    };
    const auto one = [&](const std::wstring& text) {
        m_buddyNameOnly.SetText(text);
        painter.Text(m_buddyNameOnly, Rect(L"BuddyNameOnly"));
    };
    switch (viewType) {
        case 0: one(buddy.Name); break;
        case 1: one(buddy.Nickname); break;
        case 2: two(buddy.Id); break;
        case 3: two(buddy.Nickname); break;
        default: break;
    }
}

void BuddyRowLook::DrawGroup(TableRowPainter& painter, const std::wstring& caption, bool expanded) {
    painter.Icon(m_groupIcon, expanded ? m_expandedIcon : m_collapsedIcon, Rect(L"GroupIcon"));
    m_groupName.SetText(caption);
    painter.Caption(m_groupName, m_groupColors, Rect(L"GroupName"));
}

void BuddyRowLook::DrawLine(TableRowPainter& painter) { painter.Line(m_line, Rect(L"Line")); }
