// The chat commands. A chat lives on a chat server of the service that the client reaches through its
// one connection: RESS asks for a chat server, CSES CONN (Envelopes.h) enters it, ENTR announces the
// user, INVT (inside CTOC) brings the buddy in, JOIN and USER name the members, QUIT says one left,
// MESG carries lines and typing notices. Everything but the CSES CONN travels inside CRP2; the chat
// commands carried back find their chat by the envelope's target (EnvelopeSessionId).
//
// RESS and ENTR replies, INVT, JOIN, USER, QUIT and MESG change the chat model and then write into the
// chat's window through the screen seam; they never draw.
#pragma once

#include <cstdint>
#include <string>

#include "framework/base/QeDateTime.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/protocol/MessageHandler.h"
#include "messenger/protocol/ProtocolMessage.h"
#include "messenger/protocol/SharedMessages.h"

class ChatSession;
class CommandRegistrar;
class ProtocolSession;

// ---------------------------------------------------------------- requests
// RessRequest (no body) is in SharedMessages.h.

// The invitation, carried as the counted payload of a CTOC: no transaction id, no closing CR LF.
class InvtRequest final : public ConcreteRequest<InvtRequest> {
public:
    InvtRequest() : ConcreteRequest(L"INVT") {}
    explicit InvtRequest(int32_t trId) : ConcreteRequest(L"INVT", trId) {}
    bool WriteBody(QeMemoryWriter& writer) override;

    std::wstring InviterId;
    std::wstring Host;
    uint16_t Port = 0;
    std::wstring Cookie;
};

class EntrRequest final : public ConcreteRequest<EntrRequest> {
public:
    EntrRequest() : ConcreteRequest(L"ENTR") {}
    explicit EntrRequest(int32_t trId) : ConcreteRequest(L"ENTR", trId) {}
    bool WriteBody(QeMemoryWriter& writer) override;

    std::wstring LoginId;
    std::wstring Nickname;
    std::wstring Name;
    std::wstring Cookie;
    int Charset = 2;           // 0 "ANSI", 1 "UTF8"; 2 writes "Unknown"
    int Kind = 2;              // EnterKind: 0 "P", 1 "C"; 2 writes "Unknown"
    std::wstring KindText;     // written only for kind "C"
    std::wstring Version;
    int Tail = 2;              // TailCode: 0 "1", 1 "2"; 2 writes "Unknown"
};

enum : int { kMesgTyping = 0, kMesgMsg = 1, kMesgAwayMsg = 2, kMesgOther = 3 };

class MesgRequest final : public ConcreteRequest<MesgRequest> {
public:
    MesgRequest() : ConcreteRequest(L"MESG") {}
    explicit MesgRequest(int32_t trId) : ConcreteRequest(L"MESG", trId) {}
    // The kind, then the typing state (TYPING) or the styled text as one token (MSG, AWAYMSG).
    bool WriteBody(QeMemoryWriter& writer) override;

    int Kind = kMesgOther;  // MessageKind; 3 writes "Unknown" and nothing after it
    int TypingState = 3;    // 0 "0", 1 "1", 2 "2"
    std::wstring FontName;
    uint32_t FontSize = 0;
    uint32_t FontStyle = 0;
    std::wstring Text;
};

// The styled-text token of a MSG. The receiver reads the token once as a wire token and then once
// more as a token stream, so every "%" of the font name and the text is written as "%25" first and
// the text arrives as it was typed. The font name is read back as a token of its own, so its
// separators are escaped as well. A text without "%" is the same as JoinStyledText gives.
std::wstring StyledTextToken(const std::wstring& fontName, uint32_t size, uint32_t style, const std::wstring& text);

// ---------------------------------------------------------------- received
// EntrReceived (no body) and QuitReceived (First = login id, Second = a text) are in SharedMessages.h.

class RessReceived final : public ReceivedMessage {
public:
    explicit RessReceived(int32_t trId) : ReceivedMessage(L"RESS", trId) {}
    bool ReadBody(TokenReader& reader) override;

    std::wstring Host;
    uint16_t Port = 0;
    std::wstring Cookie;
};

class InvtReceived final : public ReceivedMessage {
public:
    explicit InvtReceived(int32_t trId) : ReceivedMessage(L"INVT", trId) {}
    bool ReadBody(TokenReader& reader) override;

    std::wstring InviterId;
    std::wstring Host;
    uint16_t Port = 0;
    std::wstring Cookie;
};

// The member entry that JOIN and USER carry: login id, nickname, name, a text and the state token.
class ChatMemberReceived : public ReceivedMessage {
public:
    using ReceivedMessage::ReceivedMessage;
    // The entry as a chat member (the state token "1" gives 0, anything else 2).
    ChatMember Member() const;

    std::wstring LoginId;
    std::wstring Nickname;
    std::wstring Name;
    std::wstring Text;
    int Tail = 2;  // "1" gives 0, anything else (or nothing) 2

protected:
    void ReadMember(TokenReader& reader);
};

class JoinReceived final : public ChatMemberReceived {
public:
    explicit JoinReceived(int32_t trId) : ChatMemberReceived(L"JOIN", trId) {}
    bool ReadBody(TokenReader& reader) override;
};

class UserReceived final : public ChatMemberReceived {
public:
    explicit UserReceived(int32_t trId) : ChatMemberReceived(L"USER", trId) {}
    bool ReadBody(TokenReader& reader) override;

    int32_t Index = 0;  // the two numbers in front; nothing uses them
    int32_t Count = 0;
};

class MesgReceived final : public ReceivedMessage {
public:
    explicit MesgReceived(int32_t trId) : ReceivedMessage(L"MESG", trId) {}
    // Nothing when the line ends after the transaction id (the service's answer to an own MESG).
    bool ReadBody(TokenReader& reader) override;

    std::wstring SenderId;
    int Kind = kMesgOther;
    int TypingState = 3;
    std::wstring FontName;
    uint32_t FontSize = 0;
    uint32_t FontStyle = 0;
    std::wstring Text;
};

// Reads a styled-text payload that was already decoded once as a wire token: font name, size and
// style letters as tokens, and the text as everything after the style, each decoded once more.
void ReadStyledText(const std::wstring& payload, std::wstring& fontName, uint32_t& size, uint32_t& style,
                    std::wstring& text);

// ---------------------------------------------------------------- handlers

// The chat server granted: CSES CONN with the reply's host, port and cookie; the chat that waited for
// this RESS then waits for the CONN.
class RessHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// An invitation (carried in CTOC): CSES CONN, and the chat with the inviter made or reused.
class InvtHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// Entered: a chat nobody else is in yet invites its buddy.
class EntrHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// A member joined (State back to 0) or was already there: the texts queued meanwhile go out.
class JoinHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// See JoinHandler; no join line for members already there.
class UserHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

class QuitHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

class MesgHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// ---------------------------------------------------------------- sending

// Each wraps its request as the chat road needs it and hands it to ProtocolSession::Send; the result
// is Send's (0 when nothing went out). outTrId, when given, receives the carried request's id.
// RESS inside CRP2 "DP" with an empty target.
int SendRess(int32_t* outTrId = nullptr);
// CSES CONN "SS" with an empty id, without an envelope.
int SendCsesConn(const std::wstring& host, uint16_t port, const std::wstring& cookie, int32_t* outTrId = nullptr);
// CSES KILL "SS" with the chat's session id, without an envelope: the user closes the chat (the
// status bar's close button). The chat itself is removed once its window has left the screen.
int SendCsesKill(const ChatSession& chat);
// INVT {own login id, the chat's host, port and cookie} inside CTOC (target = buddyId, kind "A")
// inside CRP2 "DP".
int SendInvitation(const ChatSession& chat, const std::wstring& buddyId);
// MESG inside CRP2 "SS" with the chat's session id as target.
int SendMesg(const ChatSession& chat, MesgRequest& request);

// ---------------------------------------------------------------- texts of the chat window

// "%s (%s) 님의 말:\n%s\n". These texts are put together, never cut, whatever the lengths.
std::wstring ChatSaidLine(const std::wstring& name, const std::wstring& nickname, const std::wstring& text);
// "%s (%s) 님이 입장하였습니다.\n"
std::wstring ChatJoinLine(const std::wstring& name, const std::wstring& nickname);
// "%s (%s) 님이 퇴장하였습니다.\n"
std::wstring ChatLeaveLine(const std::wstring& name, const std::wstring& nickname);
// "%s (%s) 님이 메시지를 입력하고 있습니다."
std::wstring ChatTypingText(const std::wstring& name, const std::wstring& nickname);
// "[%d] %s\n" with the code and its failure name.
std::wstring ChatErrorLine(int32_t code);
// "마지막 메시지를 받은 시각: %s" with the time as "yyyy-MM-dd hh:mm:ss".
std::wstring ChatLastMessageText(const QeDateTime& time);
inline constexpr const wchar_t* kChatWaitingText = L"대기 중입니다.";

// Chat window line kinds.
enum : int { kChatLineSystem = 0, kChatLineMe = 1, kChatLineOther = 2, kChatLineError = 3 };

// RESS, INVT, ENTR, JOIN, USER, QUIT and MESG.
void RegisterChatCommands(CommandRegistrar& registrar);
