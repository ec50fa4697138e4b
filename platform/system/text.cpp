#include "platform/system/text.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace {

bool IsHighSurrogate(uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
bool IsScalarValue(uint32_t c) { return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF); }

void AppendUtf8(std::string& out, uint32_t c) {
    char bytes[4];
    out.append(bytes, Utf8EncodeStep(c, bytes));
}

// One iconv descriptor per thread and direction: descriptors carry state and are not shareable.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (Valid()) iconv_close(m_cd);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial shift state
        return m_cd;
    }

private:
    iconv_t m_cd;
};

constexpr const char* kAnsiCodePage = "CP949";

bool IsAscii(std::string_view text) {
    for (unsigned char c : text) {
        if (c >= 0x80) return false;
    }
    return true;
}

bool IsAscii(std::wstring_view text) {
    for (wchar_t c : text) {
        if (static_cast<uint32_t>(c) >= 0x80) return false;
    }
    return true;
}

}  // namespace

std::wstring TextUtf8ToWide(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t n = utf8.size();
    size_t i = 0;
    while (i < n) {
        if (p[i] < 0x80) {
            out += static_cast<wchar_t>(p[i++]);
            continue;
        }
        uint32_t c = 0;
        bool valid = false;
        i += Utf8DecodeStep(p + i, n - i, c, valid);
        out += static_cast<wchar_t>(c);
    }
    return out;
}

std::string TextWideToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) AppendUtf8(out, static_cast<uint32_t>(c));
    return out;
}

std::wstring TextAnsiToWide(std::string_view ansi) {
    if (IsAscii(ansi)) return std::wstring(ansi.begin(), ansi.end());
    thread_local IconvHandle handle("WCHAR_T", kAnsiCodePage);
    std::wstring out;
    if (!handle.Valid()) {
        // Without the code page only ASCII survives.
        for (unsigned char c : ansi) out += c < 0x80 ? static_cast<wchar_t>(c) : kReplacementCharacter;
        return out;
    }
    iconv_t cd = handle.Get();
    char* in = const_cast<char*>(ansi.data());
    size_t inLeft = ansi.size();
    wchar_t buffer[256];
    while (inLeft > 0) {
        char* outPtr = reinterpret_cast<char*>(buffer);
        size_t outLeft = sizeof(buffer);
        const size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        out.append(buffer, reinterpret_cast<wchar_t*>(outPtr) - buffer);
        if (r != static_cast<size_t>(-1)) break;
        if (error == E2BIG) continue;
        // An invalid byte, or a lead byte cut off at the end: mark it and go on with the next byte.
        // For some invalid pairs the converter has already stepped over both bytes when it
        // reports them, so there may be nothing left to step over.
        out += kReplacementCharacter;
        if (inLeft == 0) break;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

std::string TextWideToAnsi(std::wstring_view text) {
    if (IsAscii(text)) {
        std::string out;
        out.reserve(text.size());
        for (wchar_t c : text) out += static_cast<char>(c);
        return out;
    }
    thread_local IconvHandle handle(kAnsiCodePage, "WCHAR_T");
    std::string out;
    if (!handle.Valid()) {
        for (wchar_t c : text) out += static_cast<uint32_t>(c) < 0x80 ? static_cast<char>(c) : '?';
        return out;
    }
    iconv_t cd = handle.Get();
    char* in = const_cast<char*>(reinterpret_cast<const char*>(text.data()));
    size_t inLeft = text.size() * sizeof(wchar_t);
    char buffer[512];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof(buffer);
        const size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        out.append(buffer, outPtr - buffer);
        if (r != static_cast<size_t>(-1)) break;
        if (error == E2BIG) continue;
        // A character the code page cannot hold.
        out += '?';
        in += sizeof(wchar_t);
        inLeft -= inLeft < sizeof(wchar_t) ? inLeft : sizeof(wchar_t);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

void Utf16LeDecoder::Feed(const uint16_t* units, size_t count, std::wstring& out) {
    for (size_t i = 0; i < count; ++i) {
        const uint16_t u = units[i];
        if (m_pendingHigh != 0) {
            if (IsLowSurrogate(u)) {
                const uint32_t c = 0x10000 + ((static_cast<uint32_t>(m_pendingHigh) - 0xD800) << 10) + (u - 0xDC00);
                out += static_cast<wchar_t>(c);
                m_pendingHigh = 0;
                continue;
            }
            out += kReplacementCharacter;
            m_pendingHigh = 0;
        }
        if (IsHighSurrogate(u)) {
            m_pendingHigh = u;
        } else if (IsLowSurrogate(u)) {
            out += kReplacementCharacter;
        } else {
            out += static_cast<wchar_t>(u);
        }
    }
}

void Utf16LeDecoder::Finish(std::wstring& out) {
    if (m_pendingHigh != 0) out += kReplacementCharacter;
    m_pendingHigh = 0;
}

std::wstring TextUtf16LeToWide(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size() / 2);
    Utf16LeDecoder decoder;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    uint16_t units[256];
    size_t i = 0;
    while (i + 1 < bytes.size()) {
        size_t count = 0;
        for (; count < 256 && i + 1 < bytes.size(); ++count, i += 2) {
            units[count] = static_cast<uint16_t>(p[i] | (p[i + 1] << 8));
        }
        decoder.Feed(units, count, out);
    }
    decoder.Finish(out);
    if (bytes.size() % 2 != 0) out += kReplacementCharacter;
    return out;
}

std::string TextWideToUtf16Le(std::wstring_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    auto put = [&out](uint32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>((u >> 8) & 0xFF);
    };
    for (wchar_t wc : text) {
        uint32_t c = static_cast<uint32_t>(wc);
        if (!IsScalarValue(c)) c = kReplacementCharacter;
        if (c >= 0x10000) {
            c -= 0x10000;
            put(0xD800 + (c >> 10));
            put(0xDC00 + (c & 0x3FF));
        } else {
            put(c);
        }
    }
    return out;
}
