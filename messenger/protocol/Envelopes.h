// The three commands that carry or steer other traffic over the one connection:
//   CRP2 wraps a complete request of the client (with its own transaction id), addressed to the
//        dispatch side ("DP", empty target) or to a chat session ("SS", target = session id); its
//        replies come back wrapped the same way and are dispatched again.
//   CTOC wraps a message for another client (an invitation) without a transaction id; the service
//        delivers it inside a CTOC of its own.
//   CSES connects the client to a chat session (CONN) or closes one (KILL).
//
// Every carried frame is dispatched through ProtocolSession::OnPacket as if it had been received
// on its own, and runs to its end (its pending entry removed) before the envelope's dispatch goes on.
#pragma once

#include <cstdint>
#include <string>

#include "messenger/protocol/MessageHandler.h"
#include "messenger/protocol/ProtocolMessage.h"

class CommandRegistrar;
class ProtocolSession;

// The target id of the last CRP2 received, set while its body is read; the chat handlers find the
// chat that a carried message belongs to with it. One text for the whole process.
std::wstring& EnvelopeSessionId();

class Crp2Request final : public ConcreteRequest<Crp2Request> {
public:
    Crp2Request() : ConcreteRequest(L"CRP2") {}
    explicit Crp2Request(int32_t trId) : ConcreteRequest(L"CRP2", trId) {}

    // Serialises the inner request with its own transaction id and copies its bytes; the inner
    // request is remembered as pending, so its reply, carried back in a CRP2, finds it. False (and
    // nothing remembered) when the inner request cannot be serialised.
    bool SetInner(RequestMessage& inner);
    // Route, target, the inner byte count, CR LF, then the inner frame raw.
    bool WriteBody(QeMemoryWriter& writer) override;

    int Route = 2;  // RouteKind: 0 "DP", 1 "SS"; 2 writes "Unknown"
    std::wstring TargetId;
    QeMemoryWriter Inner;
};

class CtocRequest final : public ConcreteRequest<CtocRequest> {
public:
    CtocRequest() : ConcreteRequest(L"CTOC") {}
    explicit CtocRequest(int32_t trId) : ConcreteRequest(L"CTOC", trId) {}

    // Serialises the inner request without its transaction id (its NoTrId is set) and copies its
    // bytes. The inner request is not remembered: no reply comes for it.
    bool SetInner(RequestMessage& inner);
    // Target, kind, the inner byte count, CR LF, then the inner bytes raw.
    bool WriteBody(QeMemoryWriter& writer) override;

    std::wstring TargetId;  // the other user's login id
    int Kind = 3;           // CtocKind: 0 "U", 1 "A", 2 "N"; 3 writes "Unknown"
    QeMemoryWriter Inner;
};

class CsesRequest final : public ConcreteRequest<CsesRequest> {
public:
    CsesRequest() : ConcreteRequest(L"CSES") {}
    explicit CsesRequest(int32_t trId) : ConcreteRequest(L"CSES", trId) {}

    // Op, route, id; CONN carries host, port and cookie as its payload, every other op an empty one.
    bool WriteBody(QeMemoryWriter& writer) override;

    int Op = 4;     // SessionOp: 0 "LIST", 1 "INFO", 2 "KILL", 3 "CONN"; 4 writes "Unknown"
    int Route = 2;  // RouteKind
    std::wstring Id;
    std::wstring Host;
    uint16_t Port = 0;
    std::wstring Cookie;
};

class Crp2Received final : public ReceivedMessage {
public:
    explicit Crp2Received(int32_t trId) : ReceivedMessage(L"CRP2", trId) {}
    // Route, target and count from the line; the carried bytes are the count's bytes after the
    // line, clamped to what the frame holds. Sets the envelope session id.
    bool ReadBody(TokenReader& reader) override;

    int Route = 2;
    std::wstring TargetId;
    // Over the carried frame; the bytes belong to the frame being dispatched.
    TokenReader Carried;
};

class CtocReceived final : public ReceivedMessage {
public:
    explicit CtocReceived(int32_t trId) : ReceivedMessage(L"CTOC", trId) {}
    // Sender and count from the line; the carried message (command, then its body) is rebuilt as a
    // frame of its own with transaction id 0: "INVT a b" becomes "INVT 0\r\na b". A count that does
    // not fit the bytes there are carries nothing (traced).
    bool ReadBody(TokenReader& reader) override;

    std::wstring SenderId;
    QeMemoryWriter Frame;
    TokenReader Reader;
    bool Carries = false;  // a message was rebuilt
};

class CsesReceived final : public ReceivedMessage {
public:
    explicit CsesReceived(int32_t trId) : ReceivedMessage(L"CSES", trId) {}
    bool ReadBody(TokenReader& reader) override;

    int Op = 4;  // SessionOp
    // KILL
    std::wstring KillText;
    bool KillFlag = false;  // BoolYN
    // CONN
    int Route = 2;
    std::wstring SessionId;
    std::wstring Text;  // sent by the service, used by nobody
    uint16_t Port = 0;
    std::wstring Cookie;
};

// On success dispatches the carried frame; on another code shows the failure.
class Crp2Handler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// On success dispatches the rebuilt frame (its id 0 removes nothing); else shows the failure.
class CtocHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// LIST, INFO, KILL: nothing more to do. CONN: EnterGrantedChat. Any other op: not acted on. A
// failure code is shown, and ends the wait of a chat whose CONN it answers (ChatOpeningRefused).
class CsesHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// The CONN step of a chat: the chat whose CSES CONN is answered takes the reply's session id, and
// an ENTR (own login id, nickname and name, the reply's cookie, "UTF8", "P", "1.1", "2") goes
// inside a CRP2 with the reply's route and session id as target. A reply that answers no chat's
// CONN, or names no session, enters nothing (false).
bool EnterGrantedChat(ProtocolSession& session, const CsesReceived& reply);
// A failure code answering a chat's opening request (its RESS or its CSES CONN, the chat's
// PendingTrId): the chat no longer waits for a room (State 0), so the next text typed into it asks
// for one again instead of waiting in the queue for ever.
void ChatOpeningRefused(int32_t trId);

// Every request that travels inside a CRP2 goes out through here: puts inner into the envelope,
// whose route and target are set already, and sends it. (The caller makes the envelope, so that it
// decides which of the two takes the lower transaction id.) Filling the envelope remembers inner as
// pending; when the envelope does not go out, that entry is taken back, for no reply can come for
// it. 1 sent, 0 not (no connection, or inner cannot be serialised).
int SendInCrp2(ProtocolSession& session, Crp2Request& envelope, RequestMessage& inner);
// Sends inner in an envelope made after it, addressed to the dispatch side ("DP", no target), over
// the one session.
int SendViaDispatch(RequestMessage& inner);

// CRP2, CTOC and CSES.
void RegisterEnvelopeCommands(CommandRegistrar& registrar);
