#include "framework/net/QeHttpRequest.h"

#include "framework/base/QeGuid.h"
#include "framework/base/QeStream.h"
#include "framework/base/QeStrings.h"

namespace {

uint32_t AnsiLength(const std::wstring& text) { return static_cast<uint32_t>(QeStrings::WideToAnsi(text).size()); }

}  // namespace

QeHttpRequest::QeHttpRequest(const std::vector<QeHttpCookie>& cookies, const std::vector<QeHttpFormField>& fields)
    : m_cookies(&cookies), m_fields(&fields) {
    Reset();
}

void QeHttpRequest::Reset() {
    m_method = kGet;
    m_version = L"1.0";
    m_bodyKind = kFormEncoded;
    m_boundary = std::wstring(40, L'-') + QeGuid().ToString(1);
    m_rangeStart = 0;
    m_rangeEnd = 0;
}

std::wstring QeHttpRequest::BuildQuery() const {
    std::wstring query;
    for (const QeHttpFormField& field : *m_fields) {
        if (!query.empty()) query += L'&';
        std::wstring escaped;
        UrlEncode(escaped, field.value);
        query += field.name + L'=' + escaped;
    }
    return query;
}

std::wstring QeHttpRequest::BuildText(const QeUrl& url) const {
    std::wstring text;
    if (m_method == kPost) {
        text = L"POST /" + url.Path();
    } else {
        text = L"GET /" + url.Path();
        if (!m_fields->empty()) text += L'?' + BuildQuery();
    }
    text += L" HTTP/" + m_version + L"\r\n";
    text += L"Host: " + url.Host() + L':' + std::to_wstring(url.Port()) + L"\r\n";
    if (!m_fields->empty()) {
        text += L"Content-Type: ";
        text += m_bodyKind == kMultipart ? L"multipart/form-data; boundary=" + m_boundary
                                         : std::wstring(L"application/x-www-form-urlencoded");
        text += L"\r\n";
    }
    if (m_method == kPost) text += L"Content-Length: " + std::to_wstring(BodyLength()) + L"\r\n";
    if (!m_cookies->empty()) {
        text += L"Cookie: ";
        for (size_t i = 0; i < m_cookies->size(); ++i) {
            if (i > 0) text += L';';
            text += (*m_cookies)[i].name + L'=' + (*m_cookies)[i].value;
        }
        text += L"\r\n";
    }
    if (m_rangeStart != 0 || m_rangeEnd != 0) {
        text += L"Range: bytes=" + std::to_wstring(m_rangeStart) + L'-';
        if (m_rangeEnd != 0) text += std::to_wstring(m_rangeEnd);
        text += L"\r\n";
    }
    text += L"\r\n";
    return text;
}

std::wstring QeHttpRequest::BuildPartHead(const QeHttpFormField& field) const {
    std::wstring head = L"--" + m_boundary + L"\r\nContent-Disposition: form-data; name=\"" + field.name + L'"';
    if (field.isFile) head += L"; filename=\"" + field.value + L'"';
    head += L"\r\n\r\n";
    return head;
}

std::wstring QeHttpRequest::BuildClosingLine() const { return L"--" + m_boundary + L"--\r\n"; }

uint32_t QeHttpRequest::BodyLength() const {
    if (m_method != kPost) return 0;
    if (m_bodyKind != kMultipart) return AnsiLength(BuildQuery());
    uint32_t length = 0;
    for (const QeHttpFormField& field : *m_fields) {
        length += AnsiLength(BuildPartHead(field));
        length += field.isFile ? QeFileSize(field.value) : AnsiLength(field.value);
        length += 2;
    }
    return length + AnsiLength(BuildClosingLine());
}
