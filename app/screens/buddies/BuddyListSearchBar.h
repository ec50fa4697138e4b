// The search field above a buddy table: the word typed filters the table's buddy rows by name or
// id. Built for a skin section ("BuddyList", "BuddySelect") and the table it filters.
//
// Rules callers rely on:
//   - the table's filter follows the word after every character, composition step and key (the
//     Delete key changes the word without a character); a word equal to the filter changes nothing;
//   - an empty word shows SearchIcon, any other RollbackIcon, and a tap on RollbackIcon empties
//     the word and the filter.
#pragma once

#include <string>

#include "app/ScreenSkin.h"
#include "framework/controls/QeEdit.h"
#include "framework/controls/QeImageView.h"
#include "framework/controls/QeTableView.h"
#include "framework/ui/view/QeWindow.h"

class BuddyListSearchBar : public QeWindow {
public:
    BuddyListSearchBar(const wchar_t* section, QeTableView& table) : m_section(section), m_table(table) {}

    // The four children added and loaded from Tevrik/<section>/SearchBar. True.
    bool Create();

    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;
    int OnNotify(QeWindow* child, int code) override;

    // The word and the filter emptied; no row of the table is read.
    void Clear();

    QeEdit& SearchWord() { return m_searchWord; }
    QeImageView& SearchIcon() { return m_searchIcon; }
    QeImageView& RollbackIcon() { return m_rollbackIcon; }

private:
    void OnWordChanged();
    // SearchIcon for an empty word, RollbackIcon for any other.
    void ShowIconsFor(bool emptyWord);
    RECT ChildRect(const wchar_t* element);

    const wchar_t* m_section;
    QeTableView& m_table;
    QeImageView m_backgroundSkin, m_searchIcon, m_rollbackIcon;
    QeEdit m_searchWord;
};
