#include "tests/support/SessionHarness.h"

#include <gtest/gtest.h>

#include "messenger/protocol/Envelopes.h"

namespace {
SessionHarness* g_current = nullptr;
}  // namespace

SessionHarness::SessionHarness(CommandGroup groups, Transport transport) {
    if (g_current != nullptr) ADD_FAILURE() << "two session harnesses at once";
    g_current = this;
    m_ids = std::make_unique<TrIdGenerator>();
    m_factory = std::make_unique<MessageFactory>(groups);
    m_registry = std::make_unique<HandlerRegistry>(groups);
    m_pending = std::make_unique<PendingRequests>();
    m_session = std::make_unique<ProtocolSession>();
    if (transport == Transport::Capture) {
        m_session->SetWire(this);
        // A captured connection opens silently: the commands under test send what they send.
        m_session->SetConnectAction(0, nullptr);
        m_session->SetConnectAction(1, nullptr);
    }
}

void SessionHarness::UseFirstRequests() {
    for (int phase = 0; phase < 2; ++phase) m_session->SetConnectAction(phase, DefaultConnectAction(phase));
}

SessionHarness::~SessionHarness() {
    m_session->SetWire(nullptr);
    m_session.reset();
    m_pending.reset();
    m_registry.reset();
    m_factory.reset();
    m_ids.reset();
    EnvelopeSessionId().clear();
    if (g_current == this) g_current = nullptr;
}

SessionHarness* SessionHarness::Current() { return g_current; }

void SessionHarness::Connect(int phase) {
    m_open = true;
    m_session->Phase = phase;
    m_session->OnConnected();
}

bool SessionHarness::ConnectTo(uint16_t port, int phase, int tlsMode) {
    m_session->Phase = phase;
    return m_session->Connect(QeSocketAddress(L"127.0.0.1", port), tlsMode);
}

void SessionHarness::Receive(std::string_view bytes) {
    m_queue.append(bytes);
    // The peer's framing loop: measure from the front of the whole queue, deliver, drop, again.
    while (!m_queue.empty()) {
        uint32_t length = 0;
        const uint64_t generation = m_closeGeneration;
        m_session->FrameLength(reinterpret_cast<const uint8_t*>(m_queue.data()), static_cast<uint32_t>(m_queue.size()),
                               length);
        if (generation != m_closeGeneration || length == 0) return;
        if (length > m_queue.size()) {
            ADD_FAILURE() << "FrameLength reported " << length << " bytes of " << m_queue.size();
            return;
        }
        m_delivered.emplace_back(m_queue, 0, length);
        m_session->OnPacket(reinterpret_cast<const uint8_t*>(m_queue.data()), length);
        if (generation != m_closeGeneration) return;
        m_queue.erase(0, length);
    }
}

void SessionHarness::ReceiveBytewise(std::string_view bytes) {
    for (char b : bytes) Receive(std::string_view(&b, 1));
}

void SessionHarness::Inject(std::string_view frame) {
    m_session->OnPacket(reinterpret_cast<const uint8_t*>(frame.data()), static_cast<uint32_t>(frame.size()));
}

std::string SessionHarness::SentText() const {
    std::string all;
    for (const std::string& frame : m_sent) all += frame;
    return all;
}

bool SessionHarness::Write(const uint8_t* bytes, uint32_t count) {
    if (!m_open || FailWrites) return false;
    m_sent.emplace_back(reinterpret_cast<const char*>(bytes), count);
    return true;
}

void SessionHarness::Close() {
    ++m_closes;
    ++m_closeGeneration;
    m_open = false;
    m_queue.clear();
}

void SessionHarness::RecordHandled(const ReceivedMessage& message) {
    HandledMessage entry;
    entry.Name = message.Name;
    entry.TrId = message.TrId;
    entry.Code = message.Code;
    entry.EnvelopeId = EnvelopeSessionId();
    entry.Depth = m_session->NestingDepth() - 1;
    if (const auto* raw = dynamic_cast<const RawReceivedBase*>(&message)) entry.Body = raw->Body;
    m_handled.push_back(std::move(entry));
}

bool RecordingHandler::Handle(ProtocolSession* session, ReceivedMessage& message) {
    if (SessionHarness* harness = SessionHarness::Current()) harness->RecordHandled(message);
    return CheckCode(session, message);
}

void PrintTo(const HandledMessage& message, std::ostream* out) {
    *out << "{" << testing::PrintToString(message.Name) << ", id " << message.TrId << ", code " << message.Code
         << ", envelope " << testing::PrintToString(message.EnvelopeId) << ", depth " << message.Depth << ", body "
         << testing::PrintToString(message.Body) << "}";
}
