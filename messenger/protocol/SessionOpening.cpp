// The first request of each connection. The sign-in steps put theirs here: PVER with the client
// version on the login server (phase 0) and LIN2 built from the account on the server that the
// REQS reply named (phase 1). Until they exist a connection opens silently.
#include "messenger/protocol/ProtocolSession.h"

ProtocolSession::ConnectAction DefaultConnectAction(int phase) {
    (void)phase;
    return nullptr;
}
