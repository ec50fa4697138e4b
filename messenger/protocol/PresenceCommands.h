// Presence and personal details. The service tells the client when a buddy's presence changes
// (NTFY, INFY), when a buddy takes a new nickname (NNIK) or profile (NPRF), and shows its notices
// (SNFY); the client tells the service its own presence (ONST) and nickname (CNIK). Notices name the
// buddy by login id; one for a login id that is not in the roster is ignored.
#pragma once

#include <cstdint>
#include <string>

#include "messenger/protocol/MessageHandler.h"
#include "messenger/protocol/ProtocolMessage.h"

class CommandRegistrar;

// ---------------------------------------------------------------- requests

class OnstRequest final : public ConcreteRequest<OnstRequest> {
public:
    OnstRequest() : ConcreteRequest(L"ONST") {}
    explicit OnstRequest(int32_t trId) : ConcreteRequest(L"ONST", trId) {}
    bool WriteBody(QeMemoryWriter& writer) override;

    int Presence = 7;  // presence code; 7 writes "Unknown"
    int Typing = 3;    // TypingState: 0 "0", 1 "1", 2 "2"; 3 writes "Unknown"
    std::wstring Text;
    int Tail = 2;      // TailCode: 0 "1", 1 "2"; 2 writes "Unknown"
};

class CnikRequest final : public ConcreteRequest<CnikRequest> {
public:
    CnikRequest() : ConcreteRequest(L"CNIK") {}
    explicit CnikRequest(int32_t trId) : ConcreteRequest(L"CNIK", trId) {}
    bool WriteBody(QeMemoryWriter& writer) override;

    std::wstring Nickname;
};

// ---------------------------------------------------------------- received

// NTFY and INFY: a buddy's presence.
class PresenceNoticeReceived : public ReceivedMessage {
public:
    using ReceivedMessage::ReceivedMessage;
    bool ReadBody(TokenReader& reader) override;

    std::wstring Id;
    int Presence = 7;  // a letter outside the seven reads as 7
    int Typing = 3;
    std::wstring Text;
    int Tail = 2;
};

class NtfyReceived final : public PresenceNoticeReceived {
public:
    explicit NtfyReceived(int32_t trId) : PresenceNoticeReceived(L"NTFY", trId) {}
};

class InfyReceived final : public PresenceNoticeReceived {
public:
    explicit InfyReceived(int32_t trId) : PresenceNoticeReceived(L"INFY", trId) {}
};

// NPRF: a buddy's new profile. Position p of the six-place mask ("1" or "0") says whether field p
// changed.
class NprfReceived final : public ReceivedMessage {
public:
    explicit NprfReceived(int32_t trId) : ReceivedMessage(L"NPRF", trId) {}
    // False for a mask shorter than six places: such a notice changes nothing.
    bool ReadBody(TokenReader& reader) override;

    static constexpr size_t kMaskPlaces = 6;

    std::wstring Id;
    std::wstring Mask;
    std::wstring Text1;
    std::wstring Text2;
    std::wstring Text3;
    std::wstring Text4;
    uint8_t Flag5 = 0;  // "Y" gives 1
    std::wstring Text6;
};

// SNFY: a notice of the service; the third text is what the user sees.
class SnfyReceived final : public ReceivedMessage {
public:
    explicit SnfyReceived(int32_t trId) : ReceivedMessage(L"SNFY", trId) {}
    bool ReadBody(TokenReader& reader) override;

    std::wstring Text1;
    std::wstring Text2;
    std::wstring Notice;
};

// ---------------------------------------------------------------- handlers

// NTFY and INFY alike: the buddy's new presence, the sign-in sound when an offline buddy comes
// back, the buddy's row and its one-to-one chat window.
class NtfyHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

class NnikHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// Only the fields its mask names change; nothing is repainted.
class NprfHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

class SnfyHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// The replies to ONST and CNIK: the status bar's own card shows the new presence or nickname. A
// failure is shown; what was stored before sending stays.
class OnstHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};
using CnikHandler = OnstHandler;

// ---------------------------------------------------------------- sending

// The user chose a presence (0 to 6): it becomes the own status at once and goes out in an ONST.
// A code outside 0 to 6 changes and sends nothing (0). 1 when the request went out.
int SendOwnPresence(uint32_t status);
// The nickname page was left with this text: when it differs from the own nickname it becomes the
// own nickname at once and goes out in a CNIK (the empty text too). An unchanged text sends
// nothing (0). 1 when the request went out.
int SendOwnNickname(const std::wstring& nickname);

// NTFY, INFY, NNIK, NPRF, SNFY, ONST and CNIK.
void RegisterPresenceCommands(CommandRegistrar& registrar);
