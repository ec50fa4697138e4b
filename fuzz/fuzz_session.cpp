// Bytes from the service, as they would reach the session: cut into reads, framed with FrameLength
// and dispatched with OnPacket, with every command the program registers. Nothing may crash, read
// out of range, or report a frame length outside the bytes there are.
//
// The first input byte chooses the phase and the read size; the rest is the stream.
#include "fuzz/FuzzSession.h"
#include "messenger/protocol/Envelopes.h"

namespace {

FuzzProtocol& Shared() {
    static FuzzProtocol protocol;
    return protocol;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    FuzzProtocol& p = Shared();
    const uint8_t control = data[0];
    p.session->Phase = control & 1;
    p.Reconnect();
    const wchar_t* const commands[] = {L"CRP2", L"CTOC", L"CSES", L"LOPT", L"ALRM", L"INCK", L"LOUT"};
    int32_t id = 1;
    for (const wchar_t* command : commands) p.pending->Add(AnyRequest(command, id++));
    p.Feed(data, size, 1 + (control >> 1) % 64);
    return 0;
}
