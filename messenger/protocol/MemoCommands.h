// Memos: an offline message is an IMSG (header lines "key:value", an empty line, a counted body)
// that never travels alone. To send, it rides inside a CMSG that names the recipients, itself inside
// a CRP2; a memo for the user arrives as a CMSG carrying an IMSG, and a memo fetched from the memo
// box as a WGET reply carrying one. Either way the carried IMSG is dispatched as a frame of its own
// and reaches ImsgHandler, which adds a new memo to MemoStore or fills the memo read view.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/base/QeDateTime.h"
#include "messenger/protocol/MessageHandler.h"
#include "messenger/protocol/ProtocolMessage.h"

class CommandRegistrar;

// The box that lists the recipients a memo did not reach; %ls is the ids, one a line.
inline constexpr const wchar_t* kMemoNotDeliveredText = L"다음의 사용자들이 쪽지를 받지 못 했습니다.\n\n%ls";

class ImsgRequest final : public ConcreteRequest<ImsgRequest> {
public:
    ImsgRequest() : ConcreteRequest(L"IMSG") {}
    explicit ImsgRequest(int32_t trId) : ConcreteRequest(L"IMSG", trId) {}

    // CR LF after the command, the header lines (each key directly followed by its value as one
    // escaped token), an empty line, then the body's UTF-8 bytes. The body is read back with "%"
    // escapes undone, so its "%" characters go out as "%25" and "length:" counts the bytes sent.
    bool WriteBody(QeMemoryWriter& writer) override;

    std::wstring From;
    std::vector<std::wstring> Refs;  // written joined by ";"
    std::wstring Title;
    bool Confirm = false;
    QeDateTime Date;
    int Event = 4;  // MemoEvent: 0 "NW", 1 "FW", 2 "RE", 3 "AL"; a new memo (0) has no cookie line
    std::wstring Cookie;
    std::wstring FontName;
    int32_t FontSize = 0;
    uint32_t FontColor = 0;  // red in the low byte, then green, then blue
    uint32_t FontStyle = 0;  // bits B 1, I 2, U 4, S 8
    int ContentType = 4;     // 0 "text", 1 "html", 2 "rtf", 3 "flsh"
    std::wstring Body;
};

class CmsgRequest final : public ConcreteRequest<CmsgRequest> {
public:
    CmsgRequest() : ConcreteRequest(L"CMSG") {}
    explicit CmsgRequest(int32_t trId) : ConcreteRequest(L"CMSG", trId) {}

    // Serialises the carried memo without its transaction id (its NoTrId is set) and keeps its bytes.
    bool SetInner(RequestMessage& inner);
    // The Confirm token, the payload count, CR LF, then the recipients line (the ids as tokens
    // joined by one blank, CR LF) and the carried bytes.
    bool WriteBody(QeMemoryWriter& writer) override;

    bool Confirm = false;  // BoolYN
    std::vector<std::wstring> Recipients;
    QeMemoryWriter Inner;
};

class ImsgReceived final : public ReceivedMessage {
public:
    explicit ImsgReceived(int32_t trId) : ReceivedMessage(L"IMSG", trId) {}
    // Header lines up to the first empty one, each decoded like a token and split at its first
    // ":"; lines without ":" and unknown keys are skipped. The rest of the frame, decoded the same
    // way, is the body.
    bool ReadBody(TokenReader& reader) override;

    std::wstring From;
    std::vector<std::wstring> Refs;  // "ref" split at ";", empty pieces dropped
    std::wstring Title;
    QeDateTime Date;
    bool Confirm = false;
    std::wstring Cookie;
    std::wstring SessionId;
    std::wstring Uuid;
    int Event = 4;
    bool Related = false;
    std::wstring FontName;
    int32_t FontSize = 0;
    uint32_t FontColor = 0;
    uint32_t FontStyle = 0;
    int ContentType = 4;
    int32_t Length = 0;
    std::wstring Body;
};

class CmsgReceived final : public ReceivedMessage {
public:
    explicit CmsgReceived(int32_t trId) : ReceivedMessage(L"CMSG", trId) {}
    // A reply to the user's own CMSG (its id is pending as a CMSG): the count, then every id left in
    // the frame into Failed. Otherwise a memo for the user: the sender, the count (clamped to the
    // bytes there are), and the carried message rebuilt as a frame of its own with id 0:
    // "IMSG\r\nfrom:..." becomes "IMSG 0\r\nfrom:...".
    bool ReadBody(TokenReader& reader) override;

    bool IsReply = false;
    std::vector<std::wstring> Failed;
    std::wstring Sender;
    QeMemoryWriter Frame;
    TokenReader Reader;
    bool Carries = false;  // a message was rebuilt
};

// Reply: tells the user which recipients the memo did not reach. Incoming memo: dispatches the
// carried IMSG.
class CmsgHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// A memo fetched from the memo box (WGET MEMOGET2): fills the memo read view while that page is
// current, and nothing else. Any other memo is new: a record at the front of MemoStore, a new top
// row, the new-memo flag, the indicators and the memo sound.
class ImsgHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// IMSG, CMSG and WGET.
void RegisterMemoCommands(CommandRegistrar& registrar);
