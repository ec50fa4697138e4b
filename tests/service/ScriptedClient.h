// A scripted client for the service's tests: plain sockets and OpenSSL, its own frame cutting, and
// lines written by hand. It shares no code with the service or with the messenger client.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/service/TestService.h"

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;

namespace service_test {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;

class ScriptedClient {
public:
    ScriptedClient() = default;
    ~ScriptedClient();
    ScriptedClient(const ScriptedClient&) = delete;
    ScriptedClient& operator=(const ScriptedClient&) = delete;

    bool Connect(uint16_t port);                                // plain TCP
    bool ConnectTls(uint16_t port, const std::string& caPem);   // TLS, verifying 127.0.0.1
    bool ConnectRaw(uint16_t port);                             // TCP to any port, no TLS yet
    bool Send(const std::string& bytes);
    // The next whole frame the service sent (a line, or a payload line and its payload).
    std::optional<std::string> Next(Millis timeout = 5000ms);
    // Skips frames until one starts with the prefix; the skipped ones stay readable through Skipped().
    std::optional<std::string> NextStartingWith(const std::string& prefix, Millis timeout = 5000ms);
    // True once the service has closed (or reset) the connection; frames still buffered are dropped.
    bool WaitClosed(Millis timeout = 5000ms);
    // Everything the service sends until it closes; nothing when it does not close in time.
    std::optional<std::string> ReadToClose(Millis timeout = 5000ms);
    void Close();
    int Fd() const { return fd_; }
    std::vector<std::string>& Skipped() { return skipped_; }

private:
    bool ReadSome(Millis timeout);  // false on close, error or time-out
    std::optional<std::string> Cut();

    int fd_ = -1;
    SSL_CTX* ctx_ = nullptr;
    SSL* ssl_ = nullptr;
    std::string in_;
    bool closed_ = false;
    std::vector<std::string> skipped_;
};

// The line's tokens (split at single spaces, CR LF removed).
std::vector<std::string> Tokens(const std::string& frame);
// The bytes after the first LF.
std::string PayloadOf(const std::string& frame);
std::string Md5Hex(const std::string& text);
// "CRP2 <trid> <route> <target> <count>\r\n" + inner, put together by hand.
std::string Crp2(const std::string& trid, const std::string& route, const std::string& target,
                 const std::string& inner);

// Walks the whole sign-in road by hand and leaves `session` signed in on the TLS connection.
// Returns the LIN2 reply (or the error line) for the caller to check; empty on a transport failure.
std::string SignIn(tevrik_service::TestService& service, ScriptedClient& session, const std::string& id,
                   const std::string& password, const std::string& letter = "O");

// The small seed most tests start from.
extern const char kSmallSeed[];

// Starts a service on free ports with the seed; fails the test when it does not start.
void StartService(tevrik_service::TestService& service, const std::string& seed = kSmallSeed);

}  // namespace service_test
