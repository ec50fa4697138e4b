// The memo readers on arbitrary bytes: a memo-box reply cut into parts as the input chooses, the
// IMSG header and body, and the memo carried in an incoming CMSG. Besides not crashing, the parts
// buffer stays within its cap, reading always ends, and a memo written by the client reads back
// with the same body and header values.
#include <cstddef>
#include <cstdint>
#include <string>

#include "messenger/protocol/MemoCommands.h"
#include "messenger/protocol/ProtocolMessage.h"
#include "messenger/protocol/TokenCodec.h"
#include "messenger/protocol/WgetCommands.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

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
    const std::string payload(reinterpret_cast<const char*>(data + 2), size - 2);
    size_t total = 1;
    for (char c : payload) total += c == '\xff' ? 1 : 0;
    size_t from = 0;
    for (size_t part = 1; part <= total; ++part) {
        size_t end = payload.find('\xff', from);
        if (end == std::string::npos) end = payload.size();
        const std::string chunk = payload.substr(from, end - from);
        from = end + 1;
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
    switch (mode % 4) {
        case 0: WgetParts(data, size); break;
        case 1: Imsg(data, size); break;
        case 2: Cmsg(data, size); break;
        default: RoundTrip(data, size); break;
    }
    return 0;
}
