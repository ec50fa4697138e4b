// What the fuzzers that drive the protocol session share: a connection that takes writes and
// forgets them, requests to leave pending, the protocol's singletons, and the feeding of a byte
// stream in reads of one size, framed with FrameLength and dispatched with OnPacket.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "messenger/protocol/HandlerRegistry.h"
#include "messenger/protocol/MessageFactory.h"
#include "messenger/protocol/PendingRequests.h"
#include "messenger/protocol/ProtocolSession.h"
#include "messenger/protocol/SharedMessages.h"
#include "messenger/protocol/TrIdGenerator.h"

inline void Check(bool condition) {
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

struct FuzzProtocol {
    FuzzProtocol() { session->SetWire(&wire); }
    ~FuzzProtocol() { session->SetWire(nullptr); }
    FuzzProtocol(const FuzzProtocol&) = delete;
    FuzzProtocol& operator=(const FuzzProtocol&) = delete;

    // Opens the connection afresh for the next input, with nothing queued and nothing pending.
    void Reconnect() {
        wire.open = true;
        wire.queue.clear();
        session->OnConnected();
        pending->Clear();
    }

    // Feeds data[1, size) in reads of readSize bytes, dispatching every whole frame, until the
    // bytes run out or the session closes the connection.
    void Feed(const uint8_t* data, size_t size, size_t readSize) {
        for (size_t at = 1; at < size && wire.open; at += readSize) {
            const size_t n = size - at < readSize ? size - at : readSize;
            wire.queue.append(reinterpret_cast<const char*>(data + at), n);
            while (!wire.queue.empty()) {
                uint32_t length = 0;
                const unsigned closes = wire.closes;
                session->FrameLength(reinterpret_cast<const uint8_t*>(wire.queue.data()),
                                     static_cast<uint32_t>(wire.queue.size()), length);
                if (closes != wire.closes || length == 0) break;
                Check(length <= wire.queue.size());
                // Dispatched from a copy that is gone afterwards, so a handler reading the caller's
                // bytes after a close would show.
                const std::string frame = wire.queue.substr(0, length);
                session->OnPacket(reinterpret_cast<const uint8_t*>(frame.data()), length);
                if (closes != wire.closes) break;
                wire.queue.erase(0, length);
            }
        }
        Check(session->NestingDepth() == 0);
    }

    DiscardWire wire;
    std::unique_ptr<TrIdGenerator> ids = std::make_unique<TrIdGenerator>();
    std::unique_ptr<MessageFactory> factory = std::make_unique<MessageFactory>();
    std::unique_ptr<HandlerRegistry> registry = std::make_unique<HandlerRegistry>();
    std::unique_ptr<PendingRequests> pending = std::make_unique<PendingRequests>();
    std::unique_ptr<ProtocolSession> session = std::make_unique<ProtocolSession>();
};
