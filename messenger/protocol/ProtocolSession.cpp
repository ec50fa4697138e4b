#include "messenger/protocol/ProtocolSession.h"

#include <cstring>

#include "framework/base/QeStrings.h"
#include "framework/base/QeTimerManager.h"
#include "framework/base/QeTrace.h"
#include "framework/ui/shell/QeConnection.h"
#include "messenger/model/ScreenSeam.h"
#include "messenger/protocol/HandlerRegistry.h"
#include "messenger/protocol/MessageFactory.h"
#include "messenger/protocol/MessageHandler.h"
#include "messenger/protocol/PendingRequests.h"
#include "messenger/protocol/ProtocolMessage.h"
#include "messenger/protocol/Reset.h"

namespace {

const wchar_t kConnectionLostText[] = L"Tevrik 서버와의 연결이 끊어졌습니다.";

struct FailureName {
    int32_t code;
    const wchar_t* text;
};

const FailureName kFailureNames[] = {
    {100, L"FailureCodeSuccess"},
    {101, L"FailureCodeLowCache"},
    {200, L"FailureCodeInvalidPacket"},
    {201, L"FailureCodeMissingData"},
    {202, L"FailureCodeInvalidData"},
    {203, L"FailureCodeInvalidCommand"},
    {270, L"FailureCodeInvalidSsSession"},
    {280, L"FailureCodeMsgError"},
    {300, L"입력하신 아이디를 확인하시고, 다시 로그인을 시도해 주세요."},
    {301, L"입력하신 비밀번호를 확인하시고, 다시 로그인을 시도해 주세요."},
    {302, L"FailureCodeAlreadyLoggedIn"},
    {303, L"FailureCodeWrongDomain"},
    {304, L"FailureCodeInvalidTargetId"},
    {305, L"FailureCodeOfflineTargetId"},
    {306, L"FailureCodeInvalidSession"},
    {307, L"FailureCodeIdAlreadyExists"},
    {308, L"FailureCodeClosedSession"},
    {309, L"FailureCodeStoppedCommunication"},
    {321, L"FailureCodeFlExceeded"},
    {322, L"FailureCodeBuddyExceeded"},
    {395, L"아직 OTP 인증은 지원하지 않습니다."},
    {396, L"FailureCodeOtpNotReg"},
    {397, L"FailureCodeOtpOverTry"},
    {400, L"FailureCodeGeneralServerError"},
    {401, L"FailureCodeResourceExhausted"},
    {411, L"FailureCodeDplNotRegistered"},
    {412, L"FailureCodeDplInsertError"},
    {413, L"FailureCodeDplIInvalidHost"},
    {414, L"FailureCodeDplUnknownOs"},
    {418, L"FailureCodeDplUnsupportedVersion"},
    {420, L"FailureCodeDispError"},
    {421, L"FailureCodeDispConnectionFailed"},
    {422, L"FailureCodeDispTimeout"},
    {423, L"FailureCodeDispIpmlTimeout"},
    {480, L"FailureCodeMrError"},
    {490, L"FailureCodeIpmlError"},
    {500, L"FailureCodeDbError"},
    {600, L"FailureCodeLowVersion"},
    {601, L"FailureCodeUnauthorized"},
    {997, L"FailureCodeSrFormat"},
    {998, L"FailureCodeLink"},
    {999, L"FailureCodeGeneral"},
};

bool IsWordEnd(uint8_t b) { return b == ' ' || b == '\t' || b == '\n'; }
bool IsDigit(uint8_t b) { return b >= '0' && b <= '9'; }

// Leading decimal digits, saturating far beyond any count a frame may hold.
uint64_t LeadingCount(const uint8_t* p, const uint8_t* end) {
    constexpr uint64_t kCap = uint64_t{1} << 40;
    uint64_t value = 0;
    for (; p < end && IsDigit(*p); ++p) {
        if (value < kCap) value = value * 10 + (*p - '0');
    }
    return value;
}

// What the head of a frame says about it. The first word is taken from the first line only, with
// the token reader's rules (SP, TAB and LF end it; CR bytes are not part of it).
struct FrameHead {
    uint32_t lineLength = 0;  // up to and including the first LF, or everything when there is none
    bool hasLf = false;
    bool longWord = false;    // longer than kMaxWord: neither a command nor a result code
    bool errorReply = false;  // the word's leading digits form a non-zero number
    bool payload = false;     // one of the payload commands
    bool hasCount = false;    // payload: an SP stands in the line, so a count follows it
    uint64_t count = 0;       // payload: the number after the line's last SP
};

FrameHead ReadFrameHead(const uint8_t* bytes, uint32_t available) {
    FrameHead head;
    const uint32_t scan = available < ProtocolSession::kMaxFrame ? available : ProtocolSession::kMaxFrame;
    const void* lf = scan > 0 ? std::memchr(bytes, '\n', scan) : nullptr;
    head.hasLf = lf != nullptr;
    head.lineLength = head.hasLf ? static_cast<uint32_t>(static_cast<const uint8_t*>(lf) - bytes) + 1 : available;

    char word[ProtocolSession::kMaxWord + 1];
    size_t wordLength = 0;
    for (uint32_t i = 0; i < head.lineLength && !IsWordEnd(bytes[i]); ++i) {
        if (bytes[i] == '\r') continue;
        if (wordLength == ProtocolSession::kMaxWord) {
            head.longWord = true;
            return head;
        }
        word[wordLength++] = static_cast<char>(bytes[i]);
    }
    const uint8_t* wordBytes = reinterpret_cast<const uint8_t*>(word);
    if (LeadingCount(wordBytes, wordBytes + wordLength) != 0) {
        head.errorReply = true;
        return head;
    }
    const MessageFactory* factory = MessageFactory::Instance();
    head.payload = factory != nullptr && factory->IsPayloadCommand(std::string_view(word, wordLength));
    if (!head.payload) return head;

    // The count is the line's last token: walk back from the end of the line to the nearest SP.
    uint32_t end = head.lineLength;
    if (head.hasLf) --end;
    for (uint32_t i = end; i > 0; --i) {
        if (bytes[i - 1] == ' ') {
            head.hasCount = true;
            head.count = LeadingCount(bytes + i, bytes + end);
            break;
        }
    }
    return head;
}

// Result code of an error reply's first word; 0 when it is no number.
int32_t ResultCode(const std::wstring& name) {
    int64_t value = 0;
    for (wchar_t c : name) {
        if (c < L'0' || c > L'9') break;
        if (value <= INT32_MAX) value = value * 10 + (c - L'0');
    }
    return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

}  // namespace

ProtocolSession::ProtocolSession() {
    for (int phase = 0; phase < 2; ++phase) m_connectActions[phase] = DefaultConnectAction(phase);
    // Whatever the answer: a missing connection shows when the peer itself fails to connect.
    if (QeConnection* connection = QeConnection::Instance()) connection->Establish(60000);
}

ProtocolSession::~ProtocolSession() {
    if (QeConnection* connection = QeConnection::Instance()) connection->Release();
    Close();
}

void ProtocolSession::SetConnectAction(int phase, ConnectAction action) {
    if (phase < 0 || phase > 1) {
        QeTrace(L"[QE+] ProtocolSession::SetConnectAction, phase %d has no first request.\n", phase);
        return;
    }
    m_connectActions[phase] = action;
}

void ProtocolSession::OnConnected() {
    m_connected = true;
    // The connect is done; the first request starts the next step.
    EndSignInStep();
    if (Phase != 0 && Phase != 1) return;
    ConnectAction action = m_connectActions[Phase];
    if (action != nullptr) action(*this);
}

bool ProtocolSession::Connect(const QeSocketAddress& address, int mode) {
    // Whatever was open is gone; nothing may be sent until the new connection completes.
    m_connected = false;
    if (!QeTcpPeer::Connect(address, mode)) return false;
    // An address that drops connection attempts would leave the road waiting for the system to
    // give up (minutes); the TLS handshake's own limit only starts once the connect is through.
    BeginSignInStep(Phase == 1 ? SignInStep::TlsConnect : SignInStep::Connect);
    return true;
}

void ProtocolSession::FrameLength(const BYTE* bytes, DWORD available, DWORD& length) {
    if (bytes == nullptr || available == 0) return;
    const FrameHead head = ReadFrameHead(bytes, available);
    if (!head.hasLf) {
        if (available >= kMaxFrame) OnProtocolError(L"a line runs past the largest frame");
        return;
    }
    // A payload line without any count cannot be measured; it is taken alone and dispatch drops it.
    if (!head.payload || !head.hasCount) {
        length = head.lineLength;
        return;
    }
    const uint64_t total = uint64_t{head.lineLength} + head.count;
    if (total > kMaxFrame) {
        OnProtocolError(L"a frame is larger than the largest frame");
        return;
    }
    if (total <= available) length = static_cast<uint32_t>(total);
}

struct ProtocolSession::FrameCopy {
    explicit FrameCopy(ProtocolSession& session) : m_session(session) { ++m_session.m_depth; }
    ~FrameCopy() { --m_session.m_depth; }
    ProtocolSession& m_session;
};

void ProtocolSession::OnPacket(const uint8_t* bytes, uint32_t length) {
    if (bytes == nullptr && length > 0) return;
    if (m_depth >= kMaxNesting) {
        QeTrace(L"ProtocolSession::OnPacket, a frame nested %d deep is dropped.\n", m_depth + 1);
        return;
    }
    if (m_frames.size() <= static_cast<size_t>(m_depth)) m_frames.push_back(std::make_unique<std::vector<uint8_t>>());
    std::vector<uint8_t>& copy = *m_frames[m_depth];
    copy.assign(bytes, bytes + length);
    FrameCopy level(*this);
    Dispatch(copy.data(), length);
}

void ProtocolSession::Dispatch(const uint8_t* bytes, uint32_t length) {
    const FrameHead head = ReadFrameHead(bytes, length);
    if (head.longWord) return;
    if (head.payload && !head.hasCount) return;

    TokenReader reader(bytes, length);
    ProtocolMessage header;
    header.ReadHeader(reader);

    std::wstring name = std::move(header.Name);
    const int32_t trId = header.TrId;
    const int32_t code = head.errorReply ? ResultCode(name) : 0;
    PendingRequests* pending = PendingRequests::Instance();
    if (code != 0) {
        const RequestMessage* request = pending != nullptr ? pending->Find(trId) : nullptr;
        if (request == nullptr) return;
        name = request->Name;
    }

    const MessageFactory* factory = MessageFactory::Instance();
    const HandlerRegistry* registry = HandlerRegistry::Instance();
    if (factory == nullptr || registry == nullptr) return;
    std::unique_ptr<ReceivedMessage> message = factory->CreateReceived(name, trId);
    if (message == nullptr) return;
    std::unique_ptr<MessageHandler> handler = registry->CreateHandler(name);
    if (handler == nullptr) return;

    if (code != 0) {
        message->Code = code;
    } else {
        message->ReadBody(reader);
    }
    handler->Handle(this, *message);

    // Looked up again: the handler may have emptied the table (a reset) or dispatched nested frames.
    // The service numbers its own PINGs, so one may carry the id of a request of ours whose reply
    // is still to come (the outstanding PONG): that request goes on waiting.
    pending = PendingRequests::Instance();
    if (trId != 0 && pending != nullptr && !message->AwaitsMoreParts) {
        const RequestMessage* request = pending->Find(trId);
        const bool pingUnderAnotherId = name == L"PING" && request != nullptr && request->Name != L"PING";
        if (!pingUnderAnotherId) pending->Remove(trId);
    }
}

void ProtocolSession::OnClosed() {
    ConnectionEnded();
}

void ProtocolSession::OnError(int code) {
    QeTrace(L"ProtocolSession::OnError, the connection failed in phase %d with error %d.\n", Phase, code);
    ConnectionEnded();
}

void ProtocolSession::ConnectionEnded() {
    // A session server that could not be reached, did not prove itself (the TLS handshake) or went
    // away before it opened ends the sign-in attempt, as on the login server: no session was ever
    // open to be lost.
    if (Phase == 1 && !m_connected) Phase = 0;
    ConnectionLost();
}

void ProtocolSession::OnProtocolError(const wchar_t* why) {
    QeTrace(L"ProtocolSession::FrameLength, %ls; the connection is dropped.\n", why);
    ConnectionLost();
}

void ProtocolSession::ConnectionLost() {
    if (Phase == 1) {
        Screens().Alert(kConnectionLostText);
        ResetToLogin();
        return;
    }
    EndSignInAttempt();
}

namespace {

const wchar_t* StepName(ProtocolSession::SignInStep step) {
    switch (step) {
        case ProtocolSession::SignInStep::Connect: return L"the connect to the login server";
        case ProtocolSession::SignInStep::Pver: return L"the PVER reply";
        case ProtocolSession::SignInStep::Auth: return L"the AUTH reply";
        case ProtocolSession::SignInStep::Reqs: return L"the REQS reply";
        case ProtocolSession::SignInStep::TlsConnect: return L"the connect to the session server";
        case ProtocolSession::SignInStep::Lin2: return L"the LIN2 reply";
        case ProtocolSession::SignInStep::List: return L"the whole buddy list";
        default: return L"nothing";
    }
}

}  // namespace

void ProtocolSession::BeginSignInStep(SignInStep step) {
    EndSignInStep();
    if (step == SignInStep::None) return;
    QeTimerManager* timers = QeTimerManager::Instance();
    if (timers == nullptr) {
        QeTrace(L"[QE+] ProtocolSession::BeginSignInStep, there is no timer manager; %ls is waited for without a "
                L"limit.\n",
                StepName(step));
        return;
    }
    const float seconds = step == SignInStep::List ? kListLimitSeconds : kStepLimitSeconds;
    // One call, at the limit; the timer is gone after it.
    m_stepTimer = timers->Add(seconds, seconds, &ProtocolSession::SignInStepExpired, this);
    if (m_stepTimer != 0) m_step = step;
}

void ProtocolSession::EndSignInStep() {
    m_step = SignInStep::None;
    if (m_stepTimer == 0) return;
    if (QeTimerManager* timers = QeTimerManager::Instance()) timers->Remove(m_stepTimer);
    m_stepTimer = 0;
}

void ProtocolSession::SignInStepExpired(void* user) {
    auto* session = static_cast<ProtocolSession*>(user);
    if (session == nullptr || session->m_step == SignInStep::None) return;
    const SignInStep step = session->m_step;
    session->EndSignInStep();
    QeTrace(L"ProtocolSession, the sign-in waited too long for %ls; the attempt ends.\n", StepName(step));
    if (step == SignInStep::List) {
        FailSignInAfterLogin();
    } else {
        session->EndSignInAttempt();
    }
}

void ProtocolSession::EndSignInAttempt(const wchar_t* why) {
    Close();
    Phase = 0;
    Screens().Alert(why);
    Screens().LoginShowPage(0);
}

int ProtocolSession::Send(RequestMessage& request) {
    // A request made while there is no connection must not wait in a queue and go out first on
    // the next one.
    if (!m_connected) return 0;
    request.Serialize();
    if (!WriteBytes(request.Buffer.Data(), request.Buffer.Size())) return 0;
    if (request.TrId != 0 && !request.NoTrId) {
        if (PendingRequests* pending = PendingRequests::Instance()) pending->Add(request);
    }
    return 1;
}

bool ProtocolSession::WriteBytes(const uint8_t* bytes, uint32_t count) {
    if (m_wire != nullptr) return m_wire->Write(bytes, count);
    return QeTcpPeer::Send(bytes, count);
}

void ProtocolSession::Close() {
    m_connected = false;
    // Nothing the road waited for can come over a closed connection.
    EndSignInStep();
    if (m_wire != nullptr) {
        m_wire->Close();
    } else {
        QeTcpPeer::Close();
    }
}

const wchar_t* ProtocolSession::FailureCodeText(int32_t code) {
    for (const FailureName& entry : kFailureNames) {
        if (entry.code == code) return entry.text;
    }
    return L"Unknown Error";
}

void ProtocolSession::FailureCodeName(const ReceivedMessage& message, std::wstring& out) {
    out = FailureCodeText(message.Code);
}

void ProtocolSession::ShowFailure(const ReceivedMessage& message) {
    std::wstring name;
    FailureCodeName(message, name);
    std::wstring text;
    QeStrings::Format(text, L"%ls", name.c_str());
    Screens().Alert(text);
}
