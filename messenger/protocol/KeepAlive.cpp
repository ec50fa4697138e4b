#include "messenger/protocol/KeepAlive.h"

#include "framework/base/QeClock.h"
#include "framework/base/QeTimerManager.h"
#include "framework/base/QeTrace.h"
#include "messenger/model/ScreenSeam.h"
#include "messenger/protocol/CommandRegistrar.h"
#include "messenger/protocol/ProtocolSession.h"
#include "messenger/protocol/Reset.h"
#include "messenger/protocol/SharedMessages.h"

namespace {

DWORD ClockNow() {
    const QeClock* clock = QeClock::Instance();
    return clock != nullptr ? clock->current : 0;
}

}  // namespace

KeepAlive::~KeepAlive() { StopKeepAlive(); }

bool KeepAlive::StartKeepAlive() {
    StopKeepAlive();
    LastSent = 0;
    LastAnswered = 0;
    AwaitingAnswer = false;
    QeTimerManager* timers = QeTimerManager::Instance();
    if (timers == nullptr) {
        QeTrace(L"[QE+] KeepAlive::StartKeepAlive, there is no timer manager.\n");
        return false;
    }
    TimerId = timers->Add(0.0f, kInterval, &KeepAlive::KeepAliveTick, this);
    return TimerId != 0;
}

void KeepAlive::StopKeepAlive() {
    if (TimerId == 0) return;
    if (QeTimerManager* timers = QeTimerManager::Instance()) timers->Remove(TimerId);
    TimerId = 0;
}

void KeepAlive::KeepAliveTick(void* user) {
    if (user != nullptr) static_cast<KeepAlive*>(user)->Tick();
}

void KeepAlive::Tick() {
    if (!AwaitingAnswer) {
        // Counted as outstanding even when it could not be written: a PONG that never left cannot
        // be answered, and the next tick ends the session.
        AwaitingAnswer = true;
        if (ProtocolSession* session = ProtocolSession::Instance()) {
            PongRequest pong;
            session->Send(pong);
        }
        LastSent = ClockNow();
        return;
    }
    StopKeepAlive();
    Screens().Alert(kKeepAliveLostText);
    ResetToLogin();
}

void KeepAlive::OnAnswered() {
    AwaitingAnswer = false;
    LastAnswered = ClockNow();
}

bool PongHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    KeepAlive* keepAlive = KeepAlive::Instance();
    if (keepAlive == nullptr) return false;
    keepAlive->OnAnswered();
    return true;
}

bool PingHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    if (session == nullptr) return false;
    PingRequest echo;
    echo.TrId = message.TrId;
    return session->Send(echo) == 1;
}

void RegisterKeepAliveCommands(CommandRegistrar& registrar) {
    registrar.Command<PingReceived, PingHandler>(L"PING");
    registrar.Command<PongReceived, PongHandler>(L"PONG");
}
