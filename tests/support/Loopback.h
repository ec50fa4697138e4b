// Plain POSIX helpers for network tests: a listening socket on 127.0.0.1 with a port the kernel
// picks, and bounded waits on the accepted side. Every wait has a bound and reports failure instead
// of hanging.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace testnet {

class Listener {
public:
    Listener();  // 127.0.0.1, port chosen by the kernel; fd() < 0 when that failed
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    int fd() const { return fd_; }
    std::uint16_t Port() const { return port_; }
    // The next connection, or -1 when none came within the bound.
    int Accept(int timeoutMs = 10000);
    void Close();

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

// A port on 127.0.0.1 that had no listener a moment ago (bound, read and released).
std::uint16_t FreePort();

// True when poll reports any of the events within the bound.
bool WaitFor(int fd, short events, int timeoutMs = 10000);
bool SendAll(int fd, const void* bytes, std::size_t n);
bool SendAll(int fd, const std::string& text);
// Reads exactly n bytes, waiting at most timeoutMs for each piece.
bool RecvExactly(int fd, void* buffer, std::size_t n, int timeoutMs = 10000);
// Reads until the remote side closes; false on error or when the bound passes first.
bool RecvUntilClosed(int fd, std::string& out, int timeoutMs = 10000);
// Closes with an RST instead of a FIN.
void Reset(int fd);
void CloseFd(int fd);
void SetReceiveBuffer(int fd, int bytes);

// Bytes 0..n-1 of a pattern that shows both loss and reordering.
std::string Pattern(std::size_t n, unsigned seed = 1);

}  // namespace testnet
