#include "messenger/protocol/MessageHandler.h"

#include "messenger/protocol/ProtocolMessage.h"
#include "messenger/protocol/ProtocolSession.h"

bool MessageHandler::CheckCode(ProtocolSession* session, ReceivedMessage& message) {
    if (message.Code == 100) return true;
    (void)session;
    ProtocolSession::ShowFailure(message);
    return false;
}

bool CodeCheckHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    return CheckCode(session, message);
}
