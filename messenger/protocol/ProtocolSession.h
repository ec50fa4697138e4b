// The client's one connection to the messenger service: it cuts the received byte stream into
// frames, turns each frame into a received message and runs that command's handler, writes requests
// and remembers them until their replies arrive, starts the sign-in conversation when a connection
// opens, and tells the user when the service drops the signed-in connection.
//
// Everything here runs on the user-interface thread; nothing is locked.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/base/QeSingleton.h"
#include "framework/net/QeTcpPeer.h"

class RequestMessage;
class ReceivedMessage;

// Where the session's bytes go and what closing means, in place of the session's own TCP peer: a
// test installs one (SetWire) to capture every frame the session sends and to see the session
// close its connection, without any socket.
class SessionWire {
public:
    virtual ~SessionWire() = default;
    // Hands all the bytes on; false when they could not be taken.
    virtual bool Write(const uint8_t* bytes, uint32_t count) = 0;
    // Drops the connection and every byte still queued in either direction.
    virtual void Close() = 0;
};

inline constexpr wchar_t kNoNetworkText[] = L"네트워크를 사용할 수 없습니다.";

class ProtocolSession : public QeTcpPeer, public QeSingleton<ProtocolSession> {
public:
    // No frame may be larger than this; a longer one is a protocol error.
    static constexpr uint32_t kMaxFrame = 4u * 1024u * 1024u;
    // Envelopes carried inside envelopes deeper than this are dropped: the nesting is bounded by
    // the frame, not by the stack.
    static constexpr int kMaxNesting = 8;
    // A first word longer than this is no command and no result code.
    static constexpr size_t kMaxWord = 31;

    // The first request of a connection: PVER on the login server (phase 0), LIN2 on the server
    // that the REQS reply named (phase 1). The sign-in steps provide them (DefaultConnectAction).
    using ConnectAction = void (*)(ProtocolSession& session);

    ProtocolSession();
    ~ProtocolSession() override;
    ProtocolSession(const ProtocolSession&) = delete;
    ProtocolSession& operator=(const ProtocolSession&) = delete;

    // 0: on the login server (version check and authentication); 1: on the server that the REQS
    // reply named, for the login proper. The REQS handler sets 1; a failed LIN2 and ResetToLogin 0.
    int32_t Phase = 0;

    // Starts connecting (mode 0 plain; 3 TLS 1.2 or newer, the server's certificate checked against
    // the host connected to); the connection counts as open only once OnConnected has run. False
    // when the connect could not be started. The connect is a step of the sign-in road (Connect in
    // phase 0, TlsConnect in phase 1) with its time limit.
    bool Connect(const QeSocketAddress& address, int mode);

    // ---- events of the connection (the peer's OnConnect, FrameLength, OnMessage, OnClose, OnError)
    // The connect completed (for TLS, after the handshake): sends the phase's first request.
    void OnConnected();
    // Sets length to the byte count of the first complete frame in bytes[0, available); leaves it
    // untouched while the frame is incomplete. A frame over kMaxFrame is a protocol error.
    void FrameLength(const BYTE* bytes, DWORD available, DWORD& length) override;
    // Dispatches one frame. The bytes are copied first, so a handler may close or reconnect the
    // connection (which frees the receive queue) and may dispatch a frame carried in its message.
    void OnPacket(const uint8_t* bytes, uint32_t length);
    // The service closed the connection, or the connection failed (refused, reset, unreachable,
    // write error; code is the socket error). Either ends what the connection carried: once the
    // session server's connection had opened, the session (the lost-connection text, ResetToLogin);
    // before that, the sign-in attempt (EndSignInAttempt), so the user never waits on the
    // connecting panel for a reply that cannot come.
    void OnClosed();
    void OnError(int code) override;

    // Serialises the request and writes all its bytes; a request with a transaction id and without
    // NoTrId is then remembered as pending. 0 when not connected (nothing is serialised or queued)
    // or when the bytes could not be written (nothing is remembered); else 1.
    int Send(RequestMessage& request);
    // Closes the connection: nothing more is sent or received until the next connect. Phase stays.
    void Close();
    bool IsConnected() const { return m_connected; }
    // How many frames are being dispatched right now: 1 inside a handler of a frame of its own,
    // 2 inside a handler of a frame carried in an envelope, ...
    int NestingDepth() const { return m_depth; }

    // Ends a sign-in attempt that has no session yet: closes the connection, sets phase 0, shows why
    // (kNoNetworkText, or the failure text of a refused step) and brings the login form back.
    void EndSignInAttempt(const wchar_t* why = kNoNetworkText);

    // ---- the time limits of the sign-in road
    // What the road waits for: the connect to the login server, the PVER, AUTH and REQS replies,
    // the connect to the session server (TLS), the LIN2 reply, the whole buddy list.
    enum class SignInStep { None, Connect, Pver, Auth, Reqs, TlsConnect, Lin2, List };
    static constexpr float kStepLimitSeconds = 30.0f;
    // The list may come in many parts.
    static constexpr float kListLimitSeconds = 60.0f;
    // The road now waits for this step: its time limit starts, replacing the previous step's. When
    // it passes first, the attempt ends as a failed one: EndSignInAttempt, or for the list, which
    // comes after the login was accepted, FailSignInAfterLogin. Without a timer manager no limit
    // runs (traced).
    void BeginSignInStep(SignInStep step);
    // The step is over (its answer came, or the user holds the road, as the upgrade dialogue does).
    // Closing the connection ends it too.
    void EndSignInStep();
    SignInStep WaitingFor() const { return m_step; }

    // The text for the message's Code ("Unknown Error" for a code outside the table).
    static void FailureCodeName(const ReceivedMessage& message, std::wstring& out);
    static const wchar_t* FailureCodeText(int32_t code);
    // Shows that text in a message box.
    static void ShowFailure(const ReceivedMessage& message);

    // The first request of each phase (0 or 1); null sends nothing.
    void SetConnectAction(int phase, ConnectAction action);
    // Null puts the TCP peer back.
    void SetWire(SessionWire* wire) { m_wire = wire; }

protected:
    void OnConnect() override { OnConnected(); }
    void OnSent(const BYTE*, DWORD) override {}
    void OnMessage(const BYTE* bytes, DWORD length) override { OnPacket(bytes, length); }
    void OnClose() override { OnClosed(); }

private:
    struct FrameCopy;
    void Dispatch(const uint8_t* bytes, uint32_t length);
    void OnProtocolError(const wchar_t* why);
    void ConnectionEnded();
    // The end of the connection as the user sees it: in phase 1 the signed-in (or signing-in)
    // session is over; in phase 0 the sign-in attempt has failed.
    void ConnectionLost();
    bool WriteBytes(const uint8_t* bytes, uint32_t count);
    static void SignInStepExpired(void* user);

    SignInStep m_step = SignInStep::None;
    UINT m_stepTimer = 0;

    bool m_connected = false;
    SessionWire* m_wire = nullptr;
    ConnectAction m_connectActions[2] = {nullptr, nullptr};
    // One private copy of the frame per nesting level, kept between frames so dispatch allocates
    // nothing for the copy once warm.
    std::vector<std::unique_ptr<std::vector<uint8_t>>> m_frames;
    int m_depth = 0;
};

// What the session sends first in each phase; the sign-in steps fill it (PVER for 0, LIN2 for 1).
ProtocolSession::ConnectAction DefaultConnectAction(int phase);
