// Text conversion at the edges of the program. Inside, text is std::wstring holding code points
// (wchar_t is 32 bits); outside it is UTF-8, the ANSI code page (CP949, the UI is Korean) or, where
// bytes matter, UTF-16LE. No conversion ever gives up on a whole text: invalid input becomes
// U+FFFD and characters the target cannot hold become "?"; everything else is kept.
// These functions convert exactly the given length, NULs included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr wchar_t kReplacementCharacter = 0xFFFD;

// One step of UTF-8 decoding, shared by every decoder so they agree on what is broken: decodes the
// sequence at the start of bytes[0, count), count > 0, and returns how many bytes it used. A broken
// sequence (bad lead byte, overlong form, surrogate, value past U+10FFFF, cut short) sets valid to
// false and codePoint to U+FFFD, and uses only its valid prefix (at least one byte), so that decoding
// resumes at the byte that broke it.
inline size_t Utf8DecodeStep(const unsigned char* bytes, size_t count, uint32_t& codePoint, bool& valid) {
    const unsigned char b = bytes[0];
    if (b < 0x80) {
        codePoint = b;
        valid = true;
        return 1;
    }
    // Length and the allowed range of the second byte, which rules out overlong forms, surrogates
    // and values past U+10FFFF at the earliest byte.
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    uint32_t c = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        c = b & 0x0F;
        if (b == 0xE0) low = 0xA0;
        if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        c = b & 0x07;
        if (b == 0xF0) low = 0x90;
        if (b == 0xF4) high = 0x8F;
    } else {
        codePoint = kReplacementCharacter;
        valid = false;
        return 1;
    }
    size_t taken = 1;
    for (; taken < length && taken < count; ++taken) {
        const unsigned char next = bytes[taken];
        if (next < (taken == 1 ? low : 0x80) || next > (taken == 1 ? high : 0xBF)) break;
        c = (c << 6) | (next & 0x3F);
    }
    valid = taken == length;
    codePoint = valid ? c : static_cast<uint32_t>(kReplacementCharacter);
    return taken;
}

// Writes the UTF-8 form of one code point to out, which has room for four bytes, and returns how
// many bytes it wrote. A value UTF-8 cannot carry (a surrogate, past U+10FFFF) is written as U+FFFD,
// so no malformed sequence ever leaves the program.
inline size_t Utf8EncodeStep(uint32_t c, char* out) {
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacementCharacter;
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

// The value of one hexadecimal digit in either case, or -1 for any other character.
inline int HexDigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// Two lowercase hexadecimal digits a byte.
inline std::string HexText(const unsigned char* bytes, size_t count) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(count * 2);
    for (size_t i = 0; i < count; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0x0F];
    }
    return out;
}

std::wstring TextUtf8ToWide(std::string_view utf8);
// Code points that UTF-8 cannot carry (surrogates, values above U+10FFFF) become U+FFFD.
std::string TextWideToUtf8(std::wstring_view text);

std::wstring TextAnsiToWide(std::string_view ansi);
std::string TextWideToAnsi(std::wstring_view text);

// UTF-16LE code units as bytes. Surrogate pairs become one code point; a lone surrogate or an odd
// trailing byte becomes U+FFFD.
std::wstring TextUtf16LeToWide(std::string_view bytes);
std::string TextWideToUtf16Le(std::wstring_view text);

// Incremental UTF-16LE decoding for text that arrives in pieces: a surrogate pair split between two
// pieces still becomes one code point.
class Utf16LeDecoder {
public:
    // Appends the code points of the given code units to out.
    void Feed(const uint16_t* units, size_t count, std::wstring& out);
    // Ends the text: a high surrogate still waiting for its partner becomes U+FFFD.
    void Finish(std::wstring& out);

private:
    uint16_t m_pendingHigh = 0;
};
