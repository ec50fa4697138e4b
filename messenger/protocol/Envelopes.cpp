#include "messenger/protocol/Envelopes.h"

#include "framework/base/QeTrace.h"
#include "messenger/protocol/CommandRegistrar.h"
#include "messenger/protocol/PendingRequests.h"
#include "messenger/protocol/ProtocolSession.h"
#include "messenger/protocol/TokenSets.h"

std::wstring& EnvelopeSessionId() {
    static std::wstring id;
    return id;
}

// ---- requests

bool Crp2Request::SetInner(RequestMessage& inner) {
    Inner.Clear();
    if (!inner.Serialize()) return false;
    Inner.Write(inner.Buffer.Data(), inner.Buffer.Size());
    if (inner.TrId != 0 && !inner.NoTrId) {
        if (PendingRequests* pending = PendingRequests::Instance()) pending->Add(inner);
    }
    return true;
}

bool Crp2Request::WriteBody(QeMemoryWriter& writer) {
    WriteToken(writer, RouteKindToken(Route));
    WriteToken(writer, TargetId);
    WritePayload(writer, Inner);
    return true;
}

bool CtocRequest::SetInner(RequestMessage& inner) {
    Inner.Clear();
    inner.NoTrId = true;
    if (!inner.Serialize()) return false;
    Inner.Write(inner.Buffer.Data(), inner.Buffer.Size());
    return true;
}

bool CtocRequest::WriteBody(QeMemoryWriter& writer) {
    WriteToken(writer, TargetId);
    WriteToken(writer, CtocKindToken(Kind));
    WritePayload(writer, Inner);
    return true;
}

bool CsesRequest::WriteBody(QeMemoryWriter& writer) {
    WriteToken(writer, SessionOpToken(Op));
    WriteToken(writer, RouteKindToken(Route));
    WriteToken(writer, Id);
    if (Op == 3) {
        QeMemoryWriter payload;
        WriteToken(payload, Host);
        WriteNumber(payload, Port);
        WriteToken(payload, Cookie);
        WriteCrLf(payload);
        WritePayload(writer, payload);
    } else {
        WriteSignedNumber(writer, 0);
        WriteCrLf(writer);
    }
    return true;
}

int SendInCrp2(ProtocolSession& session, Crp2Request& envelope, RequestMessage& inner) {
    // Checked before the envelope is filled: filling it remembers the inner request as pending.
    if (!session.IsConnected()) return 0;
    if (!envelope.SetInner(inner)) return 0;
    if (session.Send(envelope) != 0) return 1;
    PendingRequests* pending = PendingRequests::Instance();
    if (pending != nullptr && inner.TrId != 0) {
        const RequestMessage* kept = pending->Find(inner.TrId);
        if (kept != nullptr && kept->Name == inner.Name) pending->Remove(inner.TrId);
    }
    return 0;
}

int SendViaDispatch(RequestMessage& inner) {
    ProtocolSession* session = ProtocolSession::Instance();
    // Without a connection no envelope is made: it would take up a transaction id for nothing.
    if (session == nullptr || !session->IsConnected()) return 0;
    Crp2Request envelope;
    envelope.Route = 0;
    return SendInCrp2(*session, envelope, inner);
}

// ---- received

bool Crp2Received::ReadBody(TokenReader& reader) {
    LineAndPayload parts = SplitAtLine(reader);
    std::wstring route;
    parts.line.ReadToken(route);
    Route = ParseRouteKind(route);
    parts.line.ReadToken(TargetId);
    int32_t count = 0;
    parts.line.ReadInt(count);
    Carried.SetBuffer(parts.payload, ClampCount(count, parts.payloadSize));
    EnvelopeSessionId() = TargetId;
    return true;
}

bool CtocReceived::ReadBody(TokenReader& reader) {
    // What another user sends us names no chat session of ours: a chat command carried here must
    // not land in the chat that the last CRP2 named.
    EnvelopeSessionId().clear();
    LineAndPayload parts = SplitAtLine(reader);
    parts.line.ReadToken(SenderId);
    int32_t count = 0;
    parts.line.ReadInt(count);

    TokenReader payload(parts.payload, parts.payloadSize);
    std::wstring command;
    payload.ReadToken(command);
    const int64_t consumed = payload.Tell();
    if (command.empty()) {
        QeTrace(L"CtocReceived::ReadBody, the envelope from %ls carries no command; nothing is dispatched.\n",
                SenderId.c_str());
        return true;
    }
    if (count < consumed) {
        QeTrace(L"CtocReceived::ReadBody, the count %d is smaller than the carried command %ls; nothing is dispatched.\n",
                count, command.c_str());
        return true;
    }
    const int64_t rest = count - consumed;
    if (rest > payload.Remaining()) {
        QeTrace(L"CtocReceived::ReadBody, the count %d runs past the frame; the carried %ls is dropped.\n", count,
                command.c_str());
        return true;
    }
    WriteToken(Frame, command);
    WriteSignedNumber(Frame, 0);
    WriteCrLf(Frame);
    if (rest > 0) Frame.Write(payload.Current(), static_cast<uint32_t>(rest));
    Reader.SetBuffer(Frame.Data(), Frame.Size());
    Carries = true;
    return true;
}

bool CsesReceived::ReadBody(TokenReader& reader) {
    LineAndPayload parts = SplitAtLine(reader);
    std::wstring op;
    parts.line.ReadToken(op);
    Op = ParseSessionOp(op);
    int32_t count = 0;
    parts.line.ReadInt(count);

    TokenReader body(parts.payload, ClampCount(count, parts.payloadSize));
    if (Op == 2) {
        body.ReadToken(KillText);
        std::wstring flag;
        body.ReadToken(flag);
        KillFlag = ParseBoolYN(flag);
    } else if (Op == 3) {
        std::wstring route;
        body.ReadToken(route);
        Route = ParseRouteKind(route);
        body.ReadToken(SessionId);
        body.ReadToken(Text);
        body.ReadShort(Port);
        body.ReadToken(Cookie);
    }
    return true;
}

// ---- handlers

bool Crp2Handler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    auto* envelope = dynamic_cast<Crp2Received*>(&message);
    if (envelope == nullptr || session == nullptr) return false;
    session->OnPacket(envelope->Carried.Data(), envelope->Carried.Size());
    return true;
}

bool CtocHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    auto* envelope = dynamic_cast<CtocReceived*>(&message);
    if (envelope == nullptr || session == nullptr || !envelope->Carries) return false;
    session->OnPacket(envelope->Reader.Data(), envelope->Reader.Size());
    return true;
}

bool CsesHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) {
        ChatOpeningRefused(message.TrId);
        return false;
    }
    auto* reply = dynamic_cast<CsesReceived*>(&message);
    if (reply == nullptr) return false;
    switch (reply->Op) {
        case 0:
        case 1:
        case 2:
            return true;
        case 3:
            return session != nullptr && EnterGrantedChat(*session, *reply);
        default:
            return false;
    }
}

void RegisterEnvelopeCommands(CommandRegistrar& registrar) {
    registrar.Command<Crp2Received, Crp2Handler>(L"CRP2");
    registrar.Command<CsesReceived, CsesHandler>(L"CSES");
    registrar.Command<CtocReceived, CtocHandler>(L"CTOC");
}
