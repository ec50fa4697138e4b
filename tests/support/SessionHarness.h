// The protocol session in a test, without a socket: the harness makes the protocol singletons, puts
// itself in as the session's wire, and then
//   - Receive(bytes) hands bytes to the session as one read event of the TCP peer would: they join
//     the receive queue, which is cut into frames with FrameLength and dispatched with OnPacket;
//   - Inject(frame) dispatches one frame directly;
//   - every frame the session sends is captured (Sent), and so is every close of the connection.
//
//     SessionHarness harness;               // every command of the program registered
//     harness.Connect(1);                   // as if the connect to the session server completed
//     harness.Receive("CRP2 7 DP %00 8\r\nLOPT 8\r\n");
//     EXPECT_EQ(harness.SentText(), "...");
//
// With Transport::Socket the session keeps its own TCP peer instead: ConnectTo connects it to a
// port on 127.0.0.1 (a testnet::Listener, or the local service), and the test runs the loop
// (PumpUntil) while the other end sends and reads real bytes. Sent() stays empty then.
//
// Tests that need commands the program does not register yet, or want to see what was dispatched,
// pass a command group of their own (which may call RegisterAllCommands first) and use
// RecordingHandler, which logs every message it handles in the harness's Handled list.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "messenger/protocol/CommandRegistrar.h"
#include "messenger/protocol/HandlerRegistry.h"
#include "messenger/protocol/MessageFactory.h"
#include "messenger/protocol/MessageHandler.h"
#include "messenger/protocol/PendingRequests.h"
#include "messenger/protocol/ProtocolMessage.h"
#include "messenger/protocol/ProtocolSession.h"
#include "messenger/protocol/TrIdGenerator.h"

// One message as a RecordingHandler saw it.
struct HandledMessage {
    std::wstring Name;
    int32_t TrId = 0;
    int32_t Code = 0;
    std::wstring EnvelopeId;  // the envelope session id while it was handled
    int Depth = 0;            // 0 for a frame of its own, 1 for one carried in an envelope, ...
    std::string Body;         // for a RawReceived: the bytes after the header
    bool operator==(const HandledMessage&) const = default;
};
// Readable in test failures.
void PrintTo(const HandledMessage& message, std::ostream* out);

class SessionHarness : public SessionWire {
public:
    enum class Transport { Capture, Socket };

    // Makes TrIdGenerator, MessageFactory and HandlerRegistry (both filled by the groups),
    // PendingRequests and ProtocolSession, in the program's order; the destructor deletes them in
    // reverse. Only one harness may live at a time.
    explicit SessionHarness(CommandGroup groups = &RegisterAllCommands, Transport transport = Transport::Capture);
    ~SessionHarness() override;
    SessionHarness(const SessionHarness&) = delete;
    SessionHarness& operator=(const SessionHarness&) = delete;

    static SessionHarness* Current();

    ProtocolSession& Session() { return *m_session; }
    PendingRequests& Pending() { return *m_pending; }
    TrIdGenerator& Ids() { return *m_ids; }

    // ---- the connection
    // As the peer's connect completing: the wire opens, Phase is set, OnConnected runs (and sends
    // the phase's first request, if there is one). With the capture transport a connection opens
    // without a first request unless UseFirstRequests put the program's back (PVER, LIN2).
    void Connect(int phase = 0);
    void UseFirstRequests();
    // Socket transport: sets Phase and starts connecting the session's peer to 127.0.0.1:port;
    // OnConnected runs from the loop once the connect completes.
    bool ConnectTo(uint16_t port, int phase, int tlsMode = 0);
    // The wire is open: Connect ran and nothing closed the connection since.
    bool IsOpen() const { return m_open; }
    // How often the session closed the connection.
    int Closes() const { return m_closes; }
    // While set, the wire refuses writes (Send then fails).
    bool FailWrites = false;

    // ---- receiving
    // One read event: the bytes join the receive queue, then complete frames are dispatched in
    // order until only an incomplete one (or nothing) is left. A close during dispatch empties the
    // queue, as closing the peer does.
    void Receive(std::string_view bytes);
    // Receive one byte at a time.
    void ReceiveBytewise(std::string_view bytes);
    // Dispatches the frame directly (OnPacket), without framing.
    void Inject(std::string_view frame);
    // The bytes waiting for the rest of their frame.
    const std::string& Queued() const { return m_queue; }
    // Every frame that Receive cut and dispatched, in order.
    const std::vector<std::string>& Delivered() const { return m_delivered; }

    // ---- sending
    // Every write of the session (one per request sent), in order.
    const std::vector<std::string>& Sent() const { return m_sent; }
    // All written bytes in one text.
    std::string SentText() const;
    void ClearSent() { m_sent.clear(); }

    // ---- dispatch log of RecordingHandler
    const std::vector<HandledMessage>& Handled() const { return m_handled; }
    void ClearHandled() { m_handled.clear(); }
    void RecordHandled(const ReceivedMessage& message);

    // SessionWire
    bool Write(const uint8_t* bytes, uint32_t count) override;
    void Close() override;

private:
    std::unique_ptr<TrIdGenerator> m_ids;
    std::unique_ptr<MessageFactory> m_factory;
    std::unique_ptr<HandlerRegistry> m_registry;
    std::unique_ptr<PendingRequests> m_pending;
    std::unique_ptr<ProtocolSession> m_session;

    bool m_open = false;
    int m_closes = 0;
    uint64_t m_closeGeneration = 0;
    std::string m_queue;
    std::vector<std::string> m_delivered;
    std::vector<std::string> m_sent;
    std::vector<HandledMessage> m_handled;
};

// A received class for any command: it keeps the bytes after its header as they are, so a test can
// register commands whose classes do not exist yet and see exactly what reached them.
//     registrar.Command<RawReceived<L"PVER">, RecordingHandler>(L"PVER");
template <size_t N>
struct CommandName {
    constexpr CommandName(const wchar_t (&name)[N]) {
        for (size_t i = 0; i < N; ++i) text[i] = name[i];
    }
    wchar_t text[N];
};

class RawReceivedBase : public ReceivedMessage {
public:
    using ReceivedMessage::ReceivedMessage;
    bool ReadBody(TokenReader& reader) override {
        Body.assign(reinterpret_cast<const char*>(reader.Current()), reader.Remaining());
        return true;
    }
    std::string Body;
};

template <CommandName Command>
class RawReceived final : public RawReceivedBase {
public:
    explicit RawReceived(int32_t trId) : RawReceivedBase(Command.text, trId) {}
};

// Logs the message in the current harness (CheckCode first, as every handler does: a failure code
// is shown through the session and the handler returns false).
class RecordingHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override;
};
