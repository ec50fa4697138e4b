// A small HTTP server for the client's tests: plain POSIX sockets on 127.0.0.1 with a port the
// kernel picks, served on its own thread. Each connection carries one request (head, and as many
// body bytes as its Content-Length says); the test's handler answers with the raw response bytes,
// which are sent whole before the server closes the connection.
#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/Loopback.h"

namespace testhttp {

struct Request {
    std::string head;  // up to and including the empty line
    std::string body;
    std::string line;  // the request line without CR LF
    std::string path;  // the second word of the request line

    // The value of the first header line named so (exact case), trimmed of the blank after ":".
    std::string Header(const std::string& name) const {
        const std::string key = "\r\n" + name + ":";
        const size_t at = head.find(key);
        if (at == std::string::npos) return std::string();
        size_t start = at + key.size();
        while (start < head.size() && head[start] == ' ') ++start;
        return head.substr(start, head.find("\r\n", start) - start);
    }
};

struct Response {
    std::string bytes;
    bool reset = false;  // close with an RST after sending
    // When not 0, the bytes go out `piece` at a time, and before each piece `between` is called
    // with the count sent so far (a slow server; it stops when the client has gone).
    size_t piece = 0;
    std::function<void(size_t sent)> between;
};

using Handler = std::function<Response(const Request&, int index)>;

inline Response Reply(const std::string& bytes) {
    Response response;
    response.bytes = bytes;
    return response;
}

class Server {
public:
    explicit Server(Handler handler) : m_handler(std::move(handler)) {
        m_thread = std::thread([this] { Run(); });
    }
    ~Server() {
        m_stop = true;
        m_thread.join();
    }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    bool Valid() const { return m_listener.fd() >= 0; }
    uint16_t Port() const { return m_listener.Port(); }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(Port()); }

    std::vector<Request> Requests() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }
    size_t Count() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests.size();
    }

private:
    void Run() {
        while (!m_stop) {
            // Short slices, so the destructor's stop is seen soon.
            const int fd = m_listener.Accept(50);
            if (fd < 0) continue;
            Serve(fd);
        }
    }

    void Serve(int fd) {
        Request request;
        std::string in;
        char buffer[16384];
        size_t headEnd = std::string::npos;
        size_t want = 0;
        for (;;) {
            if (headEnd != std::string::npos && in.size() >= headEnd + want) break;
            if (!testnet::WaitFor(fd, POLLIN, 10000)) break;
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            in.append(buffer, static_cast<size_t>(n));
            if (headEnd == std::string::npos && (headEnd = in.find("\r\n\r\n")) != std::string::npos) {
                headEnd += 4;
                request.head = in.substr(0, headEnd);
                const std::string length = request.Header("Content-Length");
                want = length.empty() ? 0 : std::strtoul(length.c_str(), nullptr, 10);
            }
        }
        if (headEnd == std::string::npos) {
            testnet::CloseFd(fd);
            return;
        }
        request.body = in.substr(headEnd);
        request.line = request.head.substr(0, request.head.find("\r\n"));
        const size_t first = request.line.find(' ');
        const size_t second = request.line.find(' ', first + 1);
        if (first != std::string::npos) request.path = request.line.substr(first + 1, second - first - 1);
        int index;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            index = static_cast<int>(m_requests.size());
            m_requests.push_back(request);
        }
        const Response response = m_handler(request, index);
        if (response.piece == 0) {
            testnet::SendAll(fd, response.bytes);
        } else {
            for (size_t at = 0; at < response.bytes.size(); at += response.piece) {
                if (response.between) response.between(at);
                if (!testnet::SendAll(fd, response.bytes.substr(at, response.piece))) break;
            }
        }
        if (response.reset) {
            testnet::Reset(fd);
        } else {
            testnet::CloseFd(fd);
        }
    }

    Handler m_handler;
    testnet::Listener m_listener;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<Request> m_requests;
    std::thread m_thread;
};

}  // namespace testhttp
