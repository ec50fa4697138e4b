// A thin wrapper of one Winsock TCP socket; the base of the TCP peer's socket and of the HTTP client.
#pragma once

#include "platform/net/winsock.h"

class QeSocketAddress;

class QeSocket {
public:
    QeSocket();           // no socket; WSAStartup 2.2
    virtual ~QeSocket();  // closesocket when open, then WSACleanup
    QeSocket(const QeSocket&) = delete;
    QeSocket& operator=(const QeSocket&) = delete;

    // The send and receive time-out of every socket, in ms.
    static constexpr DWORD kTimeoutMs = 10000;

    // A new IPv4 stream socket (an open one is closed first) with kTimeoutMs send and receive
    // time-outs. False when no socket could be made.
    bool Create();
    bool SetNonBlocking();
    // True when connected, and also while a non-blocking connect is under way (WSAEWOULDBLOCK).
    bool Connect(const QeSocketAddress& address);
    // The raw results of send and recv (flags 0): a count, 0, or -1 with ws::WSAGetLastError.
    int Send(const void* bytes, int n);
    int Recv(void* buffer, int n);
    void Close();

    ws::SOCKET handle = ws::INVALID_SOCKET;
};
