// While signed in the client proves every ten seconds that the connection still carries traffic:
// it sends PONG and expects the answer before the next one is due. A missed answer ends the
// signed-in session with a message. The service may also send PING, answered at once.
#pragma once

#include <cstdint>

#include "framework/base/QeSingleton.h"
#include "messenger/protocol/MessageHandler.h"
#include "platform/win_types.h"

class CommandRegistrar;

inline constexpr wchar_t kKeepAliveLostText[] = L"네트워크가 불안정하여 Tevrik 서버와의 접속이 종료되었습니다.";

class KeepAlive : public QeSingleton<KeepAlive> {
public:
    static constexpr float kInterval = 10.0f;  // seconds between PONGs

    KeepAlive() = default;
    ~KeepAlive() override;  // StopKeepAlive

    // Forgets any earlier round and adds the timer (no end, kInterval). True when it runs.
    bool StartKeepAlive();
    // Removes the timer, if one runs.
    void StopKeepAlive();
    // The timer's callback; user is the KeepAlive. Sends a PONG when the last one was answered (or
    // none was sent yet); otherwise ends the session with kKeepAliveLostText.
    static void KeepAliveTick(void* user);
    // The PONG handler's part: the outstanding PONG was answered.
    void OnAnswered();

    UINT TimerId = 0;
    // Frame-clock times, for the record only: they wrap after 49.7 days, so no decision rests on
    // comparing them.
    DWORD LastSent = 0;
    DWORD LastAnswered = 0;
    // A PONG went out and its answer has not come yet.
    bool AwaitingAnswer = false;

private:
    void Tick();
};

// On success the outstanding PONG counts as answered, whatever id the answer carries.
class PongHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// Answers the service's PING with a PING under the same transaction id.
class PingHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// PING and PONG.
void RegisterKeepAliveCommands(CommandRegistrar& registrar);
