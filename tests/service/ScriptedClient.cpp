#include "tests/service/ScriptedClient.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>

namespace service_test {

using Clock = std::chrono::steady_clock;

const char kSmallSeed[] = R"({
  "users": [
    {"id": "a@tevrik.example", "password": "pa", "name": "가나다", "nickname": "가",
     "groups": [{"id": "0", "name": "친구"}, {"id": "1", "name": "회사"}],
     "buddies": [{"id": "b@tevrik.example", "group": "0"}]},
    {"id": "b@tevrik.example", "password": "pb", "name": "Bee Park", "nickname": "Bee",
     "groups": [{"id": "0", "name": "Friends"}],
     "buddies": [{"id": "a@tevrik.example", "group": "0"}]},
    {"id": "c@tevrik.example", "password": "pc", "name": "Cee", "nickname": "C",
     "groups": [{"id": "0", "name": "Friends"}]},
    {"id": "d@other.example", "password": "pd", "name": "Dee", "nickname": "D",
     "groups": [{"id": "0", "name": "Friends"}]}
  ]
})";

ScriptedClient::~ScriptedClient() { Close(); }

void ScriptedClient::Close() {
    if (ssl_) SSL_free(ssl_);
    if (ctx_) SSL_CTX_free(ctx_);
    if (fd_ >= 0) ::close(fd_);
    ssl_ = nullptr;
    ctx_ = nullptr;
    fd_ = -1;
    in_.clear();
    closed_ = false;
}

bool ScriptedClient::ConnectRaw(uint16_t port) {
    Close();
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return false;
    int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
    return true;
}

bool ScriptedClient::Connect(uint16_t port) { return ConnectRaw(port); }

bool ScriptedClient::ConnectTls(uint16_t port, const std::string& caPem) {
    if (!ConnectRaw(port)) return false;
    ctx_ = SSL_CTX_new(TLS_client_method());
    BIO* bio = BIO_new_mem_buf(caPem.data(), static_cast<int>(caPem.size()));
    X509* ca = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    if (!ctx_ || !ca || X509_STORE_add_cert(SSL_CTX_get_cert_store(ctx_), ca) != 1) {
        X509_free(ca);
        return false;
    }
    X509_free(ca);
    SSL_CTX_set_verify(ctx_, SSL_VERIFY_PEER, nullptr);
    ssl_ = SSL_new(ctx_);
    SSL_set_fd(ssl_, fd_);
    X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), "127.0.0.1");
    auto deadline = Clock::now() + 5s;
    for (;;) {
        int r = SSL_connect(ssl_);
        if (r == 1) return true;
        int err = SSL_get_error(ssl_, r);
        if ((err != SSL_ERROR_WANT_READ && err != SSL_ERROR_WANT_WRITE) || Clock::now() > deadline) {
            ERR_clear_error();
            return false;
        }
        pollfd p{fd_, static_cast<short>(err == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT), 0};
        ::poll(&p, 1, 100);
    }
}

bool ScriptedClient::Send(const std::string& bytes) {
    size_t done = 0;
    auto deadline = Clock::now() + 10s;
    while (done < bytes.size()) {
        long n;
        if (ssl_) {
            n = SSL_write(ssl_, bytes.data() + done, static_cast<int>(bytes.size() - done));
            if (n <= 0) {
                int err = SSL_get_error(ssl_, static_cast<int>(n));
                if (err != SSL_ERROR_WANT_WRITE && err != SSL_ERROR_WANT_READ) return false;
                n = 0;
            }
        } else {
            n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n < 0) {
                if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
                n = 0;
            }
        }
        done += static_cast<size_t>(n);
        if (done < bytes.size()) {
            if (Clock::now() > deadline) return false;
            pollfd p{fd_, POLLOUT, 0};
            ::poll(&p, 1, 50);
        }
    }
    return true;
}

bool ScriptedClient::ReadSome(Millis timeout) {
    if (fd_ < 0 || closed_) return false;
    char buffer[16384];
    auto deadline = Clock::now() + timeout;
    for (;;) {
        long n;
        if (ssl_) {
            n = SSL_read(ssl_, buffer, sizeof buffer);
            if (n <= 0) {
                int err = SSL_get_error(ssl_, static_cast<int>(n));
                if (err != SSL_ERROR_WANT_READ && err != SSL_ERROR_WANT_WRITE) {
                    ERR_clear_error();
                    closed_ = true;
                    return false;
                }
                n = -1;
            }
        } else {
            n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {
                closed_ = true;
                return false;
            }
        }
        if (n > 0) {
            in_.append(buffer, static_cast<size_t>(n));
            return true;
        }
        auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        pollfd p{fd_, POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(left));
    }
}

// Frames are cut here on their own terms: a line, and for the commands that carry a payload, as
// many bytes as the line's last token says.
std::optional<std::string> ScriptedClient::Cut() {
    size_t lf = in_.find('\n');
    if (lf == std::string::npos) return std::nullopt;
    std::string command = in_.substr(0, std::min(in_.find(' '), lf));
    size_t length = lf + 1;
    static const std::vector<std::string> kPayload = {"CMSG", "CRP2", "CSES", "CTOC", "LIN2", "LSTA", "MVBG", "WGET"};
    if (std::find(kPayload.begin(), kPayload.end(), command) != kPayload.end()) {
        size_t end = lf;
        if (end > 0 && in_[end - 1] == '\r') --end;
        size_t sp = in_.rfind(' ', end);
        length += std::stoul(in_.substr(sp + 1, end - sp - 1));
        if (in_.size() < length) return std::nullopt;
    }
    std::string frame = in_.substr(0, length);
    in_.erase(0, length);
    return frame;
}

std::optional<std::string> ScriptedClient::Next(Millis timeout) {
    auto deadline = Clock::now() + timeout;
    for (;;) {
        if (auto frame = Cut()) return frame;
        auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now());
        if (left.count() <= 0 || !ReadSome(left)) return Cut();
    }
}

std::optional<std::string> ScriptedClient::NextStartingWith(const std::string& prefix, Millis timeout) {
    auto deadline = Clock::now() + timeout;
    for (;;) {
        auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now());
        auto frame = Next(std::max(left, Millis(0)));
        if (!frame) return std::nullopt;
        if (frame->rfind(prefix, 0) == 0) return frame;
        skipped_.push_back(*frame);
    }
}

bool ScriptedClient::WaitClosed(Millis timeout) {
    auto deadline = Clock::now() + timeout;
    while (!closed_) {
        in_.clear();
        auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        ReadSome(left);
    }
    return true;
}

std::optional<std::string> ScriptedClient::ReadToClose(Millis timeout) {
    auto deadline = Clock::now() + timeout;
    while (!closed_) {
        auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now());
        if (left.count() <= 0) return std::nullopt;
        ReadSome(left);
    }
    std::string all;
    all.swap(in_);
    return all;
}

std::vector<std::string> Tokens(const std::string& frame) {
    std::string line = frame.substr(0, frame.find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> tokens;
    size_t start = 0;
    for (;;) {
        size_t sp = line.find(' ', start);
        tokens.push_back(line.substr(start, sp == std::string::npos ? sp : sp - start));
        if (sp == std::string::npos) break;
        start = sp + 1;
    }
    return tokens;
}

std::string PayloadOf(const std::string& frame) {
    size_t lf = frame.find('\n');
    return lf == std::string::npos ? std::string() : frame.substr(lf + 1);
}

std::string Crp2(const std::string& trid, const std::string& route, const std::string& target,
                 const std::string& inner) {
    return "CRP2 " + trid + " " + route + " " + target + " " + std::to_string(inner.size()) + "\r\n" + inner;
}

std::string Md5Hex(const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(text.data(), text.size(), digest, &size, EVP_md5(), nullptr);
    std::string hex;
    char two[3];
    for (unsigned int i = 0; i < size; ++i) {
        std::snprintf(two, sizeof two, "%02x", digest[i]);
        hex += two;
    }
    return hex;
}

std::string SignIn(tevrik_service::TestService& service, ScriptedClient& session, const std::string& id,
                   const std::string& password, const std::string& letter) {
    ScriptedClient login;
    if (!login.Connect(service.LoginPort())) return {};
    login.Send("PVER 1 1.0.2 2.0 ko.wm\r\n");
    if (!login.Next()) return {};
    login.Send("AUTH 2 MD5\r\n");
    auto auth = login.Next();
    if (!auth) return {};
    login.Send("REQS 3 " + Tokens(*auth)[2] + " " + id + "\r\n");
    auto reqs = login.Next();
    if (!reqs || Tokens(*reqs).size() != 6) return {};
    auto t = Tokens(*reqs);
    login.Close();
    if (!session.ConnectTls(static_cast<uint16_t>(std::stoi(t[4])), service.CaCertPem())) return {};
    std::string lower = id;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    std::string part = id.substr(0, lower.find("@tevrik.example"));
    std::string payload = t[5] + "\r\n" + Md5Hex(password + part) +
                          " MD5 1.0.2 ko.wm 0123456789abcdef0123456789abcdef N %00 %00\r\n" + letter +
                          " N N\r\n%00\r\n";
    session.Send("LIN2 4 " + id + " " + std::to_string(payload.size()) + "\r\n" + payload);
    auto reply = session.Next();
    return reply ? *reply : std::string();
}

void StartService(tevrik_service::TestService& service, const std::string& seed) {
    tevrik_service::ServiceOptions options;
    options.seedJson = seed;
    std::string error;
    ASSERT_TRUE(service.Start(options, &error)) << error;
}

}  // namespace service_test
