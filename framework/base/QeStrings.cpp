#include "framework/base/QeStrings.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <utility>

#include "platform/system/text.h"

namespace {

constexpr size_t kFormatLimit = 1024;

template <class Char>
bool IsSpace(Char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

template <class String>
String TrimLeftOf(const String& text) {
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    return text.substr(i);
}

template <class String>
String TrimRightOf(const String& text) {
    size_t end = text.size();
    while (end > 0 && IsSpace(text[end - 1])) --end;
    return text.substr(0, end);
}

// The text up to its first NUL.
std::wstring_view UpToNul(const std::wstring& text) {
    const size_t nul = text.find(L'\0');
    return std::wstring_view(text.data(), nul == std::wstring::npos ? text.size() : nul);
}

std::string_view UpToNul(const std::string& text) {
    const size_t nul = text.find('\0');
    return std::string_view(text.data(), nul == std::string::npos ? text.size() : nul);
}

// The UTF-16 code units of one text given in two parts, one at a time, then kEnd (below every unit,
// so a text that ends first is the smaller).
class Utf16Units {
public:
    static constexpr uint32_t kEnd = 0;

    Utf16Units(std::wstring_view first, std::wstring_view second) : m_parts{first, second} {}

    // Unit + 1, so that kEnd sorts first.
    uint32_t Next() {
        if (m_low != 0) return std::exchange(m_low, 0) + 1;
        while (m_part < 2 && m_at == m_parts[m_part].size()) ++m_part, m_at = 0;
        if (m_part == 2) return kEnd;
        uint32_t c = static_cast<uint32_t>(m_parts[m_part][m_at++]);
        if (c > 0x10FFFF) c = 0xFFFD;  // not a character: ordered as the replacement character
        if (c <= 0xFFFF) return c + 1;
        c -= 0x10000;
        m_low = 0xDC00 + (c & 0x3FF);
        return 0xD800 + (c >> 10) + 1;
    }

private:
    std::wstring_view m_parts[2];
    size_t m_part = 0, m_at = 0;
    uint32_t m_low = 0;
};

}  // namespace

namespace QeStrings {

std::string WideToAnsi(const std::wstring& text) { return TextWideToAnsi(UpToNul(text)); }
std::string WideToUtf8(const std::wstring& text) { return TextWideToUtf8(UpToNul(text)); }
std::wstring AnsiToWide(const std::string& text) { return TextAnsiToWide(UpToNul(text)); }
std::wstring Utf8ToWide(const std::string& text) { return TextUtf8ToWide(UpToNul(text)); }

void Format(std::wstring& out, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(out, format, args);
    va_end(args);
}

void FormatV(std::wstring& out, const wchar_t* format, va_list args) {
    out.clear();
    if (format == nullptr) return;
    // One spare place for the terminator: the C library leaves a cut text unterminated.
    wchar_t buffer[kFormatLimit + 1] = {};
    std::vswprintf(buffer, kFormatLimit + 1, format, args);
    buffer[kFormatLimit] = L'\0';
    out.assign(buffer);
}

std::wstring TrimLeft(const std::wstring& text) { return TrimLeftOf(text); }
std::wstring TrimRight(const std::wstring& text) { return TrimRightOf(text); }
std::wstring Trim(const std::wstring& text) { return TrimLeftOf(TrimRightOf(text)); }
std::string TrimLeftA(const std::string& text) { return TrimLeftOf(text); }
std::string TrimRightA(const std::string& text) { return TrimRightOf(text); }
std::string TrimA(const std::string& text) { return TrimLeftOf(TrimRightOf(text)); }

std::string MidA(const std::string& text, size_t start, size_t count) {
    if (start >= text.size()) return std::string();
    return text.substr(start, count);
}

const wchar_t* FindNoCase(const wchar_t* text, const wchar_t* pattern) {
    if (text == nullptr || pattern == nullptr) return nullptr;
    if (*pattern == L'\0') return text;
    for (const wchar_t* start = text; *start != L'\0'; ++start) {
        const wchar_t* t = start;
        const wchar_t* p = pattern;
        while (*t != L'\0' && *p != L'\0' && std::towupper(*t) == std::towupper(*p)) {
            ++t;
            ++p;
        }
        if (*p == L'\0') return start;
        if (*t == L'\0') return nullptr;  // the rest of the text is shorter than the pattern
    }
    return nullptr;
}

const char* FindNoCaseA(const char* text, const char* pattern, int length) {
    if (text == nullptr || pattern == nullptr) return nullptr;
    const size_t size = length < 0 ? std::strlen(text) : static_cast<size_t>(length);
    const size_t patternSize = std::strlen(pattern);
    if (patternSize == 0) return text;
    if (patternSize > size) return nullptr;
    for (size_t i = 0; i + patternSize <= size; ++i) {
        size_t j = 0;
        while (j < patternSize && std::toupper(static_cast<unsigned char>(text[i + j])) ==
                                      std::toupper(static_cast<unsigned char>(pattern[j]))) {
            ++j;
        }
        if (j == patternSize) return text + i;
    }
    return nullptr;
}

const wchar_t* FindAnyOf(const wchar_t* text, const wchar_t* set, int length) {
    if (text == nullptr || set == nullptr || *set == L'\0') return nullptr;
    for (int i = 0; (length < 0 || i < length) && text[i] != L'\0'; ++i) {
        if (std::wcschr(set, text[i]) != nullptr) return text + i;
    }
    return nullptr;
}

const wchar_t* FindFirstOf(const wchar_t* text, const wchar_t* set) { return FindAnyOf(text, set, -1); }

void ReplaceAll(std::wstring& out, const std::wstring& text, const std::wstring& from, const std::wstring& to) {
    out = text;
    if (from.empty()) return;
    // Replacing the first occurrence again and again can join a replacement with the text before
    // it ("\r\r\n\n" becomes "\n\n"); such a new occurrence starts at most from.size() - 1 before
    // the replacement, so the search resumes there instead of at the start. A replacement that
    // holds the pattern itself would never end and is done in one left-to-right pass, and a
    // replacement that is not shorter has a bound on the rounds so no text can make this loop run on.
    const bool onePass = to.find(from) != std::wstring::npos;
    const bool shrinks = to.size() < from.size();
    size_t rounds = 0;
    const size_t maxRounds = 1u << 20;
    size_t pos = out.find(from);
    while (pos != std::wstring::npos) {
        out.replace(pos, from.size(), to);
        if (onePass) {
            pos = out.find(from, pos + to.size());
            continue;
        }
        if (!shrinks && ++rounds >= maxRounds) break;
        pos = out.find(from, pos >= from.size() - 1 ? pos - (from.size() - 1) : 0);
    }
}

void ToLower(std::wstring& out, const std::wstring& text) {
    out.resize(text.size());
    for (size_t i = 0; i < text.size(); ++i) out[i] = static_cast<wchar_t>(std::towlower(text[i]));
}

void Split(std::vector<std::wstring>& out, const std::wstring& text, const std::wstring& separator) {
    out.clear();
    if (separator.empty()) {
        out.push_back(text);
        return;
    }
    size_t start = 0;
    for (size_t pos = text.find(separator); pos != std::wstring::npos; pos = text.find(separator, start)) {
        out.push_back(text.substr(start, pos - start));
        start = pos + separator.size();
    }
    out.push_back(text.substr(start));
}

void Join(std::wstring& out, const std::vector<std::wstring>& items, const std::wstring& separator) {
    out.clear();
    for (const std::wstring& item : items) {
        if (!out.empty()) out += separator;
        out += item;
    }
}

int CompareUtf16Joined(std::wstring_view a1, std::wstring_view a2, std::wstring_view b1, std::wstring_view b2) {
    Utf16Units a(a1, a2), b(b1, b2);
    for (;;) {
        const uint32_t x = a.Next(), y = b.Next();
        if (x != y) return x < y ? -1 : 1;
        if (x == Utf16Units::kEnd) return 0;
    }
}

int CompareUtf16(std::wstring_view a, std::wstring_view b) { return CompareUtf16Joined(a, {}, b, {}); }

}  // namespace QeStrings

std::wstring HexByte(unsigned value) {
    std::wstring out;
    QeStrings::Format(out, L"%02x", value);
    return out;
}

void UrlEncode(std::wstring& out, const std::wstring& text) {
    out.clear();
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (c == L'%' || c == L' ' || c == L'\t' || c == L'\r' || c == L'\n') {
            out += L'%';
            out += HexByte(static_cast<unsigned>(c));
        } else {
            out += c;
        }
    }
}

void UrlDecode(std::wstring& out, const std::wstring& text) {
    out.clear();
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%') {
            out += text[i];
            continue;
        }
        const int high = i + 1 < text.size() ? HexDigitValue(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? HexDigitValue(text[i + 2]) : -1;
        if (high < 0 || low < 0) {
            out += L'%';  // not an escape: keep it as it stands
            continue;
        }
        const int code = high * 16 + low;
        if (code != 0) out += static_cast<wchar_t>(code);
        i += 2;
    }
}

void SplitPath(const std::wstring& path, std::wstring* drive, std::wstring* directory, std::wstring* name,
               std::wstring* extension) {
    for (std::wstring* part : {drive, directory, name, extension}) {
        if (part != nullptr) part->clear();
    }
    if (path.size() < 2) return;
    const size_t driveEnd = path[1] == L':' ? 2 : 0;
    size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos) slash = path.rfind(L'/');
    size_t directoryEnd = slash == std::wstring::npos ? driveEnd : slash + 1;
    if (directoryEnd < driveEnd) directoryEnd = driveEnd;  // "x\:..." has its "\" inside the drive
    size_t dot = path.rfind(L'.');
    if (dot != std::wstring::npos && dot < directoryEnd) dot = std::wstring::npos;
    if (drive != nullptr) *drive = path.substr(0, driveEnd);
    if (directory != nullptr) *directory = path.substr(driveEnd, directoryEnd - driveEnd);
    if (name != nullptr) {
        *name = path.substr(directoryEnd, (dot == std::wstring::npos ? path.size() : dot) - directoryEnd);
    }
    if (extension != nullptr && dot != std::wstring::npos) *extension = path.substr(dot);
}

void GetFileExtension(std::wstring& out, const std::wstring& path) {
    SplitPath(path, nullptr, nullptr, nullptr, &out);
}
