// The sign-in road: on the login server the version check (PVER), the authentication method (AUTH)
// and the session request (REQS); then, over a verified TLS connection to the server that REQS
// named, the login proper (LIN2), after which the buddy list is fetched, the options sent and the
// keep-alive started. Also the commands that end or touch a signed-in session: KILL, TICK, LOUT.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "messenger/protocol/MessageHandler.h"
#include "messenger/protocol/ProtocolMessage.h"

class CommandRegistrar;

inline constexpr wchar_t kClientVersion[] = L"1.0.2";
inline constexpr wchar_t kProtocolVersion[] = L"2.0";
inline constexpr wchar_t kClientLocale[] = L"ko.wm";

// The login server unless TEVRIK_LOGIN_HOST and TEVRIK_LOGIN_PORT say otherwise.
inline constexpr wchar_t kDefaultLoginHost[] = L"127.0.0.1";
inline constexpr uint16_t kDefaultLoginPort = 5004;
// The TLS mode of the connection to the session server.
inline constexpr int kSessionTlsMode = 3;

// The options the client sends once signed in.
inline constexpr char kSignInOptions[] = "memo_wnd_show = false";

inline constexpr wchar_t kKilledText[] = L"다른 기기에서 동일 아이디로 접속하여 로그아웃 되었습니다.";

// ---- requests

class PverRequest final : public ConcreteRequest<PverRequest> {
public:
    PverRequest() : ConcreteRequest(L"PVER") {}
    explicit PverRequest(int32_t trId) : ConcreteRequest(L"PVER", trId) {}
    bool WriteBody(QeMemoryWriter& writer) override;

    std::wstring ClientVersion = kClientVersion;
    std::wstring ProtocolVersion = kProtocolVersion;
    std::wstring Locale = kClientLocale;
};

class AuthRequest final : public ConcreteRequest<AuthRequest> {
public:
    AuthRequest() : ConcreteRequest(L"AUTH") {}
    explicit AuthRequest(int32_t trId) : ConcreteRequest(L"AUTH", trId) {}
    bool WriteBody(QeMemoryWriter& writer) override;

    int Method = 0;  // AuthMethod: 0 "MD5"
};

class ReqsRequest final : public ConcreteRequest<ReqsRequest> {
public:
    ReqsRequest() : ConcreteRequest(L"REQS") {}
    explicit ReqsRequest(int32_t trId) : ConcreteRequest(L"REQS", trId) {}
    bool WriteBody(QeMemoryWriter& writer) override;

    std::wstring Token;    // from the AUTH reply
    std::wstring LoginId;  // own login id with its mail domain
};

// The login id and a payload of four CR LF-ended lines, counted with every CR LF:
//   ticket
//   digest method version locale pcid flag %00 %00
//   presence N N
//   %00
class Lin2Request final : public ConcreteRequest<Lin2Request> {
public:
    Lin2Request() : ConcreteRequest(L"LIN2") {}
    explicit Lin2Request(int32_t trId) : ConcreteRequest(L"LIN2", trId) {}
    bool WriteBody(QeMemoryWriter& writer) override;

    std::wstring LoginId;
    std::wstring Ticket;
    std::wstring Digest;
    int Method = 2;  // AuthMethod; the sender sets 0 ("MD5")
    std::wstring ClientVersion = kClientVersion;
    std::wstring Locale = kClientLocale;
    std::wstring Pcid;
    int Flag = 0;       // BoolYN
    int Presence = 7;   // PresenceLetter; the sender sets "O" (0) or "X" (5)
};

// The option text travels as raw UTF-8 bytes after the line, inside CRP2.
class LoptRequest final : public ConcreteRequest<LoptRequest> {
public:
    LoptRequest() : ConcreteRequest(L"LOPT") {}
    explicit LoptRequest(int32_t trId) : ConcreteRequest(L"LOPT", trId) {}
    bool WriteBody(QeMemoryWriter& writer) override;

    std::wstring Format = L"TXT";
    std::string Text;  // UTF-8
};

// ---- received

class PverReceived final : public ReceivedMessage {
public:
    explicit PverReceived(int32_t trId) : ReceivedMessage(L"PVER", trId) {}
    bool ReadBody(TokenReader& reader) override;

    int Answer = 3;  // UpgradeAnswer: 0 "Y", 1 "N", 2 "F", 3 anything else
};

class ReqsReceived final : public ReceivedMessage {
public:
    explicit ReqsReceived(int32_t trId) : ReceivedMessage(L"REQS", trId) {}
    bool ReadBody(TokenReader& reader) override;

    std::wstring Text;  // not used
    std::wstring Host;
    uint16_t Port = 0;
    std::wstring Ticket;
};

class Lin2Received final : public ReceivedMessage {
public:
    explicit Lin2Received(int32_t trId) : ReceivedMessage(L"LIN2", trId) {}
    bool ReadBody(TokenReader& reader) override;

    int32_t Count = 0;
    uint32_t LoginKind = 2;
    uint8_t LoginFlag = 0;
    std::wstring Text3;
    std::wstring Text4;
    std::wstring Name;
    std::wstring Nickname;
    std::array<std::wstring, 7> Texts7to13;
    uint8_t LoginFlag14 = 0;
    std::wstring TickText;
    std::wstring Text16;
};

// Read and kept; nothing uses them.
class KillReceived final : public ReceivedMessage {
public:
    explicit KillReceived(int32_t trId) : ReceivedMessage(L"KILL", trId) {}
    bool ReadBody(TokenReader& reader) override;

    std::wstring Text1;
    std::wstring Text2;
    bool Flag = false;
    int32_t Number1 = 0;
    int32_t Number2 = 0;
};

// ---- handlers
// None reads its request, so a reply counts whatever its id was sent with. A failure code in the
// PVER, AUTH, REQS or LIN2 reply ends the attempt (ProtocolSession::EndSignInAttempt with the
// failure's text): the connection closed, phase 0, the login form back.

// The answer goes to UpgradeCheck (the client upgrade), which goes on with ContinueLogin.
class PverHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// Sends REQS with the reply's token and the own login id.
class AuthHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// Keeps the ticket and reconnects to the named server over TLS (phase 1). A connect that cannot be
// started ends the attempt on the login form with kNoNetworkText.
class ReqsHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// Fills the account, refreshes the own card, asks for the buddy list, sends the options, starts the
// keep-alive and sets the application's signed-in flag.
class Lin2Handler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// Signed out because the same id signed in elsewhere: kKilledText, then ResetToLogin.
class KillHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// The new text replaces the account's TickText.
class TickHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};

// ---- the road

// The login server's host and port: the defaults above, or TEVRIK_LOGIN_HOST and TEVRIK_LOGIN_PORT
// (a port that is not a number from 1 to 65535 is traced and the default kept).
void LoginServerAddress(std::wstring& host, uint16_t& port);

// Stores id, digest and appear-offline flag in the account and starts the plain connection to the
// login server (phase 0); PVER goes out once it opens. False, with kNoNetworkText shown,
// when the connect cannot be started (the caller keeps its panel).
bool BeginSignIn(const std::wstring& loginId, const std::wstring& digest, bool appearOffline);

// The first requests of the two connections (ProtocolSession's connect actions).
void SendPverRequest(ProtocolSession& session);
void SendLin2Request(ProtocolSession& session);

// After the version check: sends AUTH with "MD5". Installed as ContinueLogin's action when the
// program starts.
void SendAuthRequest();

// The user's log-out: LOUT goes out (no reply is awaited) and the client returns to the login
// screen at once (ResetToLogin).
void LogOut();

// PVER, AUTH, REQS, LIN2, KILL and TICK.
void RegisterSignInCommands(CommandRegistrar& registrar);
