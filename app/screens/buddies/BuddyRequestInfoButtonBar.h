// Accept and Reject under the request info table. Either answers at once, without a question.
#pragma once

#include "app/screens/common/SkinButtonBar.h"

class BuddyRequestInfoButtonBar : public SkinButtonBar {
public:
    BuddyRequestInfoButtonBar() : SkinButtonBar(L"BuddyRequestInfo", s_skin) {
        Place(m_accept, L"AcceptButton");
        Place(m_reject, L"RejectButton");
    }

    int OnNotify(QeWindow* child, int code) override;

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
