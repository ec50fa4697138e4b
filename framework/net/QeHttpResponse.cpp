#include "framework/net/QeHttpResponse.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>

#include "framework/base/QeStrings.h"

namespace {

constexpr size_t kMaxHeaderLine = 998;
constexpr size_t kMaxCookieText = 1023;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
    }
    return true;
}

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f'; }
bool IsSpaceA(char c) { return IsSpace(static_cast<unsigned char>(c)); }

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) {
    const size_t n = std::wcslen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        wchar_t x = a[i], y = b[i];
        if (x >= L'A' && x <= L'Z') x = x - L'A' + L'a';
        if (y >= L'A' && y <= L'Z') y = y - L'A' + L'a';
        if (x != y) return false;
    }
    return true;
}

// A scheme is a letter followed by letters, digits, "+", "-" or "."; here only its end matters.
bool HasScheme(const std::wstring& location, std::wstring& scheme) {
    const size_t end = location.find(L"://");
    if (end == std::wstring::npos || end == 0) return false;
    for (size_t i = 0; i < end; ++i) {
        const wchar_t c = location[i];
        const bool letter = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
        const bool other = (c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.';
        if (!letter && !(i > 0 && other)) return false;
    }
    scheme = location.substr(0, end);
    return true;
}

}  // namespace

void QeHttpResponse::Clear() {
    m_raw.Clear();
    m_bodyOffset = 0;
}

bool QeHttpResponse::Append(const void* bytes, uint32_t n) {
    const uint32_t before = m_raw.Size();
    if (n > kMaxBytes - before) return false;
    if (!m_raw.Write(bytes, n)) return false;
    if (m_bodyOffset == 0 && n > 0) {
        // Only the new bytes and the three before them can complete the empty line.
        const uint32_t from = before > 3 ? before - 3 : 0;
        const std::string_view all(reinterpret_cast<const char*>(m_raw.Data()), m_raw.Size());
        const size_t end = all.find("\r\n\r\n", from);
        if (end != std::string_view::npos) m_bodyOffset = static_cast<uint32_t>(end + 4);
    }
    return true;
}

const uint8_t* QeHttpResponse::Body() const { return HasHead() ? m_raw.Data() + m_bodyOffset : nullptr; }

uint32_t QeHttpResponse::BodyLength() const { return HasHead() ? m_raw.Size() - m_bodyOffset : 0; }

int32_t QeHttpResponse::Status() const {
    if (!HasHead()) return 0;
    return QeHttpParseStatus(reinterpret_cast<const char*>(m_raw.Data()), m_raw.Size());
}

std::string QeHttpResponse::HeaderA(const std::string& name) const {
    if (m_raw.Size() == 0) return std::string();
    return QeHttpFindHeaderValue(reinterpret_cast<const char*>(m_raw.Data()), m_raw.Size(), name);
}

bool QeHttpResponse::IsCut() const {
    if (!HasHead()) return false;
    const std::string text = HeaderA("Content-Length");
    if (text.empty() || text.size() > 19) return false;  // 19 digits always fit
    uint64_t length = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        length = length * 10 + static_cast<uint64_t>(c - '0');
    }
    return BodyLength() < length;
}

std::string QeHttpFindHeaderValue(const char* data, size_t size, const std::string& name) {
    std::string value;
    if (data == nullptr || name.empty()) return value;
    const std::string_view text(data, size);
    bool found = false;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find("\r\n", pos);
        if (end == std::string_view::npos) break;
        const std::string_view line = text.substr(pos, end - pos);
        if (line.empty() || line.size() > kMaxHeaderLine) break;
        if (found) {
            if (line[0] != ' ' && line[0] != '\t') break;
            value.append(line.substr(1));
        } else if (StartsWithNoCase(line, name) && line.size() > name.size() &&
                   (line[name.size()] == ':' || line[name.size()] == '=')) {
            value.assign(line.substr(name.size() + 1));
            found = true;
        }
        pos = end + 2;
    }
    return QeStrings::TrimA(value);
}

int32_t QeHttpParseStatus(const char* data, size_t size) {
    if (data == nullptr) return 0;
    // The status belongs to the first line; a number on a later line is not one.
    size_t end = 0;
    while (end < size && data[end] != '\r' && data[end] != '\n') ++end;
    size_t i = 0;
    while (i < end && IsSpaceA(data[i])) ++i;
    if (i == end) return 0;
    while (i < end && !IsSpaceA(data[i])) ++i;
    while (i < end && IsSpaceA(data[i])) ++i;
    bool negative = false;
    if (i < end && (data[i] == '+' || data[i] == '-')) negative = data[i++] == '-';
    if (i == end || data[i] < '0' || data[i] > '9') return 0;
    int64_t number = 0;
    for (; i < end && data[i] >= '0' && data[i] <= '9'; ++i) {
        number = std::min<int64_t>(number * 10 + (data[i] - '0'), int64_t{INT32_MAX} + 1);
    }
    if (negative) number = -number;
    return static_cast<int32_t>(std::clamp<int64_t>(number, INT32_MIN, INT32_MAX));
}

void QeHttpParseCookies(const std::wstring& setCookie, std::vector<QeHttpCookie>& cookies) {
    static const wchar_t* const kAttributes[] = {L"expires", L"domain", L"path", L"secure", L"httponly"};
    std::vector<std::wstring> pieces;
    QeStrings::Split(pieces, setCookie, L";");
    for (const std::wstring& raw : pieces) {
        size_t start = 0;
        while (start < raw.size() && IsSpace(raw[start])) ++start;
        const size_t equals = raw.find(L'=', start);
        if (equals == std::wstring::npos || equals == start) continue;
        std::wstring name = raw.substr(start, equals - start);
        size_t valueStart = equals + 1;
        while (valueStart < raw.size() && IsSpace(raw[valueStart])) ++valueStart;
        size_t valueEnd = valueStart;
        while (valueEnd < raw.size() && !IsSpace(raw[valueEnd])) ++valueEnd;
        if (valueEnd == valueStart) continue;
        // An overlong name or value would be cut short; sending a cut cookie back is worse than
        // sending none.
        if (name.size() > kMaxCookieText || valueEnd - valueStart > kMaxCookieText) continue;
        bool attribute = false;
        for (const wchar_t* a : kAttributes) attribute = attribute || EqualsNoCase(name, a);
        if (attribute) continue;
        cookies.push_back({std::move(name), raw.substr(valueStart, valueEnd - valueStart)});
    }
}

bool QeHttpRedirectUrl(const QeUrl& current, const std::wstring& location, QeUrl& target) {
    if (location.empty()) return false;
    std::wstring scheme;
    if (HasScheme(location, scheme)) {
        if (!EqualsNoCase(scheme, L"http")) return false;
        target = QeUrl(L"http" + location.substr(scheme.size()));
        return true;
    }
    if (location.compare(0, 2, L"//") == 0) {
        target = QeUrl(L"http:" + location);
        return true;
    }
    const std::wstring path = location[0] == L'/' ? location.substr(1) : location;
    target = QeUrl(L"http://" + current.Host() + L':' + std::to_wstring(current.Port()) + L'/' + path);
    return true;
}
