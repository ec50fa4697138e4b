#include "messenger/protocol/SignIn.h"

#include <cstdlib>

#include "framework/base/QeStrings.h"
#include "framework/base/QeTrace.h"
#include "framework/net/QeSocketAddress.h"
#include "messenger/model/AccountInfo.h"
#include "messenger/model/Credentials.h"
#include "messenger/model/ScreenSeam.h"
#include "messenger/protocol/ClientUpgrade.h"
#include "messenger/protocol/CommandRegistrar.h"
#include "messenger/protocol/Envelopes.h"
#include "messenger/protocol/KeepAlive.h"
#include "messenger/protocol/Lsta.h"
#include "messenger/protocol/ProtocolSession.h"
#include "messenger/protocol/Reset.h"
#include "messenger/protocol/SharedMessages.h"
#include "messenger/protocol/TokenSets.h"

namespace {

// Every reply on the road checks its code this way: a refused step ends the attempt with the
// failure's text, the connection closed and the login form back, whichever step it was.
bool StepSucceeded(ProtocolSession* session, ReceivedMessage& message) {
    if (message.Code == 100) return true;
    if (session != nullptr) {
        session->EndSignInAttempt(ProtocolSession::FailureCodeText(message.Code));
    } else {
        ProtocolSession::ShowFailure(message);
        Screens().LoginShowPage(0);
    }
    return false;
}

}  // namespace

// ---- requests

bool PverRequest::WriteBody(QeMemoryWriter& writer) {
    WriteToken(writer, ClientVersion);
    WriteToken(writer, ProtocolVersion);
    WriteToken(writer, Locale);
    WriteCrLf(writer);
    return true;
}

bool AuthRequest::WriteBody(QeMemoryWriter& writer) {
    WriteToken(writer, AuthMethodToken(Method));
    WriteCrLf(writer);
    return true;
}

bool ReqsRequest::WriteBody(QeMemoryWriter& writer) {
    WriteToken(writer, Token);
    WriteToken(writer, LoginId);
    WriteCrLf(writer);
    return true;
}

bool Lin2Request::WriteBody(QeMemoryWriter& writer) {
    QeMemoryWriter payload;
    WriteToken(payload, Ticket);
    WriteCrLf(payload);
    WriteToken(payload, Digest);
    WriteToken(payload, AuthMethodToken(Method));
    WriteToken(payload, ClientVersion);
    WriteToken(payload, Locale);
    WriteToken(payload, Pcid);
    WriteToken(payload, BoolYNToken(Flag));
    WriteToken(payload, L"");
    WriteToken(payload, L"");
    WriteCrLf(payload);
    WriteToken(payload, PresenceLetterToken(Presence));
    WriteToken(payload, BoolYNToken(0));
    WriteToken(payload, BoolYNToken(0));
    WriteCrLf(payload);
    WriteToken(payload, L"");
    WriteCrLf(payload);

    WriteToken(writer, LoginId);
    WritePayload(writer, payload);
    return true;
}

bool LoptRequest::WriteBody(QeMemoryWriter& writer) {
    WriteToken(writer, Format);
    WritePayload(writer, Text.data(), static_cast<uint32_t>(Text.size()));
    return true;
}

// ---- received

bool PverReceived::ReadBody(TokenReader& reader) {
    std::wstring token;
    reader.ReadToken(token);
    Answer = ParseUpgradeAnswer(token);
    return true;
}

bool ReqsReceived::ReadBody(TokenReader& reader) {
    reader.ReadToken(Text);
    reader.ReadToken(Host);
    reader.ReadShort(Port);
    reader.ReadToken(Ticket);
    return true;
}

bool Lin2Received::ReadBody(TokenReader& reader) {
    reader.ReadInt(Count);
    std::wstring token;
    reader.ReadToken(token);
    LoginKind = static_cast<uint32_t>(ParseLoginKind(token));
    reader.ReadToken(token);
    LoginFlag = ParseBool01(token) ? 1 : 0;
    reader.ReadToken(Text3);
    reader.ReadToken(Text4);
    reader.ReadToken(Name);
    reader.ReadToken(Nickname);
    for (std::wstring& text : Texts7to13) reader.ReadToken(text);
    reader.ReadToken(token);
    LoginFlag14 = ParseBoolYN(token) ? 1 : 0;
    reader.ReadToken(TickText);
    reader.ReadToken(Text16);
    return true;
}

bool KillReceived::ReadBody(TokenReader& reader) {
    reader.ReadToken(Text1);
    reader.ReadToken(Text2);
    std::wstring token;
    reader.ReadToken(token);
    Flag = ParseBoolYN(token);
    reader.ReadInt(Number1);
    reader.ReadInt(Number2);
    return true;
}

// ---- handlers

bool PverHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!StepSucceeded(session, message)) return false;
    // An upgrade on offer waits for the user, who may take as long as they like; AUTH starts the
    // next step.
    if (session != nullptr) session->EndSignInStep();
    UpgradeCheck(static_cast<PverReceived&>(message).Answer);
    return true;
}

bool AuthHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!StepSucceeded(session, message)) return false;
    if (session == nullptr) return false;
    const AccountInfo* account = AccountInfo::Instance();
    ReqsRequest reqs;
    reqs.Token = static_cast<AuthReceived&>(message).Text;
    reqs.LoginId = account != nullptr ? account->Id : std::wstring();
    const int sent = session->Send(reqs);
    session->BeginSignInStep(ProtocolSession::SignInStep::Reqs);
    return sent == 1;
}

bool ReqsHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!StepSucceeded(session, message)) return false;
    if (session == nullptr) return false;
    const auto& reply = static_cast<const ReqsReceived&>(message);
    if (AccountInfo* account = AccountInfo::Instance()) account->Ticket = reply.Ticket;
    session->Close();
    session->Phase = 1;
    // Only the verified TLS channel carries the digest: LIN2 goes out once the handshake succeeded.
    if (!session->Connect(QeSocketAddress(reply.Host, reply.Port), kSessionTlsMode)) {
        QeTrace(L"ReqsHandler::Handle, the connect to %ls:%u could not be started.\n", reply.Host.c_str(),
                static_cast<unsigned>(reply.Port));
        session->EndSignInAttempt();
        return false;
    }
    return true;
}

bool Lin2Handler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!StepSucceeded(session, message)) return false;
    if (session == nullptr) return false;
    const auto& reply = static_cast<const Lin2Received&>(message);
    if (AccountInfo* account = AccountInfo::Instance()) {
        account->LoginKind = reply.LoginKind;
        account->LoginFlag = reply.LoginFlag;
        account->Text3 = reply.Text3;
        account->Text4 = reply.Text4;
        account->Name = reply.Name;
        account->Nickname = reply.Nickname;
        account->Texts7to13 = reply.Texts7to13;
        account->LoginFlag14 = reply.LoginFlag14;
        account->TickText = reply.TickText;
        account->Text16 = reply.Text16;
        account->Status = account->AppearOffline != 0 ? 5 : 0;
    }
    Screens().StatusBarCardRefresh();

    SendBuddyListRequest(*session);

    LoptRequest options;
    options.Text = kSignInOptions;
    Crp2Request envelope;
    envelope.Route = 0;
    SendInCrp2(*session, envelope, options);

    if (KeepAlive* keepAlive = KeepAlive::Instance()) keepAlive->StartKeepAlive();
    Screens().SetSignedIn(true);
    return true;
}

bool KillHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    Screens().Alert(kKilledText);
    ResetToLogin();
    return true;
}

bool TickHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (!CheckCode(session, message)) return false;
    if (AccountInfo* account = AccountInfo::Instance()) account->TickText = static_cast<TickReceived&>(message).Text;
    return true;
}

// ---- the road

void LoginServerAddress(std::wstring& host, uint16_t& port) {
    host = kDefaultLoginHost;
    port = kDefaultLoginPort;
    if (const char* text = std::getenv("TEVRIK_LOGIN_HOST"); text != nullptr && *text != '\0') {
        host = QeStrings::Utf8ToWide(text);
    }
    if (const char* text = std::getenv("TEVRIK_LOGIN_PORT"); text != nullptr && *text != '\0') {
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        if (*end == '\0' && value >= 1 && value <= 65535) {
            port = static_cast<uint16_t>(value);
        } else {
            QeTrace(L"LoginServerAddress, TEVRIK_LOGIN_PORT \"%s\" is no port; %u is used.\n", text,
                    static_cast<unsigned>(kDefaultLoginPort));
        }
    }
}

bool BeginSignIn(const std::wstring& loginId, const std::wstring& digest, bool appearOffline) {
    if (AccountInfo* account = AccountInfo::Instance()) {
        account->Id = loginId;
        account->Digest = digest;
        account->AppearOffline = appearOffline ? 1 : 0;
    }
    ProtocolSession* session = ProtocolSession::Instance();
    std::wstring host;
    uint16_t port = 0;
    LoginServerAddress(host, port);
    if (session != nullptr) {
        session->Phase = 0;
        if (session->Connect(QeSocketAddress(host, port), 0)) return true;
    }
    Screens().Alert(kNoNetworkText);
    return false;
}

void SendPverRequest(ProtocolSession& session) {
    PverRequest pver;
    session.Send(pver);
    session.BeginSignInStep(ProtocolSession::SignInStep::Pver);
}

void SendLin2Request(ProtocolSession& session) {
    // Whether or not the request can be made: the road must not wait for an answer without end.
    session.BeginSignInStep(ProtocolSession::SignInStep::Lin2);
    const AccountInfo* account = AccountInfo::Instance();
    if (account == nullptr) return;
    Lin2Request lin2;
    lin2.LoginId = account->Id;
    lin2.Ticket = account->Ticket;
    lin2.Digest = account->Digest;
    lin2.Method = 0;
    GetPcid(lin2.Pcid);
    lin2.Presence = account->AppearOffline != 0 ? 5 : 0;
    session.Send(lin2);
}

void SendAuthRequest() {
    ProtocolSession* session = ProtocolSession::Instance();
    if (session == nullptr) return;
    AuthRequest auth;
    auth.Method = 0;
    session->Send(auth);
    session->BeginSignInStep(ProtocolSession::SignInStep::Auth);
}

void LogOut() {
    if (ProtocolSession* session = ProtocolSession::Instance()) {
        LoutRequest lout;
        session->Send(lout);
    }
    ResetToLogin();
}

void RegisterSignInCommands(CommandRegistrar& registrar) {
    registrar.Command<PverReceived, PverHandler>(L"PVER");
    registrar.Command<AuthReceived, AuthHandler>(L"AUTH");
    registrar.Command<ReqsReceived, ReqsHandler>(L"REQS");
    registrar.Command<Lin2Received, Lin2Handler>(L"LIN2");
    registrar.Command<KillReceived, KillHandler>(L"KILL");
    registrar.Command<TickReceived, TickHandler>(L"TICK");
}
