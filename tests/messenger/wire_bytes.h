// The bytes the protocol tests compare: what a writer holds, what a request serialises to, and a
// frame carried back in a CRP2 from the dispatch side.
#pragma once

#include <string>

#include "framework/base/QeStream.h"

inline std::string Bytes(const QeMemoryWriter& writer) {
    return writer.Size() > 0 ? std::string(reinterpret_cast<const char*>(writer.Data()), writer.Size()) : std::string();
}

template <class Request>
std::string Serialized(Request& request) {
    request.Serialize();
    return Bytes(request.Buffer);
}

inline std::string Carried(int envelopeId, const std::string& inner) {
    return "CRP2 " + std::to_string(envelopeId) + " DP %00 " + std::to_string(inner.size()) + "\r\n" + inner;
}
