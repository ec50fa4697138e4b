// Bytes from the service, as they would reach the session: cut into reads, framed with FrameLength
// and dispatched with OnPacket, with every command the program registers. Nothing may crash, read
// out of range, or report a frame length outside the bytes there are.
//
// The first input byte chooses the phase and the read size; the rest is the stream.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "messenger/protocol/Envelopes.h"
#include "messenger/protocol/HandlerRegistry.h"
#include "messenger/protocol/MessageFactory.h"
#include "messenger/protocol/PendingRequests.h"
#include "messenger/protocol/ProtocolSession.h"
#include "messenger/protocol/SharedMessages.h"
#include "messenger/protocol/TrIdGenerator.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// The connection: writes are taken and forgotten; a close drops what is still queued, as the
// peer's Close does.
class DiscardWire final : public SessionWire {
public:
    bool Write(const uint8_t*, uint32_t) override { return open; }
    void Close() override {
        open = false;
        queue.clear();
        ++closes;
    }
    bool open = true;
    std::string queue;
    unsigned closes = 0;
};

// A request under any command, so error replies find something pending.
class AnyRequest final : public BodilessRequest<AnyRequest> {
public:
    AnyRequest(const wchar_t* name, int32_t trId) : BodilessRequest(name, trId) {}
};

struct Protocol {
    Protocol() { session->SetWire(&wire); }
    ~Protocol() { session->SetWire(nullptr); }
    DiscardWire wire;
    std::unique_ptr<TrIdGenerator> ids = std::make_unique<TrIdGenerator>();
    std::unique_ptr<MessageFactory> factory = std::make_unique<MessageFactory>();
    std::unique_ptr<HandlerRegistry> registry = std::make_unique<HandlerRegistry>();
    std::unique_ptr<PendingRequests> pending = std::make_unique<PendingRequests>();
    std::unique_ptr<ProtocolSession> session = std::make_unique<ProtocolSession>();
};

Protocol& Shared() {
    static Protocol protocol;
    return protocol;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    Protocol& p = Shared();
    ProtocolSession& session = *p.session;

    const uint8_t control = data[0];
    session.Phase = control & 1;
    const size_t readSize = 1 + (control >> 1) % 64;
    p.wire.open = true;
    p.wire.queue.clear();
    session.OnConnected();

    p.pending->Clear();
    const wchar_t* const commands[] = {L"CRP2", L"CTOC", L"CSES", L"LOPT", L"ALRM", L"INCK", L"LOUT"};
    int32_t id = 1;
    for (const wchar_t* command : commands) p.pending->Add(AnyRequest(command, id++));

    for (size_t at = 1; at < size && p.wire.open; at += readSize) {
        const size_t n = size - at < readSize ? size - at : readSize;
        p.wire.queue.append(reinterpret_cast<const char*>(data + at), n);
        while (!p.wire.queue.empty()) {
            uint32_t length = 0;
            const unsigned closes = p.wire.closes;
            session.FrameLength(reinterpret_cast<const uint8_t*>(p.wire.queue.data()),
                                static_cast<uint32_t>(p.wire.queue.size()), length);
            if (closes != p.wire.closes || length == 0) break;
            Check(length <= p.wire.queue.size());
            // Dispatched from a copy that is gone afterwards, so a handler reading the caller's bytes
            // after a close would show.
            const std::string frame = p.wire.queue.substr(0, length);
            session.OnPacket(reinterpret_cast<const uint8_t*>(frame.data()), length);
            if (closes != p.wire.closes) break;
            p.wire.queue.erase(0, length);
        }
    }
    Check(session.NestingDepth() == 0);
    return 0;
}
