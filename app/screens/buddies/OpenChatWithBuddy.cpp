#include "app/screens/buddies/OpenChatWithBuddy.h"

#include "app/MessengerApp.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatActions.h"
#include "messenger/model/ChatSessionManager.h"
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
    // The chat's window is the application's chat page, a page like any other.
    if (auto* page = dynamic_cast<ScreenBase*>(chat->Page.get())) app->SwitchView(page, kSwitchCoverUpwards, false);
}
