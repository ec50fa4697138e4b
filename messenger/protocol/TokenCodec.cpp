#include "messenger/protocol/TokenCodec.h"

#include <array>
#include <cstring>
#include <limits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "messenger/protocol/TokenSets.h"
#include "platform/system/text.h"

namespace {

// Byte classes of the reader: what ends a token, and what takes it off the plain path.
enum : uint8_t { kSeparator = 1, kCarriageReturn = 2, kPercent = 4, kHighByte = 8 };

constexpr std::array<uint8_t, 256> MakeByteClasses() {
    std::array<uint8_t, 256> classes{};
    classes[' '] = kSeparator;
    classes['\t'] = kSeparator;
    classes['\n'] = kSeparator;
    classes['\r'] = kCarriageReturn;
    classes['%'] = kPercent;
    for (int b = 0x80; b < 0x100; ++b) classes[b] = kHighByte;
    return classes;
}
constexpr std::array<uint8_t, 256> kByteClasses = MakeByteClasses();

// The end of the token that starts at begin, and the classes of the bytes in it. Sixteen bytes at a
// time while that many remain (never reading past the frame), then byte by byte.
inline uint32_t ScanToken(const uint8_t* data, uint32_t begin, uint32_t size, uint8_t& what) {
    uint8_t seen = 0;
    uint32_t i = begin;
#if defined(__SSE2__)
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i percent = _mm_set1_epi8('%');
    while (size - i >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const unsigned separators = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, space), _mm_cmpeq_epi8(v, tab)), _mm_cmpeq_epi8(v, lf))));
        // Only the bytes before the first separator belong to the token.
        const unsigned inside = separators != 0 ? (1u << __builtin_ctz(separators)) - 1 : 0xFFFFu;
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, cr)) & inside) seen |= kCarriageReturn;
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, percent)) & inside) seen |= kPercent;
        if (_mm_movemask_epi8(v) & inside) seen |= kHighByte;
        if (separators != 0) {
            what = seen;
            return i + static_cast<uint32_t>(__builtin_ctz(separators));
        }
        i += 16;
    }
#endif
    for (; i < size; ++i) {
        const uint8_t cls = kByteClasses[data[i]];
        if (cls == kSeparator) break;
        seen |= cls;
    }
    what = seen;
    return i;
}

// ASCII bytes to characters.
inline void Widen(wchar_t* out, const uint8_t* bytes, size_t count) {
    size_t i = 0;
#if defined(__SSE2__)
    static_assert(sizeof(wchar_t) == 4, "characters are code points");
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= count; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        const __m128i low = _mm_unpacklo_epi8(v, zero);
        const __m128i high = _mm_unpackhi_epi8(v, zero);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi16(low, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 4), _mm_unpackhi_epi16(low, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpacklo_epi16(high, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 12), _mm_unpackhi_epi16(high, zero));
    }
#endif
    for (; i < count; ++i) out[i] = static_cast<wchar_t>(bytes[i]);
}

uint8_t ClassifyRange(const uint8_t* data, uint32_t begin, uint32_t end) {
    uint8_t seen = 0;
    for (uint32_t i = begin; i < end; ++i) seen |= kByteClasses[data[i]];
    return seen;
}

// Writes the code points of UTF-8 bytes to out, which has room for count characters; returns how
// many it wrote. Invalid sequences become U+FFFD and decoding goes on.
size_t DecodeUtf8(wchar_t* out, const uint8_t* bytes, size_t count) {
    wchar_t* const start = out;
    size_t i = 0;
    while (i < count) {
        if (bytes[i] < 0x80) {
            *out++ = static_cast<wchar_t>(bytes[i++]);
            continue;
        }
        uint32_t c = 0;
        bool valid = false;
        i += Utf8DecodeStep(bytes + i, count - i, c, valid);
        *out++ = static_cast<wchar_t>(c);
    }
    return static_cast<size_t>(out - start);
}

// Escapes and encodes a text into fixed chunks, so writing a token allocates nothing.
template <class Sink>
void EncodeTokenChunks(std::wstring_view text, char* chunk, size_t chunkSize, size_t used, Sink&& sink) {
    static const char kHex[] = "0123456789abcdef";
    const size_t nul = text.find(L'\0');
    if (nul != std::wstring_view::npos) text = text.substr(0, nul);
    if (text.empty()) {
        std::memcpy(chunk + used, "%00", 3);
        sink(chunk, used + 3);
        return;
    }
    for (wchar_t wc : text) {
        if (used + 4 > chunkSize) {
            sink(chunk, used);
            used = 0;
        }
        const uint32_t c = static_cast<uint32_t>(wc);
        if (c == L'%' || c == L' ' || c == L'\t' || c == L'\r' || c == L'\n') {
            chunk[used++] = '%';
            chunk[used++] = kHex[c >> 4];
            chunk[used++] = kHex[c & 0xF];
        } else if (c < 0x80) {
            chunk[used++] = static_cast<char>(c);
        } else {
            used += Utf8EncodeStep(c, chunk + used);
        }
    }
    if (used > 0) sink(chunk, used);
}

bool NeedsSpace(const QeMemoryWriter& writer) {
    const uint32_t size = writer.Size();
    return size > 0 && writer.Data()[size - 1] != '\n';
}

// Decimal digits of a value into the end of a buffer; returns where they start.
char* FormatDecimal(char* end, uint64_t value) {
    char* p = end;
    do {
        *--p = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    return p;
}

void WriteDecimal(QeMemoryWriter& writer, uint64_t magnitude, bool negative) {
    char buffer[24];
    char* end = buffer + sizeof(buffer);
    char* p = FormatDecimal(end, magnitude);
    if (negative) *--p = '-';
    if (NeedsSpace(writer)) *--p = ' ';
    writer.Write(p, static_cast<uint32_t>(end - p));
}

// Shared by the byte and the wide parsers: sign, then digits, saturating in 64 bits.
template <class Char>
int32_t ParseLeading(const Char* p, const Char* end) {
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) {
        negative = *p == '-';
        ++p;
    }
    int64_t value = 0;
    constexpr int64_t kLimit = int64_t{1} << 40;  // far past the 32-bit range, far from overflow
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        if (value < kLimit) value = value * 10 + (*p - '0');
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

}  // namespace

std::wstring NumberToWString(uint32_t value) {
    char buffer[16];
    char* end = buffer + sizeof(buffer);
    char* p = FormatDecimal(end, value);
    return std::wstring(p, end);
}

std::wstring SignedNumberToWString(int32_t value) {
    char buffer[16];
    char* end = buffer + sizeof(buffer);
    const bool negative = value < 0;
    const uint64_t magnitude = negative ? uint64_t(-int64_t{value}) : uint64_t(value);
    char* p = FormatDecimal(end, magnitude);
    if (negative) *--p = '-';
    return std::wstring(p, end);
}

void WriteToken(QeMemoryWriter& writer, std::wstring_view text) {
    char chunk[512];
    size_t used = 0;
    if (NeedsSpace(writer)) chunk[used++] = ' ';
    EncodeTokenChunks(text, chunk, sizeof(chunk), used,
                      [&writer](const char* bytes, size_t n) { writer.Write(bytes, static_cast<uint32_t>(n)); });
}

void WriteNumber(QeMemoryWriter& writer, uint32_t value) { WriteDecimal(writer, value, false); }

void WriteSignedNumber(QeMemoryWriter& writer, int32_t value) {
    const bool negative = value < 0;
    WriteDecimal(writer, negative ? uint64_t(-int64_t{value}) : uint64_t(value), negative);
}

void WriteCrLf(QeMemoryWriter& writer) { writer.Write("\r\n", 2); }

void WritePayload(QeMemoryWriter& writer, const void* bytes, uint32_t count) {
    WriteNumber(writer, count);
    WriteCrLf(writer);
    if (count > 0 && bytes != nullptr) writer.Write(bytes, count);
}

void WritePayload(QeMemoryWriter& writer, const QeMemoryWriter& payload) {
    WritePayload(writer, payload.Data(), payload.Size());
}

std::string EncodeToken(std::wstring_view text) {
    std::string out;
    char chunk[512];
    EncodeTokenChunks(text, chunk, sizeof(chunk), 0, [&out](const char* bytes, size_t n) { out.append(bytes, n); });
    return out;
}

std::wstring JoinStyledText(const std::wstring& fontName, uint32_t size, uint32_t style, const std::wstring& text) {
    std::wstring out = fontName.empty() ? std::wstring(L"0") : fontName;
    out += L'\t';
    out += NumberToWString(size);
    out += L'\t';
    const std::wstring_view letters = FontStyleLetters(style);
    out += letters.empty() ? std::wstring_view(L"0") : letters;
    out += L'\t';
    out += text;
    return out;
}

void AppendUtf8AsWide(std::wstring& out, const uint8_t* bytes, size_t count) {
    const size_t start = out.size();
    out.resize(start + count);
    out.resize(start + DecodeUtf8(out.data() + start, bytes, count));
}

void UnescapeToken(std::wstring& text) {
    const size_t first = text.find(L'%');
    if (first == std::wstring::npos) return;
    size_t write = first;
    const size_t size = text.size();
    for (size_t read = first; read < size;) {
        const wchar_t c = text[read];
        if (c == L'%' && read + 2 < size) {
            const int high = HexDigitValue(text[read + 1]);
            const int low = HexDigitValue(text[read + 2]);
            if (high >= 0 && low >= 0) {
                const int value = high * 16 + low;
                if (value != 0) text[write++] = static_cast<wchar_t>(value);
                read += 3;
                continue;
            }
        }
        text[write++] = c;
        ++read;
    }
    text.resize(write);
}

int32_t ParseLeadingInt(std::wstring_view text) { return ParseLeading(text.data(), text.data() + text.size()); }

void TokenReader::SetBuffer(const void* data, uint32_t size) {
    m_data = static_cast<const uint8_t*>(data);
    m_size = m_data != nullptr ? size : 0;
    m_position = 0;
}

void TokenReader::Decode(std::wstring& out, uint32_t begin, uint32_t end, uint8_t what) {
    const uint8_t* bytes = m_data + begin;
    size_t count = end - begin;
    if (what & kCarriageReturn) {
        m_scratch.clear();
        for (size_t i = 0; i < count; ++i) {
            if (bytes[i] != '\r') m_scratch += static_cast<char>(bytes[i]);
        }
        bytes = reinterpret_cast<const uint8_t*>(m_scratch.data());
        count = m_scratch.size();
    }
    if (what & (kHighByte | kPercent)) {
        // Decoded in the reader's own buffer first, so the text takes only the room it needs (a
        // Korean letter is three bytes and one character; an escape three characters and one).
        m_wide.resize(count);
        m_wide.resize(what & kHighByte ? DecodeUtf8(m_wide.data(), bytes, count) : (Widen(m_wide.data(), bytes, count), count));
        if (what & kPercent) UnescapeToken(m_wide);
        out.assign(m_wide);
    } else if (out.capacity() >= count) {
        out.resize(count);
        Widen(out.data(), bytes, count);
    } else {
        // A new text of its exact size, written once.
        out = std::wstring(bytes, bytes + count);
    }
}

void TokenReader::ReadToken(std::wstring& out) {
    uint8_t what = 0;
    const uint32_t begin = m_position;
    const uint32_t end = ScanToken(m_data, begin, m_size, what);
    m_position = end < m_size ? end + 1 : end;
    Decode(out, begin, end, what);
}

void TokenReader::ReadInt(int32_t& out) {
    uint8_t what = 0;
    const uint32_t begin = m_position;
    const uint32_t end = ScanToken(m_data, begin, m_size, what);
    m_position = end < m_size ? end + 1 : end;
    if (what == 0) {
        out = ParseLeading(m_data + begin, m_data + end);
        return;
    }
    std::wstring text;
    Decode(text, begin, end, what);
    out = ParseLeadingInt(text);
}

void TokenReader::ReadShort(uint16_t& out) {
    int32_t value = 0;
    ReadInt(value);
    out = static_cast<uint16_t>(static_cast<uint32_t>(value) & 0xFFFF);
}

void TokenReader::ReadLine(std::wstring& out) {
    const void* lf = AtEnd() ? nullptr : std::memchr(m_data + m_position, '\n', m_size - m_position);
    const uint32_t end = lf != nullptr ? static_cast<uint32_t>(static_cast<const uint8_t*>(lf) - m_data) : m_size;
    const uint32_t begin = m_position;
    m_position = lf != nullptr ? end + 1 : end;
    Decode(out, begin, end, ClassifyRange(m_data, begin, end));
}

void TokenReader::ReadAll(std::wstring& out) {
    const uint32_t begin = m_position;
    m_position = m_size;
    // Every byte is kept here, CR included.
    Decode(out, begin, m_size, ClassifyRange(m_data, begin, m_size) & ~kCarriageReturn);
}

uint32_t TokenReader::Skip(uint32_t count) {
    const uint32_t moved = count < Remaining() ? count : Remaining();
    m_position += moved;
    return moved;
}

bool TokenReader::SkipSeparators() {
    while (!AtEnd() && IsSeparatorByte(m_data[m_position])) ++m_position;
    return !AtEnd();
}

LineAndPayload SplitAtLine(const TokenReader& reader) {
    LineAndPayload parts;
    const uint8_t* current = reader.Current();
    const uint32_t remaining = reader.Remaining();
    if (remaining == 0) return parts;
    // The header's last token may have ended at the line's LF already (a line with no more tokens).
    if (current > reader.Data() && current[-1] == '\n') {
        parts.payload = current;
        parts.payloadSize = remaining;
        return parts;
    }
    const void* lf = std::memchr(current, '\n', remaining);
    if (lf == nullptr) {
        parts.line.SetBuffer(current, remaining);
        return parts;
    }
    const uint32_t lineLength = static_cast<uint32_t>(static_cast<const uint8_t*>(lf) - current);
    parts.line.SetBuffer(current, lineLength);
    parts.payload = current + lineLength + 1;
    parts.payloadSize = remaining - lineLength - 1;
    return parts;
}

uint32_t ClampCount(int32_t count, uint32_t available) {
    if (count <= 0) return 0;
    return static_cast<uint32_t>(count) < available ? static_cast<uint32_t>(count) : available;
}

bool TokenReader::Seek(int32_t offset, int origin) {
    int64_t base = 0;
    if (origin == 1) {
        base = m_position;
    } else if (origin == 2) {
        base = m_size;
    } else if (origin != 0) {
        return false;
    }
    const int64_t target = base + offset;
    if (target < 0 || target > m_size) return false;
    m_position = static_cast<uint32_t>(target);
    return true;
}

bool TokenReader::Read(void* buffer, uint32_t n) {
    const uint32_t moved = n < Remaining() ? n : Remaining();
    if (moved > 0) std::memcpy(buffer, m_data + m_position, moved);
    m_position += moved;
    m_lastCount = moved;
    return moved == n;
}
