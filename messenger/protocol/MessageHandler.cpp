#include "messenger/protocol/MessageHandler.h"

#include "messenger/protocol/ProtocolMessage.h"

namespace {
FailureReporter g_reporter = nullptr;
}  // namespace

void SetFailureReporter(FailureReporter reporter) { g_reporter = reporter; }

bool MessageHandler::CheckCode(ProtocolSession* session, ReceivedMessage& message) {
    if (message.Code == 100) return true;
    if (g_reporter != nullptr) g_reporter(session, message);
    return false;
}

bool CodeCheckHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    return CheckCode(session, message);
}
