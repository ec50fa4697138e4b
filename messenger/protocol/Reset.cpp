#include "messenger/protocol/Reset.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/MemoStore.h"
#include "messenger/model/ScreenSeam.h"
#include "messenger/protocol/KeepAlive.h"
#include "messenger/protocol/Lsta.h"
#include "messenger/protocol/PendingRequests.h"
#include "messenger/protocol/ProtocolSession.h"

namespace {

std::vector<std::pair<ResetStage, ResetHook>>& Hooks() {
    static std::vector<std::pair<ResetStage, ResetHook>> hooks;
    return hooks;
}

void RunHooks(ResetStage stage) {
    // A copy: a hook may remove itself (its owner going away) while the list is walked.
    const std::vector<std::pair<ResetStage, ResetHook>> hooks = Hooks();
    for (const auto& [hookStage, hook] : hooks) {
        if (hookStage == stage) hook();
    }
}

}  // namespace

void AddResetHook(ResetStage stage, ResetHook hook) {
    if (hook == nullptr) return;
    auto& hooks = Hooks();
    const bool known = std::any_of(hooks.begin(), hooks.end(), [hook](const auto& entry) { return entry.second == hook; });
    if (!known) hooks.emplace_back(stage, hook);
}

void RemoveResetHook(ResetHook hook) {
    auto& hooks = Hooks();
    hooks.erase(std::remove_if(hooks.begin(), hooks.end(), [hook](const auto& entry) { return entry.second == hook; }),
                hooks.end());
}

void ResetToLogin() {
    if (KeepAlive* keepAlive = KeepAlive::Instance()) keepAlive->StopKeepAlive();
    RunHooks(ResetStage::StopActivity);

    if (ProtocolSession* session = ProtocolSession::Instance()) {
        session->Close();
        session->Phase = 0;
    }

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
    RunHooks(ResetStage::ClearModel);

    if (PendingRequests* pending = PendingRequests::Instance()) pending->Clear();

    Screens().OnResetToLogin();
}
