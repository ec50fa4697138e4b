#include "messenger/protocol/Reset.h"

#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/MemoStore.h"
#include "messenger/model/ScreenSeam.h"
#include "messenger/protocol/KeepAlive.h"
#include "messenger/protocol/Lsta.h"
#include "messenger/protocol/PendingRequests.h"
#include "messenger/protocol/ProtocolSession.h"

void ResetToLogin() {
    if (KeepAlive* keepAlive = KeepAlive::Instance()) keepAlive->StopKeepAlive();

    if (ProtocolSession* session = ProtocolSession::Instance()) {
        session->Close();
        session->Phase = 0;
    }
    Screens().OnResetBegin();

    if (BuddyRoster* roster = BuddyRoster::Instance()) roster->Clear();
    if (BuddyGroupList* groups = BuddyGroupList::Instance()) groups->ClearMap();
    // A buddy list half loaded belongs to the connection just closed.
    LstaParts::Instance().Drop();
    if (MemoStore* memos = MemoStore::Instance()) {
        memos->DeleteAllAndClear();
        memos->HasNewMemo = 0;
    }
    // The chats leave the list now; they and their windows are deleted from the loop.
    if (ChatSessionManager* chats = ChatSessionManager::Instance()) chats->DeleteAllAndClear();

    if (PendingRequests* pending = PendingRequests::Instance()) pending->Clear();

    Screens().SetSignedIn(false);
    Screens().OnResetToLogin();
}

void FailSignInAfterLogin(const wchar_t* why) {
    ResetToLogin();
    Screens().Alert(why != nullptr ? why : kNoNetworkText);
    Screens().LoginShowPage(0);
}
