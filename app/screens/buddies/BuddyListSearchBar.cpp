#include "app/screens/buddies/BuddyListSearchBar.h"

#include "app/MessengerApp.h"


bool BuddyListSearchBar::Create() {
    AddChild(&m_backgroundSkin);
    AddChild(&m_searchIcon);
    AddChild(&m_rollbackIcon);
    AddChild(&m_searchWord);
    ScreenSkin::Load(m_backgroundSkin, {m_section, L"SearchBar", L"BackgroundSkin"});
    ScreenSkin::Load(m_searchIcon, {m_section, L"SearchBar", L"SearchIcon"});
    ScreenSkin::Load(m_rollbackIcon, {m_section, L"SearchBar", L"RollbackIcon"});
    ScreenSkin::Load(m_searchWord, {m_section, L"SearchBar", L"SearchWord"});
    m_searchWord.SetInputMode(QeEdit::kNativeInput);
    return true;
}

RECT BuddyListSearchBar::ChildRect(const wchar_t* element) {
    return ScreenSkin::Rect({m_section, L"SearchBar", element});
}

void BuddyListSearchBar::OnRectChanged(const RECT&) {
    m_backgroundSkin.SetRect(ChildRect(L"BackgroundSkin"));
    m_searchIcon.SetRect(ChildRect(L"SearchIcon"));
    m_rollbackIcon.SetRect(ChildRect(L"RollbackIcon"));
    m_searchWord.SetRect(ChildRect(L"SearchWord"));
}

void BuddyListSearchBar::OnVisibleChanged(bool visible) {
    m_backgroundSkin.SetVisible(visible);
    m_searchWord.SetVisible(visible);
    if (visible) {
        ShowIconsFor(m_searchWord.IsEmpty());
    } else {
        m_searchIcon.SetVisible(false);
        m_rollbackIcon.SetVisible(false);
    }
}

void BuddyListSearchBar::ShowIconsFor(bool emptyWord) {
    m_searchIcon.SetVisible(emptyWord);
    m_rollbackIcon.SetVisible(!emptyWord);
}

int BuddyListSearchBar::OnNotify(QeWindow* child, int code) {
    if (child == &m_searchWord) {
        if (code == kNotifyPenDown) {
            if (MessengerApp* app = MessengerApp::Instance()) app->MenuBarWindow().ShowSip(m_searchWord.InputMode());
        } else if (code == kNotifyKeyDown || code == kNotifyImeComposition || code == kNotifyChar) OnWordChanged();
    } else if (child == &m_rollbackIcon && code == kNotifyClick) {
        Clear();
    }
    return 1;
}

void BuddyListSearchBar::OnWordChanged() {
    const std::wstring word = m_searchWord.GetText();
    if (word == m_table.FilterText()) return;
    m_table.SetFilter(word);
    ShowIconsFor(word.empty());
    m_rollbackIcon.Invalidate(RECT{0, 0, 0, 0}, true);
}

void BuddyListSearchBar::Clear() {
    m_table.SetFilter(std::wstring());
    m_searchWord.SetText(std::wstring());
    if (IsVisible()) ShowIconsFor(true);
    m_rollbackIcon.Invalidate(RECT{0, 0, 0, 0}, true);
}
