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
