#include "messenger/protocol/CommandRegistrar.h"

#include "messenger/protocol/BuddyCommands.h"
#include "messenger/protocol/ChatCommands.h"
#include "messenger/protocol/Envelopes.h"
#include "messenger/protocol/KeepAlive.h"
#include "messenger/protocol/Lsta.h"
#include "messenger/protocol/MemoCommands.h"
#include "messenger/protocol/PresenceCommands.h"
#include "messenger/protocol/SharedMessages.h"
#include "messenger/protocol/SignIn.h"

void RegisterAllCommands(CommandRegistrar& registrar) {
    RegisterCodeCheckCommands(registrar);
    RegisterEnvelopeCommands(registrar);
    RegisterBuddyCommands(registrar);
    RegisterPresenceCommands(registrar);
    RegisterChatCommands(registrar);
    RegisterMemoCommands(registrar);
    RegisterSignInCommands(registrar);
    RegisterKeepAliveCommands(registrar);
    RegisterBuddyListCommands(registrar);
}
