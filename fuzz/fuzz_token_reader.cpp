// Every read operation of TokenReader on arbitrary bytes, in an order the input chooses, plus the
// properties the protocol relies on: a token read and written again reads back the same, ReadInt
// agrees with the text of the token, and reading always ends.
#include <cstddef>
#include <cstdint>
#include <string>

#include "messenger/protocol/ProtocolMessage.h"
#include "messenger/protocol/SharedMessages.h"
#include "messenger/protocol/TokenCodec.h"
#include "messenger/protocol/TokenSets.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

// Every token of the bytes, each written again and read back.
void SplitAndRewrite(const uint8_t* data, uint32_t size) {
    TokenReader reader(data, size);
    TokenReader numbers(data, size);
    std::wstring token;
    uint32_t count = 0;
    while (!reader.AtEnd()) {
        const uint32_t before = reader.Tell();
        reader.ReadToken(token);
        Check(reader.Tell() > before);
        Check(token.size() <= reader.Tell() - before);
        ++count;

        int32_t number = 0;
        numbers.ReadInt(number);
        Check(number == ParseLeadingInt(token));
        Check(numbers.Tell() == reader.Tell());

        if (token.find(L'\0') == std::wstring::npos) {
            const std::string wire = EncodeToken(token);
            TokenReader again(wire.data(), static_cast<uint32_t>(wire.size()));
            std::wstring back;
            again.ReadToken(back);
            Check(back == token);
            Check(again.AtEnd());
        }
        // The token sets never fail on any text.
        (void)ParsePresenceLetter(token);
        (void)ParseTailCode(token);
        (void)ParseMemoRequestKind(token);
        (void)ParseFlags(token);
        (void)ParseFontStyle(token);
    }
    Check(count <= size);
}

// Operations in the order the first bytes choose, until the reader is done.
void Script(const uint8_t* data, uint32_t size) {
    if (size == 0) return;
    const uint32_t scriptLength = data[0] % 16 + 1 < size ? data[0] % 16 + 1 : size;
    const uint8_t* script = data;
    TokenReader reader(data + scriptLength, size - scriptLength);
    std::wstring text;
    int32_t number = 0;
    uint16_t port = 0;
    uint8_t raw[8];
    for (uint32_t step = 0; step < 4 * size + 16 && !reader.AtEnd(); ++step) {
        const uint8_t op = script[step % scriptLength];
        switch (op % 9) {
            case 0: reader.ReadToken(text); break;
            case 1: reader.ReadInt(number); break;
            case 2: reader.ReadShort(port); break;
            case 3: reader.ReadLine(text); break;
            case 4: reader.ReadAll(text); break;
            case 5: reader.Skip(op / 9); break;
            case 6: reader.Read(raw, (op / 9) % sizeof(raw)); break;
            case 7: reader.Seek(static_cast<int32_t>(op) - 128, op % 3); break;
            case 8: Check(reader.Current() + reader.Remaining() == reader.Data() + reader.Size()); break;
        }
        Check(reader.Tell() <= reader.Size());
    }
    // Past the end everything is empty or zero.
    reader.Skip(reader.Remaining());
    reader.ReadToken(text);
    Check(text.empty());
    reader.ReadInt(number);
    Check(number == 0);
}

// The frame read as a header and the shared bodies.
void Frames(const uint8_t* data, uint32_t size) {
    {
        TokenReader reader(data, size);
        ProtocolMessage header;
        header.ReadHeader(reader);
        NnikReceived nnik(header.TrId);
        nnik.ReadBody(reader);
        AuthReceived auth(header.TrId);
        auth.ReadBody(reader);
        PingReceived ping(header.TrId);
        ping.ReadBody(reader);
    }
    {
        TokenReader reader(data, size);
        std::wstring line;
        while (!reader.AtEnd()) reader.ReadLine(line);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    const uint32_t n = static_cast<uint32_t>(size);
    SplitAndRewrite(data, n);
    Script(data, n);
    Frames(data, n);
    return 0;
}
