#include "app/screens/buddies/BuddyRequestInfoButtonBar.h"

#include "app/MessengerApp.h"
#include "framework/ui/drawing/QeDC.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/protocol/BuddyCommands.h"

ClassSkin BuddyRequestInfoButtonBar::s_skin;

namespace {

#define BAR_PATH(element) {L"BuddyRequestInfo", L"ButtonBar", element}

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

bool BuddyRequestInfoButtonBar::Create() {
    AddChild(&m_accept);
    AddChild(&m_reject);
    s_skin.Load(m_accept, BAR_PATH(L"AcceptButton"));
    s_skin.Load(m_reject, BAR_PATH(L"RejectButton"));
    s_skin.BackColor({L"BuddyRequestInfo", L"ButtonBar"});
    s_skin.MarkRead();
    return true;
}

void BuddyRequestInfoButtonBar::OnRectChanged(const RECT&) {
    m_accept.SetRect(s_skin.Rect(BAR_PATH(L"AcceptButton")));
    m_reject.SetRect(s_skin.Rect(BAR_PATH(L"RejectButton")));
}

void BuddyRequestInfoButtonBar::OnVisibleChanged(bool visible) {
    m_accept.SetVisible(visible);
    m_reject.SetVisible(visible);
}

int BuddyRequestInfoButtonBar::OnNotify(QeWindow* child, int code) {
    if (code != kNotifyClick) return 1;
    if (child == &m_accept) {
        AcceptBuddyRequest();
    } else if (child == &m_reject) {
        RejectBuddyRequest();
    }
    return 1;
}

int BuddyRequestInfoButtonBar::Draw(QeSurface* surface, const RECT& rect) {
    if (surface != nullptr) surface->FillSolid(s_skin.BackColor({L"BuddyRequestInfo", L"ButtonBar"}), rect);
    return 1;
}
