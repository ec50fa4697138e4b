// The message family: one request class per command the client sends, one received class per
// command it accepts. Concrete classes are named after the command with only its first letter in
// upper case ("NTFY" gives NtfyReceived).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/base/QeStream.h"
#include "messenger/protocol/TokenCodec.h"

class ProtocolMessage {
public:
    // Empty name, id 0: the frame header is read into it.
    ProtocolMessage() = default;
    // Draws the next transaction id from TrIdGenerator (0 while there is none).
    explicit ProtocolMessage(std::wstring name);
    ProtocolMessage(std::wstring name, int32_t trId);
    virtual ~ProtocolMessage() = default;

    // The command, then the id unless NoTrId is set.
    bool WriteHeader(QeMemoryWriter& writer) const;
    bool ReadHeader(TokenReader& reader);

    std::wstring Name;
    int32_t TrId = 0;
    // Set: written without the id and not remembered as pending (a request carried in an envelope).
    bool NoTrId = false;

protected:
    ProtocolMessage(const ProtocolMessage&) = default;
    ProtocolMessage& operator=(const ProtocolMessage&) = delete;
};

class RequestMessage : public ProtocolMessage {
public:
    explicit RequestMessage(std::wstring name) : ProtocolMessage(std::move(name)) {}
    RequestMessage(std::wstring name, int32_t trId) : ProtocolMessage(std::move(name), trId) {}
    ~RequestMessage() override = default;

    // A full copy of the concrete request, bytes of Buffer included; null for received messages.
    virtual std::unique_ptr<RequestMessage> Clone() const = 0;
    // The command's body after the header, CR LF and payload included.
    virtual bool WriteBody(QeMemoryWriter& writer) = 0;
    // Parses the body after the header; requests never read one.
    virtual bool ReadBody(TokenReader& reader) = 0;

    // Header and body into Buffer, which is not emptied first: a request is serialised once.
    bool Serialize();

    QeMemoryWriter Buffer;

protected:
    // Copies the base fields and the bytes already serialised.
    RequestMessage(const RequestMessage& other);
};

// Base of every concrete request: the copy that Clone makes, and no body to read.
template <class Derived>
class ConcreteRequest : public RequestMessage {
public:
    using RequestMessage::RequestMessage;
    std::unique_ptr<RequestMessage> Clone() const override {
        return std::make_unique<Derived>(static_cast<const Derived&>(*this));
    }
    bool ReadBody(TokenReader&) override { return false; }
};

class ReceivedMessage : public RequestMessage {
public:
    // The name and the transaction id of the frame's header.
    ReceivedMessage(std::wstring name, int32_t trId) : RequestMessage(std::move(name), trId) {}

    // A received message is never sent again.
    std::unique_ptr<RequestMessage> Clone() const final { return nullptr; }
    bool WriteBody(QeMemoryWriter&) final { return false; }

    // 100 success; any other value is the failure code of an error reply.
    int32_t Code = 100;
    // Set by the handler of one part of a reply that comes in several: the request goes on waiting
    // for the rest, so the dispatcher leaves its pending entry in place.
    bool AwaitsMoreParts = false;
};
