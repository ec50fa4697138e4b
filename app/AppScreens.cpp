#include "app/AppScreens.h"

#include "app/MessengerApp.h"
#include "framework/ui/shell/QeMessageDispatcher.h"

void AppScreens::RunLater(std::function<void()> task) { QeRunLater(std::move(task)); }

void AppScreens::SetSignedIn(bool signedIn) { m_app.SetSignedIn(signedIn); }

void AppScreens::PlayNotification(int event) { m_app.PlayNotification(event); }

void AppScreens::UpdateNotifyIndicators() { m_app.UpdateNotifyIndicators(); }

void AppScreens::ChatListAddRow(ChatSession* session) { m_app.ChatList().Table().AddSession(session); }

void AppScreens::ChatListUpdateRow(ChatSession* session) { m_app.ChatList().Table().UpdateSession(session); }

void AppScreens::ParticipantsRefresh(ChatSession* session) {
    ChatInfoTable& table = m_app.ChatInfo().Table();
    if (IsChatInfoShowing(table, session)) table.Refresh();
}
