#include "messenger/protocol/ProtocolMessage.h"

#include "messenger/protocol/TrIdGenerator.h"

namespace {

int32_t DrawId() {
    TrIdGenerator* generator = TrIdGenerator::Instance();
    return generator != nullptr ? generator->NextId() : 0;
}

}  // namespace

ProtocolMessage::ProtocolMessage(std::wstring name) : Name(std::move(name)), TrId(DrawId()) {}

ProtocolMessage::ProtocolMessage(std::wstring name, int32_t trId) : Name(std::move(name)), TrId(trId) {}

bool ProtocolMessage::WriteHeader(QeMemoryWriter& writer) const {
    WriteToken(writer, Name);
    if (!NoTrId) WriteSignedNumber(writer, TrId);
    return true;
}

bool ProtocolMessage::ReadHeader(TokenReader& reader) {
    reader.ReadToken(Name);
    reader.ReadInt(TrId);
    return true;
}

RequestMessage::RequestMessage(const RequestMessage& other) : ProtocolMessage(other) {
    if (other.Buffer.Size() > 0) Buffer.Write(other.Buffer.Data(), other.Buffer.Size());
}

bool RequestMessage::Serialize() {
    WriteHeader(Buffer);
    return WriteBody(Buffer);
}
