// A TLS client connection over the TCP peer's connected, non-blocking socket (OpenSSL 3).
//
// Modes: 0 plain (no TLS); 1, 2 and 3 are kept as numbers for callers, and all three mean TLS 1.2
// or newer (the older protocols they once named are gone from the library or refused by it).
//
// The server must prove itself: its chain is checked against the default trust store (which also
// honours SSL_CERT_FILE and SSL_CERT_DIR) and its certificate must name the host the peer connected
// to, as a DNS name or an IPv4 address; names are also sent as SNI. A handshake that fails or runs
// out of time leaves no connection, so nothing can ever be written to an unverified channel.
//
// All bytes go through the ws:: socket calls, so the socket's event records (FD_READ re-armed by a
// read, FD_WRITE after a send that would block) stay right while TLS reads and writes.
#pragma once

#include <string>

#include "platform/win_types.h"
#include "platform/net/winsock.h"

struct ssl_method_st;
struct ssl_ctx_st;
struct ssl_st;

class QeSslChannel {
public:
    static constexpr DWORD kDefaultTimeout = 10000;

    QeSslChannel();
    virtual ~QeSslChannel();  // Free
    QeSslChannel(const QeSslChannel&) = delete;
    QeSslChannel& operator=(const QeSslChannel&) = delete;

    // Stores the mode; 1, 2 and 3 also choose the TLS client method. Any other mode leaves the
    // method as it was.
    void SetMode(int mode);
    int Mode() const { return m_mode; }

    // The handshake's time-out in milliseconds (10000 unless changed).
    void SetTimeout(DWORD milliseconds) { m_timeout = milliseconds; }
    DWORD Timeout() const { return m_timeout; }

    // Runs the client handshake on the connected socket, waiting for the socket (not sleeping)
    // while the library wants to read or write, until the time-out. `host` is the text the peer
    // connected to. True once the connection is established and verified. On false the error is
    // left for ws::WSAGetLastError: WSAETIMEDOUT when the time ran out, WSAECONNABORTED when the
    // handshake or the verification failed, WSAEINVAL without a TLS mode or host; nothing is kept.
    bool Handshake(ws::SOCKET socket, const std::wstring& host);

    // SSL_write and SSL_read with the Winsock convention: the count, 0 for a closed connection
    // (Read), or -1 with the error for ws::WSAGetLastError: WSAEWOULDBLOCK when the socket must be
    // waited for, WSAENOTCONN without an established connection, or the connection's error.
    // Write offers the bytes record after record until the socket would block, so one call takes
    // as much as the socket can hold.
    int Write(const void* bytes, int n);
    int Read(void* buffer, int n);

    // Frees the connection and the context.
    void Free();

    // True from a successful handshake until Free or the next handshake.
    bool IsEstablished() const { return m_established; }

private:
    DWORD m_timeout = kDefaultTimeout;
    int m_mode = 0;
    const ssl_method_st* m_method = nullptr;
    ssl_ctx_st* m_context = nullptr;
    ssl_st* m_connection = nullptr;
    bool m_established = false;
};
