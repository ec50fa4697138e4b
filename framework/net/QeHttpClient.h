// One HTTP/1.x exchange at a time, blocking, on the calling thread: connect, send the request and
// its body, read until the server closes, then follow redirects and keep cookies. A listener
// hears of each phase and of the bytes moved, and ends the exchange by answering false.
//
// Since the calling thread is blocked meanwhile, a server must keep the exchange moving: each read
// waits at most the socket's kTimeoutMs, every request must bring kProgressBytes within
// kProgressWindowMs (counted from its start, then from each time the last kProgressBytes were
// complete), and the caller may bound the whole of Execute. Time is timeGetTime's, so the test clock steers these limits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/net/QeHttpRequest.h"
#include "framework/net/QeHttpResponse.h"
#include "framework/net/QeSocket.h"
#include "framework/net/QeUrl.h"

class QeHttpListener {
public:
    virtual ~QeHttpListener() = default;
    virtual bool OnConnecting() { return true; }
    virtual bool OnConnected() { return true; }
    virtual bool OnUploadProgress(uint32_t sent) {
        (void)sent;
        return true;
    }
    virtual bool OnRequestSent() { return true; }
    virtual bool OnReceiveProgress(uint32_t received) {
        (void)received;
        return true;
    }
    virtual bool OnReceiveComplete() { return true; }

    void AddDone(uint32_t n) { bytesDone += n; }

    // While sending: the body's bytes. While receiving: the Content-Length, 0 when the response
    // announces none.
    uint32_t bytesDone = 0;
    uint32_t bytesTotal = 0;
};

class QeHttpClient : public QeSocket {
public:
    // Redirects followed in a row; one more makes the exchange fail.
    static constexpr int kMaxRedirects = 10;
    // A received block, and a block of a file being sent.
    static constexpr int kChunkSize = 8192;
    // A live download brings this much in this time; a trickle does not, and is given up.
    static constexpr uint32_t kProgressBytes = 1024;
    static constexpr DWORD kProgressWindowMs = 30000;

    QeHttpClient();
    ~QeHttpClient() override;

    // One exchange, with its redirects. True when a response with a complete head arrived,
    // whatever its status; the socket is closed again either way. Failures: the socket, the host,
    // the connect, a short send, a file field that cannot be read, a receive error or time-out, a
    // listener's false, a response past QeHttpResponse::kMaxBytes, a response without a complete
    // head, a body shorter than its Content-Length (status and bytes stay readable), a redirect
    // without a usable location, and more than kMaxRedirects redirects.
    bool Execute(const QeUrl& url);

    // The body of the last response: the bytes after its head; null and 0 while the head is
    // incomplete.
    const uint8_t* GetBody() const { return m_response.Body(); }
    uint32_t GetBodyLength() const { return m_response.BodyLength(); }
    // A header of the last response, from the ANSI code page; empty when absent.
    std::wstring GetHeader(const std::wstring& name) const;

    // The status of the last response, 0 before one was read.
    int32_t Status() const { return m_status; }
    std::vector<QeHttpCookie>& Cookies() { return m_cookies; }
    std::vector<QeHttpFormField>& FormFields() { return m_fields; }
    QeHttpRequest& Request() { return m_request; }
    const QeMemoryWriter& RawResponse() const { return m_response.Raw(); }

    void SetFollowRedirects(bool follow) { m_followRedirects = follow; }
    void SetKeepCookies(bool keep) { m_keepCookies = keep; }
    // Not owned; null for none.
    void SetListener(QeHttpListener* listener) { m_listener = listener; }
    // Bounds the whole of each Execute, redirects included, to this many ms; 0 (the default): no
    // bound beyond the progress rule.
    void SetTimeLimit(DWORD ms) { m_timeLimit = ms; }

private:
    bool ExecuteHop(const QeUrl& url, int redirects);
    bool Exchange(const QeUrl& url);
    bool SendText(const std::wstring& text);
    bool SendBytes(const void* bytes, uint32_t n);
    bool SendBody();
    bool SendFile(const std::wstring& path);
    bool Receive();
    // False (traced) when the exchange broke a time rule; else how long it may wait for bytes now.
    bool WithinLimits(DWORD& wait) const;
    void TakeCookies();

    bool m_followRedirects = true;
    bool m_keepCookies = true;
    std::vector<QeHttpCookie> m_cookies;
    std::vector<QeHttpFormField> m_fields;
    QeHttpRequest m_request;
    QeHttpResponse m_response;
    int32_t m_status = 0;
    QeHttpListener* m_listener = nullptr;
    DWORD m_timeLimit = 0;
    DWORD m_started = 0;        // when Execute began
    DWORD m_progressMark = 0;   // when the request began, or the last kProgressBytes were complete
    uint32_t m_sinceMark = 0;   // bytes received since then
};
