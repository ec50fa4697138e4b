// Chat traffic from the service to a signed-in client with open chats (FuzzSession.h): envelopes
// carrying RESS, INVT, ENTR, JOIN, USER, QUIT and MESG answers and pushes, CSES replies, and failure
// replies to the chat requests. The program is the session fuzzer's; its seeds and dictionary keep it
// on the chat commands. Nothing may crash or read out of range, a chat never holds a member twice,
// every chat window belongs to a chat, and no frame is left half dispatched.
//
// The first input byte is the control (FuzzControl); the rest is the stream.
#include "fuzz/FuzzSession.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RunSignedIn(data, size);
    return 0;
}
