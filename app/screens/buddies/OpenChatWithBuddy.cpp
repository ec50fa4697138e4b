#include "app/screens/buddies/OpenChatWithBuddy.h"

#include "app/MessengerApp.h"
#include "app/screens/chats/ChatPage.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatActions.h"
#include "messenger/model/Options.h"

void OpenChatWithBuddy(Buddy& buddy, bool allowMemo) {
    MessengerApp* app = MessengerApp::Instance();
    if (app == nullptr) return;
    const Options* options = Options::Instance();
    if (allowMemo && options != nullptr && options->ChatType == 1) {
        app->SwitchView(&app->MemoWrite(), kSwitchCoverUpwards, false);
        return;
    }
    if (buddy.Status == kPresenceOffline) return;
    ChatSession* chat = ChatOpenWithBuddy(buddy.Id, buddy.Name);
    if (chat == nullptr) return;
    if (ChatPage* page = ChatPageOf(chat)) app->SwitchView(page, kSwitchCoverUpwards, false);
}
