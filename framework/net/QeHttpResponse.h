// The received side of an HTTP exchange: the raw bytes of the response as they arrive, and what
// the client reads out of them (status line, header values, body, cookies, redirect target).
// Everything here works on bytes and never reads past what was received, so it can be driven with
// any byte sequence.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/base/QeStream.h"
#include "framework/net/QeHttpRequest.h"
#include "framework/net/QeUrl.h"

class QeHttpResponse {
public:
    // A response larger than this is refused rather than held in memory.
    static constexpr uint32_t kMaxBytes = 64u * 1024u * 1024u;

    void Clear();
    // Appends received bytes. False, with nothing appended, when the response would grow past
    // kMaxBytes.
    bool Append(const void* bytes, uint32_t n);

    // True once the bytes received contain the empty line that ends the head.
    bool HasHead() const { return m_bodyOffset != 0; }
    // The first byte after the head's empty line; null while the head is incomplete.
    const uint8_t* Body() const;
    uint32_t BodyLength() const;
    // The number after the first word of the first line ("HTTP/1.0 404 Not Found" gives 404);
    // 0 when the head is incomplete or the line holds no number there.
    int32_t Status() const;
    // The value of the named header (see QeHttpFindHeaderValue); empty when absent.
    std::string HeaderA(const std::string& name) const;
    // True when the head announces a Content-Length that reads as a number (decimal digits only)
    // and fewer body bytes arrived: the connection ended in the middle of the body.
    bool IsCut() const;

    const QeMemoryWriter& Raw() const { return m_raw; }

private:
    QeMemoryWriter m_raw;
    uint32_t m_bodyOffset = 0;  // 0: the head's end has not been seen
};

// Walks the header lines from the start of the bytes (the status line included), each ending with
// CR LF, and stops at the empty line, at a line longer than 998 bytes, or where no CR LF follows.
// The first line that starts with the name (any case) directly followed by ":" or "=" holds the
// value; lines after it that start with a space or a tab continue it (without that character).
// The value comes trimmed of spaces, tabs, CR and LF.
std::string QeHttpFindHeaderValue(const char* data, size_t size, const std::string& name);

// The number after the first word of the first line, or 0.
int32_t QeHttpParseStatus(const char* data, size_t size);

// Appends the cookies of a Set-Cookie value ("id=7; path=/; HttpOnly" gives id = 7). Attributes
// (expires, domain, path, secure, httponly) and pieces without a value are skipped.
void QeHttpParseCookies(const std::wstring& setCookie, std::vector<QeHttpCookie>& cookies);

// Where a Location header leads from the current URL. An absolute "http://" location stands as
// it is; "//host/path" keeps the scheme; anything else is a path on the current host and port,
// with or without its leading "/". False for an empty location and for another scheme
// ("https://..."), which this client cannot follow.
bool QeHttpRedirectUrl(const QeUrl& current, const std::wstring& location, QeUrl& target);
