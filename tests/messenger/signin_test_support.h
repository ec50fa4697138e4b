// Shared by the sign-in tests: the model and protocol objects a signed-in client has, around a
// session harness, and an environment variable set for a test's life.
#pragma once

#include <cstdlib>
#include <string>

#include "messenger/model/AccountInfo.h"
#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/model/MemoStore.h"
#include "messenger/protocol/ClientUpgrade.h"
#include "messenger/protocol/KeepAlive.h"
#include "messenger/protocol/Lsta.h"
#include "messenger/protocol/SignIn.h"
#include "tests/support/ScopedEnv.h"

namespace signin_test {

using ScopedEnv = testsupport::ScopedEnv;

// The model singletons and the keep-alive, made before and deleted after the harness.
struct SignedInModel {
    SignedInModel() {
        // Other tests in the same process may have put a stand-in there.
        SetContinueLoginAction(nullptr);
        LstaParts::Instance().Drop();
    }
    ~SignedInModel() { LstaParts::Instance().Drop(); }
    AccountInfo account;
    BuddyGroupList groups;
    BuddyRoster roster;
    ChatSessionManager chats;
    MemoStore memos;
    KeepAlive keepAlive;
};

// The line and payload of a reply whose line ends with the payload's byte count.
inline std::string WithPayload(const std::string& line, const std::string& payload) {
    return line + " " + std::to_string(payload.size()) + "\r\n" + payload;
}

// One part of a buddy-list reply under the request's id.
inline std::string LstaPart(const std::string& trid, int part, int total, const std::string& payload) {
    return WithPayload("LSTA " + trid + " " + std::to_string(part) + " " + std::to_string(total), payload);
}

}  // namespace signin_test
