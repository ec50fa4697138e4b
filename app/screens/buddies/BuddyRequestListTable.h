// The buddy requests waiting for an answer: one row per roster buddy whose list flags are RL only,
// sorted by name. The rows hold no model pointer, only the requester's login id, so a log-out
// between two shows leaves nothing dangling; a request whose buddy is gone draws an empty row.
//
// Rules callers rely on:
//   - the list is built again only by Rebuild (the page runs it each time it is shown);
//   - requesters with equal names keep the roster's order (by member key), the same on every run;
//   - HelpText covers the table exactly while the list is empty.
#pragma once

#include <string>
#include <vector>

#include "app/ScreenSkin.h"
#include "framework/controls/QeLabel.h"
#include "framework/controls/QeTableView.h"
#include "framework/ui/drawing/QeSkinElements.h"

// The order of the list: by Name (code units), a requester the roster lacks first.
bool RequestLessByName(const std::wstring& a, const std::wstring& b);

class BuddyRequestListTable : public QeTableView {
public:
    // Loads the row elements and the help text from Tevrik/BuddyRequestList/View. True.
    bool Create();

    void OnVisibleChanged(bool visible) override;
    void OnRectChanged(const RECT& rect) override;
    int OnPenUp(int x, int y) override;
    int DrawBackground(QeSurface* surface, const RECT& rect) override;
    int DrawItem(QeSurface* surface, int32_t index, const RECT& clip, const RECT& inRow) override;

    // The list and its rows refilled from the roster; the rows stand at once.
    void Rebuild();
    // The selected row's requester and the group "0" to the info page; nothing when either is
    // missing.
    void OpenRequest();

    const std::vector<std::wstring>& Requests() const { return m_requests; }
    QeLabel& HelpText() { return m_helpText; }

private:
    void ShowHelpText();

    std::vector<std::wstring> m_requests;  // login ids; row i shows entry i
    QeSkinImage m_selectionBar, m_line, m_buddyIcon;
    QeSkinText m_buddyName, m_buddyId;
    QeSkinImage m_disclosureButton;
    QeLabel m_helpText;

    static ClassSkin s_skin;
};
