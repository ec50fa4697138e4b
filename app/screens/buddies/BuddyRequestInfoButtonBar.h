// Accept and Reject under the request info table. Either answers at once, without a question.
#pragma once

#include "app/ScreenSkin.h"
#include "framework/controls/QeButton.h"
#include "framework/ui/view/QeWindow.h"

class BuddyRequestInfoButtonBar : public QeWindow {
public:
    bool Create();

    void OnRectChanged(const RECT& rect) override;
    void OnVisibleChanged(bool visible) override;
    int OnNotify(QeWindow* child, int code) override;
    int Draw(QeSurface* surface, const RECT& rect) override;

    QeButton& AcceptButton() { return m_accept; }
    QeButton& RejectButton() { return m_reject; }

private:
    QeButton m_accept, m_reject;
    static ClassSkin s_skin;
};

// The answer for the info page's requester into the info page's group, then back. Nothing is sent,
// and the page stays, while either is missing (after a log-out).
void AcceptBuddyRequest();
void RejectBuddyRequest();
