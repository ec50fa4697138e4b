// The commands that share one body layout. Each keeps its own class and name all the same, so a
// later change to one command touches only its class.
#pragma once

#include <cstdint>
#include <string>

#include "messenger/protocol/ProtocolMessage.h"

class CommandRegistrar;

// Requests whose line is the command, its transaction id and CR LF.
template <class Derived>
class BodilessRequest : public ConcreteRequest<Derived> {
public:
    using ConcreteRequest<Derived>::ConcreteRequest;
    bool WriteBody(QeMemoryWriter& writer) override {
        WriteCrLf(writer);
        return true;
    }
};

class LoutRequest final : public BodilessRequest<LoutRequest> {
public:
    LoutRequest() : BodilessRequest(L"LOUT") {}
    explicit LoutRequest(int32_t trId) : BodilessRequest(L"LOUT", trId) {}
};

class PingRequest final : public BodilessRequest<PingRequest> {
public:
    PingRequest() : BodilessRequest(L"PING") {}
    explicit PingRequest(int32_t trId) : BodilessRequest(L"PING", trId) {}
};

class PongRequest final : public BodilessRequest<PongRequest> {
public:
    PongRequest() : BodilessRequest(L"PONG") {}
    explicit PongRequest(int32_t trId) : BodilessRequest(L"PONG", trId) {}
};

class RessRequest final : public BodilessRequest<RessRequest> {
public:
    RessRequest() : BodilessRequest(L"RESS") {}
    explicit RessRequest(int32_t trId) : BodilessRequest(L"RESS", trId) {}
};

// Received commands whose body, if any, is not read.
class BodilessReceived : public ReceivedMessage {
public:
    using ReceivedMessage::ReceivedMessage;
    bool ReadBody(TokenReader&) override { return true; }
};

class AlrmReceived final : public BodilessReceived {
public:
    explicit AlrmReceived(int32_t trId) : BodilessReceived(L"ALRM", trId) {}
};

class CalmReceived final : public BodilessReceived {
public:
    explicit CalmReceived(int32_t trId) : BodilessReceived(L"CALM", trId) {}
};

class CnikReceived final : public BodilessReceived {
public:
    explicit CnikReceived(int32_t trId) : BodilessReceived(L"CNIK", trId) {}
};

class EntrReceived final : public BodilessReceived {
public:
    explicit EntrReceived(int32_t trId) : BodilessReceived(L"ENTR", trId) {}
};

class LoptReceived final : public BodilessReceived {
public:
    explicit LoptReceived(int32_t trId) : BodilessReceived(L"LOPT", trId) {}
};

class OnstReceived final : public BodilessReceived {
public:
    explicit OnstReceived(int32_t trId) : BodilessReceived(L"ONST", trId) {}
};

class PackReceived final : public BodilessReceived {
public:
    explicit PackReceived(int32_t trId) : BodilessReceived(L"PACK", trId) {}
};

class PingReceived final : public BodilessReceived {
public:
    explicit PingReceived(int32_t trId) : BodilessReceived(L"PING", trId) {}
};

class PnakReceived final : public BodilessReceived {
public:
    explicit PnakReceived(int32_t trId) : BodilessReceived(L"PNAK", trId) {}
};

class PongReceived final : public BodilessReceived {
public:
    explicit PongReceived(int32_t trId) : BodilessReceived(L"PONG", trId) {}
};

class WhspReceived final : public BodilessReceived {
public:
    explicit WhspReceived(int32_t trId) : BodilessReceived(L"WHSP", trId) {}
};

// Received commands with one text: AUTH (the token the REQS request sends back), TICK (the ticket).
class OneTokenReceived : public ReceivedMessage {
public:
    using ReceivedMessage::ReceivedMessage;
    bool ReadBody(TokenReader& reader) override {
        reader.ReadToken(Text);
        return true;
    }

    std::wstring Text;
};

class AuthReceived final : public OneTokenReceived {
public:
    explicit AuthReceived(int32_t trId) : OneTokenReceived(L"AUTH", trId) {}
};

class TickReceived final : public OneTokenReceived {
public:
    explicit TickReceived(int32_t trId) : OneTokenReceived(L"TICK", trId) {}
};

// Received commands with two texts: INCK; NNIK (login id, new nickname); QUIT (login id, a text).
class TwoTokenReceived : public ReceivedMessage {
public:
    using ReceivedMessage::ReceivedMessage;
    bool ReadBody(TokenReader& reader) override {
        reader.ReadToken(First);
        reader.ReadToken(Second);
        return true;
    }

    std::wstring First;
    std::wstring Second;
};

class InckReceived final : public TwoTokenReceived {
public:
    explicit InckReceived(int32_t trId) : TwoTokenReceived(L"INCK", trId) {}
};

class NnikReceived final : public TwoTokenReceived {
public:
    explicit NnikReceived(int32_t trId) : TwoTokenReceived(L"NNIK", trId) {}
};

class QuitReceived final : public TwoTokenReceived {
public:
    explicit QuitReceived(int32_t trId) : TwoTokenReceived(L"QUIT", trId) {}
};

// ALRM, CALM, INCK, LOPT, PACK, PNAK and WHSP: replies whose code is all that matters.
void RegisterCodeCheckCommands(CommandRegistrar& registrar);
