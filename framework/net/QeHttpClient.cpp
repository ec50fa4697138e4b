#include "framework/net/QeHttpClient.h"

#include <algorithm>

#include "framework/base/QeStream.h"
#include "framework/base/QeStrings.h"
#include "framework/base/QeTrace.h"
#include "framework/net/QeSocketAddress.h"
#include "platform/system/crt.h"
#include "platform/system/mmtimer.h"

QeHttpClient::QeHttpClient() : m_request(m_cookies, m_fields) {}

QeHttpClient::~QeHttpClient() {
    Close();
    m_request.Reset();
    m_cookies.clear();
    m_fields.clear();
    m_response.Clear();
}

bool QeHttpClient::Execute(const QeUrl& url) {
    m_started = timeGetTime();
    return ExecuteHop(url, 0);
}

std::wstring QeHttpClient::GetHeader(const std::wstring& name) const {
    return QeStrings::AnsiToWide(m_response.HeaderA(QeStrings::WideToAnsi(name)));
}

bool QeHttpClient::ExecuteHop(const QeUrl& url, int redirects) {
    m_response.Clear();
    m_status = 0;
    const bool exchanged = Exchange(url);
    // Whatever happened, no socket outlives the exchange.
    Close();
    if (!exchanged || !m_response.HasHead()) return false;
    m_status = m_response.Status();
    // A server that stops in the middle of the body must not pass for one that sent it all.
    if (m_response.IsCut()) return false;

    const bool redirect = m_followRedirects && m_status >= 300 && m_status <= 399;
    // Cookies set by a redirect go out with the redirected request.
    if (m_keepCookies) TakeCookies();
    if (!redirect) return true;
    if (redirects >= kMaxRedirects) return false;
    QeUrl target;
    if (!QeHttpRedirectUrl(url, GetHeader(L"Location"), target)) return false;
    return ExecuteHop(target, redirects + 1);
}

bool QeHttpClient::Exchange(const QeUrl& url) {
    if (url.Port() <= 0 || url.Port() > 0xFFFF) return false;
    m_progressMark = timeGetTime();
    m_sinceMark = 0;
    DWORD wait;
    if (!WithinLimits(wait)) return false;  // a redirect after the time ran out
    if (!Create()) return false;
    if (m_listener != nullptr && !m_listener->OnConnecting()) return false;
    if (!Connect(QeSocketAddress(url.Host(), static_cast<WORD>(url.Port())))) return false;
    if (m_listener != nullptr && !m_listener->OnConnected()) return false;

    if (m_listener != nullptr) {
        m_listener->bytesTotal = m_request.BodyLength();
        m_listener->bytesDone = 0;
    }
    if (!SendText(m_request.BuildText(url))) return false;
    // A body that cannot be sent whole would leave the server waiting for the rest.
    if (m_request.GetMethod() == QeHttpRequest::kPost && !SendBody()) return false;
    if (m_listener != nullptr && !m_listener->OnRequestSent()) return false;

    if (m_listener != nullptr) {
        m_listener->bytesDone = 0;
        m_listener->bytesTotal = 0;
    }
    return Receive();
}

bool QeHttpClient::SendBytes(const void* bytes, uint32_t n) {
    if (n == 0) return true;
    if (Send(bytes, static_cast<int>(n)) != static_cast<int>(n)) return false;
    if (m_listener != nullptr) {
        m_listener->AddDone(n);
        if (!m_listener->OnUploadProgress(n)) return false;
    }
    return true;
}

bool QeHttpClient::SendText(const std::wstring& text) {
    const std::string bytes = QeStrings::WideToAnsi(text);
    return SendBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

bool QeHttpClient::SendFile(const std::wstring& path) {
    QeFileReader reader;
    if (!reader.Open(path)) return false;
    char buffer[kChunkSize];
    for (;;) {
        const bool whole = reader.Read(buffer, sizeof buffer);
        const uint32_t n = reader.LastCount();
        if (!SendBytes(buffer, n)) return false;
        if (!whole) return true;
    }
}

bool QeHttpClient::SendBody() {
    if (m_request.GetBodyKind() != QeHttpRequest::kMultipart) return SendText(m_request.BuildQuery());
    for (const QeHttpFormField& field : m_fields) {
        if (!SendText(m_request.BuildPartHead(field))) return false;
        if (!(field.isFile ? SendFile(field.value) : SendText(field.value))) return false;
        if (!SendText(L"\r\n")) return false;
    }
    return SendText(m_request.BuildClosingLine());
}

bool QeHttpClient::WithinLimits(DWORD& wait) const {
    // Differences of unsigned times stay right across the 32-bit wrap.
    const DWORD now = timeGetTime();
    const DWORD sinceMark = now - m_progressMark;
    if (sinceMark >= kProgressWindowMs) {
        QeTrace(L"[QE+] QeHttpClient::Execute, fewer than %u bytes arrived in %u ms; the server is given up.\n",
                static_cast<unsigned>(kProgressBytes), static_cast<unsigned>(kProgressWindowMs));
        return false;
    }
    wait = kProgressWindowMs - sinceMark;
    if (m_timeLimit != 0) {
        const DWORD spent = now - m_started;
        if (spent >= m_timeLimit) {
            QeTrace(L"[QE+] QeHttpClient::Execute, the exchange did not end within %u ms; it is given up.\n",
                    static_cast<unsigned>(m_timeLimit));
            return false;
        }
        wait = std::min(wait, m_timeLimit - spent);
    }
    return true;
}

bool QeHttpClient::Receive() {
    char buffer[kChunkSize];
    for (;;) {
        DWORD wait;
        if (!WithinLimits(wait)) return false;
        ws::WSAPOLLFD entry{handle, POLLRDNORM, 0};
        const int ready = ws::WSAPoll(&entry, 1, static_cast<INT>(std::min(wait, kTimeoutMs)));
        if (ready <= 0) {
            // A rule's time ran out while waiting: say which.
            if (ready == 0 && wait < kTimeoutMs) WithinLimits(wait);
            return false;
        }
        const int n = Recv(buffer, sizeof buffer);
        if (n < 0) return false;
        if (n == 0) return m_listener == nullptr || m_listener->OnReceiveComplete();
        m_sinceMark += static_cast<uint32_t>(n);
        if (m_sinceMark >= kProgressBytes) {
            m_progressMark = timeGetTime();
            m_sinceMark = 0;
        }
        const bool hadHead = m_response.HasHead();
        if (!m_response.Append(buffer, static_cast<uint32_t>(n))) return false;
        if (m_listener != nullptr) {
            if (!hadHead && m_response.HasHead()) {
                const std::string length = m_response.HeaderA("Content-Length");
                // A length that is not a number, or a negative one, announces nothing.
                if (!length.empty()) {
                    m_listener->bytesTotal =
                        static_cast<uint32_t>(std::max<LONG>(0, _wtol(QeStrings::AnsiToWide(length).c_str())));
                }
            }
            m_listener->AddDone(static_cast<uint32_t>(n));
            if (!m_listener->OnReceiveProgress(static_cast<uint32_t>(n))) return false;
        }
    }
}

void QeHttpClient::TakeCookies() {
    // Only the first Set-Cookie header of a response is read.
    const std::wstring value = GetHeader(L"Set-Cookie");
    if (!value.empty()) QeHttpParseCookies(value, m_cookies);
}
