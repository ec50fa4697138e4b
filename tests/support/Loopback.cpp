#include "tests/support/Loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace testnet {

namespace {

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

}  // namespace

Listener::Listener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return;
    sockaddr_in a = Loopback(0);
    socklen_t length = sizeof a;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 16) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
        Close();
        return;
    }
    port_ = ntohs(a.sin_port);
}

Listener::~Listener() { Close(); }

int Listener::Accept(int timeoutMs) {
    if (fd_ < 0 || !WaitFor(fd_, POLLIN, timeoutMs)) return -1;
    return ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
}

void Listener::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::uint16_t FreePort() {
    Listener probe;
    return probe.Port();
}

bool WaitFor(int fd, short events, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() < 0) return false;
        pollfd p{fd, events, 0};
        int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready > 0) return (p.revents & (events | POLLERR | POLLHUP)) != 0;
        if (ready == 0) return false;
        if (errno != EINTR) return false;
    }
}

bool SendAll(int fd, const void* bytes, std::size_t n) {
    const char* p = static_cast<const char*>(bytes);
    while (n > 0) {
        ssize_t sent = ::send(fd, p, n, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN && WaitFor(fd, POLLOUT)) continue;
            return false;
        }
        p += sent;
        n -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool SendAll(int fd, const std::string& text) { return SendAll(fd, text.data(), text.size()); }

bool RecvExactly(int fd, void* buffer, std::size_t n, int timeoutMs) {
    char* p = static_cast<char*>(buffer);
    while (n > 0) {
        if (!WaitFor(fd, POLLIN, timeoutMs)) return false;
        ssize_t got = ::recv(fd, p, n, MSG_DONTWAIT);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0) return false;
        p += got;
        n -= static_cast<std::size_t>(got);
    }
    return true;
}

bool RecvUntilClosed(int fd, std::string& out, int timeoutMs) {
    char buffer[65536];
    for (;;) {
        if (!WaitFor(fd, POLLIN, timeoutMs)) return false;
        ssize_t got = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        out.append(buffer, static_cast<std::size_t>(got));
    }
}

void Reset(int fd) {
    linger l{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    ::close(fd);
}

void CloseFd(int fd) {
    if (fd >= 0) ::close(fd);
}

void SetReceiveBuffer(int fd, int bytes) { ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes); }

std::string Pattern(std::size_t n, unsigned seed) {
    std::string out(n, '\0');
    std::uint32_t x = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < n; ++i) {
        x = x * 1664525u + 1013904223u;
        out[i] = static_cast<char>(x >> 24);
    }
    return out;
}

}  // namespace testnet
