// The framework's text toolbox. Text is std::wstring (wchar_t is 32 bits here, so a wide string
// holds code points); 8-bit text is UTF-8 or the ANSI code page (CP949).
// Wide format strings follow the C library: %ls for a wide string argument, %s for a narrow one.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>
#include <vector>

namespace QeStrings {

// Conversions stop at the first NUL of their input. Invalid UTF-8 becomes U+FFFD and characters the
// ANSI code page cannot hold become "?"; the rest of the text is always kept.
std::string WideToAnsi(const std::wstring& text);
std::string WideToUtf8(const std::wstring& text);
std::wstring AnsiToWide(const std::string& text);
std::wstring Utf8ToWide(const std::string& text);

// printf-style formatting cut to at most 1024 characters.
void Format(std::wstring& out, const wchar_t* format, ...);
void FormatV(std::wstring& out, const wchar_t* format, va_list args);

// Trims of " \t\r\n".
std::wstring TrimLeft(const std::wstring& text);
std::wstring TrimRight(const std::wstring& text);
std::wstring Trim(const std::wstring& text);
std::string TrimLeftA(const std::string& text);
std::string TrimRightA(const std::string& text);
std::string TrimA(const std::string& text);
std::string MidA(const std::string& text, size_t start, size_t count);

// Searches return a pointer into the text, or null.
const wchar_t* FindNoCase(const wchar_t* text, const wchar_t* pattern);
const char* FindNoCaseA(const char* text, const char* pattern, int length);
const wchar_t* FindAnyOf(const wchar_t* text, const wchar_t* set, int length);
const wchar_t* FindFirstOf(const wchar_t* text, const wchar_t* set);

void ReplaceAll(std::wstring& out, const std::wstring& text, const std::wstring& from, const std::wstring& to);
void ToLower(std::wstring& out, const std::wstring& text);
void Split(std::vector<std::wstring>& out, const std::wstring& text, const std::wstring& separator);
void Join(std::wstring& out, const std::vector<std::wstring>& items, const std::wstring& separator);

// The order of names in every list a user sees: UTF-16 code units, as the service and other
// clients sort, not code points (a character above U+FFFF comes before U+E000-U+FFFF). Case-
// sensitive. -1, 0 or 1. The joined form compares a1 followed by a2 with b1 followed by b2 as one
// text each, without joining them.
int CompareUtf16(std::wstring_view a, std::wstring_view b);
int CompareUtf16Joined(std::wstring_view a1, std::wstring_view a2, std::wstring_view b1, std::wstring_view b2);
inline bool LessUtf16(std::wstring_view a, std::wstring_view b) { return CompareUtf16(a, b) < 0; }

}  // namespace QeStrings

// Two lowercase hexadecimal digits.
std::wstring HexByte(unsigned value);

// Percent escaping of "%", SP, TAB, CR and LF (lowercase hex); decoding keeps a "%" that is not
// followed by two hexadecimal digits as a literal "%".
void UrlEncode(std::wstring& out, const std::wstring& text);
void UrlDecode(std::wstring& out, const std::wstring& text);

// Any output may be null. The directory comes without the drive; the extension keeps its dot.
void SplitPath(const std::wstring& path, std::wstring* drive, std::wstring* directory, std::wstring* name,
               std::wstring* extension);
void GetFileExtension(std::wstring& out, const std::wstring& path);
