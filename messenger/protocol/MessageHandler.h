// What the client does with a received message. Handlers hold no state: the registry makes one for
// each frame and the dispatcher deletes it right after Handle.
#pragma once

class ProtocolSession;
class ReceivedMessage;

class MessageHandler {
public:
    virtual ~MessageHandler() = default;
    // True when the message was acted on.
    virtual bool Handle(ProtocolSession* session, ReceivedMessage& message) = 0;

protected:
    // Every handler's first step: true for Code 100; any other code is shown to the user (the
    // session's ShowFailure) and the handler must return false without touching the model.
    static bool CheckCode(ProtocolSession* session, ReceivedMessage& message);
};

// For the commands whose reply only needs its code checked.
class CodeCheckHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

