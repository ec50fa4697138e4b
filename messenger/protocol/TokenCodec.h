// The bytes of the messenger protocol: every line is space-separated tokens ended by CR LF, and a
// token is a wide text escaped and then sent as UTF-8. Every request writes its body, and every
// received message reads its body, only through the operations here.
//
// Escaping: "%" "%25", SP "%20", TAB "%09", CR "%0d", LF "%0a"; the empty text travels as "%00".
// Reading undoes any "%" with two hexadecimal digits (either case; "%00" adds nothing) and keeps a
// "%" without them as a literal "%". Bytes that are not valid UTF-8 read as U+FFFD.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/base/QeStream.h"

// Decimal text of a number: no leading zeros, no grouping, "-" only for negative values.
std::wstring NumberToWString(uint32_t value);
std::wstring SignedNumberToWString(int32_t value);

// Writes one token. When the writer already holds bytes and the last one is not LF, one SP goes
// first, so the first token of a message and of every line after a CR LF starts without a space.
// The text ends at its first NUL character, as every text conversion of the framework does.
void WriteToken(QeMemoryWriter& writer, std::wstring_view text);
void WriteNumber(QeMemoryWriter& writer, uint32_t value);
void WriteSignedNumber(QeMemoryWriter& writer, int32_t value);
void WriteCrLf(QeMemoryWriter& writer);
// The tail of a payload line: the byte count as its last token, CR LF, then the bytes raw.
void WritePayload(QeMemoryWriter& writer, const void* bytes, uint32_t count);
void WritePayload(QeMemoryWriter& writer, const QeMemoryWriter& payload);

// The wire form of one text, as WriteToken would send it (without the separating space).
std::string EncodeToken(std::wstring_view text);

// One text of the chat line: font name ("0" when empty), size, style letters ("0" when no bit is
// set) and the text itself, joined by TAB.
std::wstring JoinStyledText(const std::wstring& fontName, uint32_t size, uint32_t style, const std::wstring& text);

// SP, TAB, CR or LF: the bytes that stand between tokens and between lines.
inline bool IsSeparatorByte(uint8_t byte) { return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n'; }

// Reads the tokens of one frame or of one payload. It neither copies nor frees the bytes, which must
// outlive it. Reading past the end gives empty texts and zeros; it never reads out of range.
class TokenReader : public QeStream {
public:
    TokenReader() = default;
    TokenReader(const void* data, uint32_t size) { SetBuffer(data, size); }
    void SetBuffer(const void* data, uint32_t size);

    // The bytes up to the next SP, TAB or LF (consumed) or the end; CR bytes are dropped wherever
    // they stand. Separators are not skipped: two in a row give an empty token.
    void ReadToken(std::wstring& out);
    // The leading decimal digits of the next token with an optional sign, clamped to 32 bits; a token
    // without leading digits gives 0.
    void ReadInt(int32_t& out);
    // As ReadInt, keeping the low 16 bits (ports above 32767 survive).
    void ReadShort(uint16_t& out);
    // The bytes up to the next LF (consumed, not kept), without CR.
    void ReadLine(std::wstring& out);
    // Every remaining byte, CR included.
    void ReadAll(std::wstring& out);

    bool AtEnd() const { return m_position >= m_size; }
    const uint8_t* Data() const { return m_data; }
    uint32_t Size() const { return m_size; }
    // The unread bytes, for payloads that follow a line raw.
    const uint8_t* Current() const { return m_data + m_position; }
    uint32_t Remaining() const { return m_size - m_position; }
    // Moves past up to count bytes; returns how many it moved.
    uint32_t Skip(uint32_t count);
    // Moves past SP, TAB, CR and LF; true when a token is left to read.
    bool SkipSeparators();

    bool Seek(int32_t offset, int origin) override;
    uint32_t Tell() override { return m_position; }
    bool Read(void* buffer, uint32_t n) override;

private:
    // Turns bytes [begin, end) of the frame into text; what says which of the slower steps they need.
    void Decode(std::wstring& out, uint32_t begin, uint32_t end, uint8_t what);

    const uint8_t* m_data = nullptr;
    uint32_t m_size = 0;
    uint32_t m_position = 0;
    std::string m_scratch;
    std::wstring m_wide;
};

// A frame whose line ends in a byte count and goes on with the payload: the rest of the line the
// reader stands in, and the payload after the line's LF. The line's tokens are read only from the
// line, so a short line never takes payload bytes for tokens, and the payload never starts anywhere
// but after the line.
struct LineAndPayload {
    TokenReader line;
    const uint8_t* payload = nullptr;
    uint32_t payloadSize = 0;
};
LineAndPayload SplitAtLine(const TokenReader& reader);
// A payload's byte count as read from the line, kept within the bytes there are (0 when negative).
uint32_t ClampCount(int32_t count, uint32_t available);

// Text helpers behind the reader, also for texts that are read twice (the chat line).
// Appends the UTF-8 bytes as code points; invalid sequences become U+FFFD and decoding goes on.
void AppendUtf8AsWide(std::wstring& out, const uint8_t* bytes, size_t count);
// Undoes the escapes of a token in place.
void UnescapeToken(std::wstring& text);
// The leading decimal digits with an optional sign, clamped to 32 bits; 0 without digits.
int32_t ParseLeadingInt(std::wstring_view text);
