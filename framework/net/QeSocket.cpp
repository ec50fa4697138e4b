#include "framework/net/QeSocket.h"

#include "framework/net/QeSocketAddress.h"

QeSocket::QeSocket() {
    ws::WSADATA data;
    ws::WSAStartup(ws::MakeWord(2, 2), &data);
}

QeSocket::~QeSocket() {
    Close();
    ws::WSACleanup();
}

bool QeSocket::Create() {
    Close();
    handle = ws::socket(AF_INET, SOCK_STREAM, 0);
    if (handle == ws::INVALID_SOCKET) return false;
    DWORD timeout = kTimeoutMs;
    ws::setsockopt(handle, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    ws::setsockopt(handle, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    return true;
}

bool QeSocket::SetNonBlocking() {
    ws::u_long on = 1;
    return ws::ioctlsocket(handle, FIONBIO, &on) == 0;
}

bool QeSocket::Connect(const QeSocketAddress& address) {
    if (ws::connect(handle, reinterpret_cast<const ws::SOCKADDR*>(&address.address), sizeof address.address) == 0)
        return true;
    return ws::WSAGetLastError() == ws::WSAEWOULDBLOCK;
}

int QeSocket::Send(const void* bytes, int n) { return ws::send(handle, static_cast<const char*>(bytes), n, 0); }

int QeSocket::Recv(void* buffer, int n) { return ws::recv(handle, static_cast<char*>(buffer), n, 0); }

void QeSocket::Close() {
    if (handle != ws::INVALID_SOCKET) ws::closesocket(handle);
    handle = ws::INVALID_SOCKET;
}
