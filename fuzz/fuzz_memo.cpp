// The memo readers and handlers on arbitrary bytes. The first input byte chooses (modulo 6):
//   0  a memo-box reply cut into parts as the input chooses, read only
//   1  an IMSG header and body, read only
//   2  an incoming CMSG and the memo it carries, read only
//   3  a memo written by the client reads back with the same body and header values
//   4  memo-box replies to a signed-in client (FuzzSession.h) that waits for one of each kind: the
//      next byte chooses the reply (below), the rest, cut at its 0xFF bytes, is the payload of one
//      part each, framed and dispatched through the session
//   5  the rest is a stream from the service to that client, as in the session fuzzer
// Besides not crashing, the parts buffer stays within its cap and reading always ends.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzSession.h"
#include "messenger/protocol/MemoCommands.h"
#include "messenger/protocol/ProtocolMessage.h"
#include "messenger/protocol/TokenCodec.h"
#include "messenger/protocol/WgetCommands.h"

namespace {

const char* const kKinds[] = {"MEMOLST2", "MEMOCNT2", "MEMOGET2", "MEMOREL1", "MEMODEL1", "MEMOSPM1", "XX"};

// Reads a frame's header, then its body into the message; returns the message's reader position.
template <class Message>
void ReadFrame(Message& message, const std::string& frame) {
    TokenReader reader(frame.data(), static_cast<uint32_t>(frame.size()));
    ProtocolMessage header;
    header.ReadHeader(reader);
    message.ReadBody(reader);
    Check(reader.Tell() <= frame.size());
}

// The payload cut into parts at the 0xFF bytes, each part sent as its own reply frame; the lengths
// sometimes say more than the part holds.
void WgetParts(const uint8_t* data, size_t size) {
    if (size < 2) return;
    const char* kind = kKinds[data[0] % 7];
    const bool lie = (data[1] & 1) != 0;
    const std::vector<std::string> chunks = CutAtFF(data + 2, size - 2);
    const size_t total = chunks.size();
    for (size_t part = 1; part <= total; ++part) {
        const std::string& chunk = chunks[part - 1];
        const size_t claimed = lie ? chunk.size() * 3 + 7 : chunk.size();
        const std::string frame = "WGET 1 " + std::string(kind) + " " + std::to_string(total) + " " +
                                  std::to_string(part) + " 100 " + std::to_string(claimed) + "\r\n" + chunk;
        WgetReceived reply(1);
        ReadFrame(reply, frame);
        Check(MemoParts().Bytes.size() <= kMaxMemoParts);
        Check(reply.Complete == (part == total));
        Check(reply.Parsed == (part == total && !MemoParts().Bytes.empty()));
        if (reply.Fetched) {
            ImsgReceived memo(0);
            TokenReader carried(reply.Reader.Data(), reply.Reader.Size());
            ProtocolMessage header;
            header.ReadHeader(carried);
            Check(header.TrId == 0);
            memo.ReadBody(carried);
            Check(carried.AtEnd());
        }
    }
}

void Imsg(const uint8_t* data, size_t size) {
    const std::string frame = "IMSG 0\r\n" + std::string(reinterpret_cast<const char*>(data), size);
    ImsgReceived memo(0);
    ReadFrame(memo, frame);
    for (const std::wstring& ref : memo.Refs) Check(!ref.empty());
}

void Cmsg(const uint8_t* data, size_t size) {
    const std::string frame = "CMSG 0 " + std::string(reinterpret_cast<const char*>(data), size);
    CmsgReceived message(0);
    ReadFrame(message, frame);
    Check(!message.IsReply);
    if (message.Carries) {
        // The name is written again as a token: a byte that is no UTF-8 grows to three.
        Check(message.Reader.Size() <= 3 * frame.size() + 16);
        TokenReader carried(message.Reader.Data(), message.Reader.Size());
        ProtocolMessage header;
        header.ReadHeader(carried);
        ImsgReceived memo(0);
        memo.ReadBody(carried);
    }
}

// The reply the client waits for under each kind, as kKinds orders them; MEMOREL1, which the client
// never asks for, and the unknown kind come as pushes (id 0).
const int32_t kWaitingIds[] = {7, 9, 11, 0, 13, 15, 0};

// The second byte: bits 0-2 the kind (its waiting request, kWaitingIds), bit 3 the lengths say more
// than the parts hold, bit 4 each part comes back inside the CRP2 that carried the request, bit 5
// the memo service answers with code 202, bit 6 the memo read page is the current page, bit 7 the
// part numbers count down from the total.
void WgetReplies(const uint8_t* data, size_t size) {
    if (size < 1) return;
    const uint8_t flags = data[0];
    const size_t kind = flags % 8 < 7 ? flags % 8 : 2;
    const std::string id = std::to_string(kWaitingIds[kind]);
    const std::string envelopeId = kWaitingIds[kind] != 0 ? std::to_string(kWaitingIds[kind] + 1) : "0";
    const std::string code = (flags & 32) != 0 ? "202" : "100";
    const std::vector<std::string> chunks = CutAtFF(data + 1, size - 1);
    const size_t total = chunks.size();
    std::string stream;
    for (size_t i = 1; i <= total; ++i) {
        const std::string& chunk = chunks[i - 1];
        const size_t part = (flags & 128) != 0 ? total + 1 - i : i;
        const size_t claimed = (flags & 8) != 0 ? chunk.size() * 2 + 3 : chunk.size();
        std::string frame = "WGET " + id + " " + kKinds[kind] + " " + std::to_string(total) + " " +
                            std::to_string(part) + " " + code + " " + std::to_string(claimed) + "\r\n" + chunk;
        if ((flags & 16) != 0) {
            frame = "CRP2 " + envelopeId + " DP %00 " + std::to_string(frame.size()) + "\r\n" + frame;
        }
        stream += frame;
    }
    // The session server's connection, boxes answered Yes.
    SignedInClient client{FuzzControl((flags & 64) != 0 ? 0x07 : 0x05)};
    client.Play(stream);
}

// A memo written with texts taken from the input reads back the same.
void RoundTrip(const uint8_t* data, size_t size) {
    std::wstring text;
    AppendUtf8AsWide(text, data, size);
    std::wstring clean;
    for (wchar_t c : text) {
        if (c != L'\0') clean += c;
    }
    const size_t half = clean.size() / 2;
    ImsgRequest request(0);
    request.From = clean.substr(0, half);
    request.Title = clean.substr(half);
    request.Cookie = clean;
    request.Event = 2;
    request.Body = clean;
    request.NoTrId = true;
    request.Serialize();
    const std::string bytes(reinterpret_cast<const char*>(request.Buffer.Data()), request.Buffer.Size());

    // Written without an id, it is carried as "IMSG\r\n..."; the carriers rebuild it with id 0.
    Check(bytes.compare(0, 6, "IMSG\r\n") == 0);
    ImsgReceived memo(0);
    ReadFrame(memo, "IMSG 0\r\n" + bytes.substr(6));
    Check(memo.Body == clean);
    Check(memo.From == request.From);
    Check(memo.Title == request.Title);
    Check(memo.Cookie == request.Cookie);
    Check(memo.Event == 2);
    Check(static_cast<size_t>(memo.Length) == bytes.size() - bytes.find("\r\n\r\n") - 4);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t mode = data[0];
    ++data;
    --size;
    switch (mode % 6) {
        case 0: WgetParts(data, size); break;
        case 1: Imsg(data, size); break;
        case 2: Cmsg(data, size); break;
        case 3: RoundTrip(data, size); break;
        case 4: WgetReplies(data, size); break;
        default: RunSignedIn(data, size); break;
    }
    return 0;
}
