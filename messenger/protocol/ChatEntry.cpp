// Entering a chat session once the service granted it (the CSES CONN reply). The chat commands
// complete this: find the chat by the reply's transaction id, give it the reply's session id, and
// send its ENTR inside a CRP2 with the reply's route and session id as the target.
#include "messenger/protocol/Envelopes.h"

bool EnterGrantedChat(ProtocolSession& session, const CsesReceived& reply) {
    (void)session;
    (void)reply;
    return false;
}
