// Bytes from the service, as they would reach a signed-in client: cut into reads, framed with
// FrameLength and dispatched with OnPacket to every command the program registers, with the model
// filled and a request of each kind waiting (FuzzSession.h). Nothing may crash, read out of range,
// report a frame length outside the bytes there are, or leave the model inconsistent.
//
// The first input byte is the control (FuzzControl); the rest is the stream.
#include "fuzz/FuzzSession.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RunSignedIn(data, size);
    return 0;
}
