#include "app/screens/buddies/BuddyRequestInfoButtonBar.h"

#include "app/MessengerApp.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/protocol/BuddyCommands.h"

ClassSkin BuddyRequestInfoButtonBar::s_skin;

namespace {

void AnswerBuddyRequest(bool accept) {
    MessengerApp* app = MessengerApp::Instance();
    if (app == nullptr) return;
    const BuddyRequestInfoTable& table = app->BuddyRequestInfo().Table();
    if (table.Requester() == nullptr || table.Group() == nullptr) return;
    SendBuddyRequestAnswer(accept, *table.Requester(), table.Group()->Id);
    QeTransitionParams back;
    if (app->StatusBarWindow().PopState(back)) app->ShowViewWithTransition(back);
}

}  // namespace

void AcceptBuddyRequest() { AnswerBuddyRequest(true); }
void RejectBuddyRequest() { AnswerBuddyRequest(false); }

int BuddyRequestInfoButtonBar::OnNotify(QeWindow* child, int code) {
    if (code != kNotifyClick) return 1;
    if (child == &m_accept) {
        AcceptBuddyRequest();
    } else if (child == &m_reject) {
        RejectBuddyRequest();
    }
    return 1;
}

