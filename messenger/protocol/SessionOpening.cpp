// The first request of each connection: PVER with the client version on the login server (phase 0)
// and LIN2 built from the account on the server that the REQS reply named (phase 1).
#include "messenger/protocol/ProtocolSession.h"
#include "messenger/protocol/SignIn.h"

ProtocolSession::ConnectAction DefaultConnectAction(int phase) {
    if (phase == 0) return &SendPverRequest;
    if (phase == 1) return &SendLin2Request;
    return nullptr;
}
