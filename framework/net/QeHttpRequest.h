// The text of one HTTP request: the head (request line and headers) and the body of a POST, either
// form-encoded or multipart. The request belongs to a client and reads that client's cookies and
// form fields; it owns neither.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/net/QeUrl.h"

struct QeHttpFormField {
    std::wstring name;
    std::wstring value;  // for a file field: the path of the file whose bytes are sent
    bool isFile = false;
};

struct QeHttpCookie {
    std::wstring name;
    std::wstring value;
};

class QeHttpRequest {
public:
    enum Method { kGet = 0, kPost = 1 };
    enum BodyKind { kFormEncoded = 0, kMultipart = 1 };

    QeHttpRequest(const std::vector<QeHttpCookie>& cookies, const std::vector<QeHttpFormField>& fields);

    // Back to a GET of version "1.0", form-encoded, no range, with a fresh boundary.
    void Reset();

    int32_t GetMethod() const { return m_method; }
    void SetMethod(int32_t method) { m_method = method; }
    const std::wstring& Version() const { return m_version; }
    void SetVersion(const std::wstring& version) { m_version = version; }
    int32_t GetBodyKind() const { return m_bodyKind; }
    void SetBodyKind(int32_t kind) { m_bodyKind = kind; }
    const std::wstring& Boundary() const { return m_boundary; }
    // Both 0: no range. An end of 0 asks for everything from the start on.
    void SetRange(uint32_t start, uint32_t end) {
        m_rangeStart = start;
        m_rangeEnd = end;
    }

    // The head, up to and including the empty line; sent in the ANSI code page.
    std::wstring BuildText(const QeUrl& url) const;
    // The form fields as name=value pairs joined with "&", values percent-escaped.
    std::wstring BuildQuery() const;
    // The head of one multipart part, up to and including the blank line before its content.
    std::wstring BuildPartHead(const QeHttpFormField& field) const;
    // The line that closes a multipart body.
    std::wstring BuildClosingLine() const;
    // The bytes of body that follow the head (0 for GET); also the Content-Length.
    uint32_t BodyLength() const;

    const std::vector<QeHttpCookie>& Cookies() const { return *m_cookies; }
    const std::vector<QeHttpFormField>& Fields() const { return *m_fields; }

private:
    const std::vector<QeHttpCookie>* m_cookies;
    const std::vector<QeHttpFormField>* m_fields;
    int32_t m_method = kGet;
    std::wstring m_version = L"1.0";
    int32_t m_bodyKind = kFormEncoded;
    std::wstring m_boundary;
    uint32_t m_rangeStart = 0;
    uint32_t m_rangeEnd = 0;
};
