// The poll loop, the connections and the test API.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/rand.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

#include "tools/service/ServiceImpl.h"

namespace tevrik_service {

namespace {

// `option` is the program's option for this port, named when the port is taken: a second service
// left running is the usual cause, and a free port is one option away.
int OpenListener(uint16_t port, const char* server, const char* option, uint16_t& bound, std::string& error) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = "socket failed";
        return -1;
    }
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 64) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        const int why = errno;
        const std::string where = std::string("the ") + server + " server's port 127.0.0.1:" + std::to_string(port);
        error = why == EADDRINUSE ? where + " is in use; " + option + " 0 picks a free port"
                                  : where + " cannot be listened on: " + std::strerror(why);
        ::close(fd);
        return -1;
    }
    bound = ntohs(addr.sin_port);
    return fd;
}

std::string FirstToken(std::string_view bytes) {
    size_t end = bytes.find_first_of(" \t\r\n");
    return std::string(bytes.substr(0, end));
}

}  // namespace

std::string RandomHex(size_t bytes) {
    std::vector<unsigned char> raw(bytes);
    if (RAND_bytes(raw.data(), static_cast<int>(raw.size())) != 1) {
        static unsigned long long counter = 0;
        for (auto& b : raw) b = static_cast<unsigned char>(++counter * 131);
    }
    std::string hex;
    char two[3];
    for (unsigned char b : raw) {
        std::snprintf(two, sizeof two, "%02x", b);
        hex += two;
    }
    return hex;
}

std::string NowStamp() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &tm);
    return text;
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::ostringstream s;
    s << file.rdbuf();
    text = s.str();
    return !file.bad();
}

// ---------------------------------------------------------------------------------------------
// Start, stop and the loop

TestService::Impl::~Impl() { Stop(); }

bool TestService::Impl::Start(const ServiceOptions& opts, std::string& error) {
    std::lock_guard<std::mutex> lock(mu);
    if (running) {
        error = "already running";
        return false;
    }
    options = opts;
    if (!dir.Load(options.seedJson, error)) return false;
    if (!MakeTlsIdentity(options.caCertFile, options.caKeyFile, tls, error)) return false;
    // A peer that goes away while we write must not end the whole process.
    struct sigaction current {};
    if (::sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
        ::signal(SIGPIPE, SIG_IGN);
    uint16_t wanted[3] = {options.loginPort, options.sessionPort, options.httpPort};
    const char* const servers[3] = {"login", "session", "upgrade"};
    const char* const portOptions[3] = {"--login-port", "--session-port", "--http-port"};
    for (int i = 0; i < 3; ++i) {
        listeners[i] = OpenListener(wanted[i], servers[i], portOptions[i], ports[i], error);
        if (listeners[i] < 0) {
            for (int j = 0; j < i; ++j) ::close(listeners[j]);
            FreeTlsIdentity(tls);
            return false;
        }
    }
    if (::pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        error = "pipe failed";
        for (int& fd : listeners) ::close(fd);
        FreeTlsIdentity(tls);
        return false;
    }
    defaults = Behaviour{};
    authTokens.clear();
    tickets.clear();
    rooms.clear();
    errorReplies.clear();
    silences.clear();
    memoCodes.clear();
    running = true;
    stopping = false;
    thread = std::thread([this] { Loop(); });
    return true;
}

void TestService::Impl::Stop() {
    {
        std::lock_guard<std::mutex> lock(mu);
        if (!running) return;
        stopping = true;
        Wake();
    }
    thread.join();
    std::lock_guard<std::mutex> lock(mu);
    for (auto& [id, c] : conns) Drop(c);
    conns.clear();
    online.clear();
    for (int& fd : listeners) {
        ::close(fd);
        fd = -1;
    }
    ::close(wake[0]);
    ::close(wake[1]);
    wake[0] = wake[1] = -1;
    FreeTlsIdentity(tls);
    running = false;
    ++changes_;
    cv.notify_all();
}

void TestService::Impl::Wake() {
    if (wake[1] >= 0) {
        char b = 1;
        [[maybe_unused]] ssize_t n = ::write(wake[1], &b, 1);
    }
}

void TestService::Impl::Loop() {
    std::unique_lock<std::mutex> lock(mu);
    std::vector<pollfd> fds;
    std::vector<ConnId> ids;
    while (!stopping) {
        for (auto it = conns.begin(); it != conns.end();) it = it->second.open ? std::next(it) : conns.erase(it);
        auto now = Clock::now();
        fds.clear();
        ids.clear();
        fds.push_back({wake[0], POLLIN, 0});
        for (int fd : listeners) fds.push_back({fd, POLLIN, 0});
        Clock::time_point next = now + Millis(1000);
        for (auto& [id, c] : conns) {
            short events = POLLIN;
            if (c.handshaking) {
                if (c.sslWantsWrite) events |= POLLOUT;
                next = std::min(next, c.handshakeDeadline);
            } else if (c.halfClosed) {
                next = std::min(next, c.closeDeadline);
            } else if (!c.out.empty() && !c.behaviour.held) {
                auto ready = std::max(c.out.front().notBefore, c.nextWrite);
                if (ready <= now) events |= POLLOUT;
                else next = std::min(next, ready);
            }
            fds.push_back({c.fd, events, 0});
            ids.push_back(id);
        }
        int timeout = static_cast<int>(
            std::max<long long>(0, std::chrono::duration_cast<Millis>(next - now).count() + 1));
        lock.unlock();
        ::poll(fds.data(), fds.size(), timeout);
        lock.lock();
        if (stopping) break;
        if (fds[0].revents) {
            char drain[256];
            while (::read(wake[0], drain, sizeof drain) > 0) {
            }
        }
        for (int i = 0; i < 3; ++i)
            if (fds[1 + i].revents & POLLIN) Accept(i);
        now = Clock::now();
        for (size_t i = 0; i < ids.size(); ++i) {
            Connection* c = Find(ids[i]);
            if (!c || !c->open) continue;
            short revents = fds[4 + i].revents;
            if (c->handshaking) {
                if (revents) Handshake(*c);
                else if (now >= c->handshakeDeadline) Drop(*c);
                continue;
            }
            if (revents & (POLLIN | POLLHUP | POLLERR)) ReadFrom(*c);
        }
        for (auto& [id, c] : conns)
            if (c.open && !c.handshaking) Flush(c);
        ++changes_;
        cv.notify_all();
    }
}

void TestService::Impl::Accept(int which) {
    for (;;) {
        int fd = ::accept4(listeners[which], nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        Connection& c = conns[nextConn];
        c.id = nextConn++;
        c.listener = static_cast<Listener>(which);
        c.fd = fd;
        c.behaviour = defaults;
        if (c.listener == Listener::Session) {
            c.ssl = SSL_new(tls.context);
            if (!c.ssl || SSL_set_fd(c.ssl, fd) != 1) {
                DrainSslErrors();
                Drop(c);
                continue;
            }
            c.handshaking = true;
            c.handshakeDeadline = Clock::now() + options.handshakeTimeout;
            Handshake(c);
        }
    }
}

void TestService::Impl::Handshake(Connection& c) {
    int r = SSL_accept(c.ssl);
    if (r == 1) {
        c.handshaking = false;
        c.sslWantsWrite = false;
        ReadFrom(c);  // the client may have sent its first frame with the handshake's last flight
        return;
    }
    int err = SSL_get_error(c.ssl, r);
    if (err == SSL_ERROR_WANT_READ) {
        c.sslWantsWrite = false;
    } else if (err == SSL_ERROR_WANT_WRITE) {
        c.sslWantsWrite = true;
    } else {
        DrainSslErrors();
        Drop(c);
        return;
    }
    if (Clock::now() >= c.handshakeDeadline) Drop(c);
}

void TestService::Impl::ReadFrom(Connection& c) {
    char buffer[16384];
    for (;;) {
        if (!c.open) return;
        long n;
        if (c.ssl) {
            n = SSL_read(c.ssl, buffer, sizeof buffer);
            if (n <= 0) {
                int err = SSL_get_error(c.ssl, static_cast<int>(n));
                if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE) return;
                DrainSslErrors();
                Drop(c);
                return;
            }
        } else {
            n = ::recv(c.fd, buffer, sizeof buffer, 0);
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
            if (n <= 0) {
                Drop(c);
                return;
            }
        }
        if (c.halfClosed) continue;  // nothing more is answered
        c.in.append(buffer, static_cast<size_t>(n));
        Process(c);
    }
}

void TestService::Impl::Process(Connection& c) {
    if (c.listener == Listener::Http) {
        OnHttp(c);
        return;
    }
    while (c.open && !c.closeAfterFlush) {
        size_t length = 0;
        Cut cut = CutFrame(c.in, length);
        if (cut == Cut::NeedMore) return;
        WireFrame frame;
        if (cut == Cut::Bad || !ParseFrame(std::string_view(c.in).substr(0, length), frame)) {
            Drop(c);
            return;
        }
        c.in.erase(0, length);
        Record(c, true, frame.bytes);
        OnFrame(c, frame);
    }
}

void TestService::Impl::Flush(Connection& c) {
    auto now = Clock::now();
    while (c.open && !c.out.empty() && !c.behaviour.held) {
        auto& chunk = c.out.front();
        if (chunk.notBefore > now || c.nextWrite > now) return;
        size_t n = chunk.bytes.size() - c.outOffset;
        if (c.behaviour.splitChunk) n = std::min(n, c.behaviour.splitChunk);
        const char* data = chunk.bytes.data() + c.outOffset;
        long written;
        if (c.ssl) {
            written = n == 0 ? 0 : SSL_write(c.ssl, data, static_cast<int>(n));
            if (n && written <= 0) {
                int err = SSL_get_error(c.ssl, static_cast<int>(written));
                if (err == SSL_ERROR_WANT_WRITE || err == SSL_ERROR_WANT_READ) return;
                DrainSslErrors();
                Drop(c);
                return;
            }
        } else {
            written = n == 0 ? 0 : ::send(c.fd, data, n, MSG_NOSIGNAL);
            if (written < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
                Drop(c);
                return;
            }
        }
        c.outOffset += static_cast<size_t>(written);
        if (c.outOffset >= chunk.bytes.size()) {
            c.out.pop_front();
            c.outOffset = 0;
        }
        if (c.behaviour.splitChunk && c.behaviour.splitGap.count() > 0) {
            c.nextWrite = now + c.behaviour.splitGap;
            return;
        }
    }
    if (c.open && c.out.empty() && c.closeAfterFlush) HalfClose(c);
}

// Closing a socket with unread bytes from the client sends a reset, and the client's system may
// then throw away the last reply (a KILL) before the program reads it: shut the write side, read
// and drop until the client closes, and close for good after two seconds at the most.
void TestService::Impl::HalfClose(Connection& c) {
    auto now = Clock::now();
    if (c.halfClosed) {
        if (now >= c.closeDeadline) Drop(c);
        return;
    }
    if (c.ssl) SSL_shutdown(c.ssl);
    ::shutdown(c.fd, SHUT_WR);
    c.halfClosed = true;
    c.closeDeadline = now + Millis(2000);
}

Connection* TestService::Impl::Find(ConnId id) {
    auto it = conns.find(id);
    return it == conns.end() || !it->second.open ? nullptr : &it->second;
}

void TestService::Impl::Send(Connection& c, std::string bytes) {
    if (!c.open) return;
    Record(c, false, bytes);
    c.out.push_back({std::move(bytes), Clock::now() + c.behaviour.delay});
}

void TestService::Impl::Drop(Connection& c, bool reset) {
    if (!c.open) return;
    c.open = false;
    if (c.signedIn) SignOut(c, true);
    if (reset) {
        linger hard{1, 0};
        ::setsockopt(c.fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    }
    if (c.ssl) {
        SSL_free(c.ssl);
        c.ssl = nullptr;
    }
    ::close(c.fd);
    c.fd = -1;
    c.in.clear();
    c.out.clear();
    ++changes_;
}

void TestService::Impl::Record(const Connection& c, bool fromClient, const std::string& bytes) {
    if (!options.record) return;
    Frame f;
    f.index = frames.size();
    f.conn = c.id;
    f.fromClient = fromClient;
    f.bytes = bytes;
    std::string_view line(bytes);
    line = line.substr(0, line.find('\n'));
    auto tokens = SplitTokens(line);
    if (!tokens.empty()) f.command = tokens[0];
    if (tokens.size() > 1) f.trid = tokens[1];
    if (c.listener != Listener::Http && (f.command == "CRP2" || f.command == "CTOC")) {
        size_t lf = bytes.find('\n');
        f.inner = bytes.substr(lf + 1);
        f.innerCommand = FirstToken(f.inner);
    }
    frames.push_back(std::move(f));
}

bool TestService::Impl::TakeOverride(std::map<std::string, Override>& table, const std::string& key,
                                     int& code) {
    auto it = table.find(key);
    if (it == table.end() || it->second.times == 0) return false;
    code = it->second.code;
    if (it->second.times > 0 && --it->second.times == 0) table.erase(it);
    return true;
}

// ---------------------------------------------------------------------------------------------
// The test API

TestService::TestService() : impl_(std::make_unique<Impl>()) {}
TestService::~TestService() { Stop(); }

bool TestService::Start(const ServiceOptions& options, std::string* error) {
    std::string why;
    bool ok = impl_->Start(options, why);
    if (error) *error = why;
    return ok;
}

void TestService::Stop() { impl_->Stop(); }

uint16_t TestService::LoginPort() const {
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->ports[0];
}
uint16_t TestService::SessionPort() const {
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->ports[1];
}
uint16_t TestService::HttpPort() const {
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->ports[2];
}
std::string TestService::CaCertPem() const {
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->tls.caPem;
}

size_t TestService::FrameCount() const {
    std::lock_guard<std::mutex> lock(impl_->mu);
    return impl_->frames.size();
}

std::vector<Frame> TestService::Frames(size_t from) const {
    std::lock_guard<std::mutex> lock(impl_->mu);
    if (from >= impl_->frames.size()) return {};
    return std::vector<Frame>(impl_->frames.begin() + static_cast<long>(from), impl_->frames.end());
}

std::optional<Frame> TestService::WaitForFrame(const std::function<bool(const Frame&)>& match,
                                               Millis timeout, size_t from) {
    std::unique_lock<std::mutex> lock(impl_->mu);
    std::optional<Frame> found;
    size_t next = from;
    impl_->cv.wait_for(lock, timeout, [&] {
        for (; next < impl_->frames.size(); ++next) {
            if (match(impl_->frames[next])) {
                found = impl_->frames[next];
                return true;
            }
        }
        return false;
    });
    return found;
}

std::optional<Frame> TestService::WaitForClientFrame(ConnId conn, const std::string& command,
                                                     Millis timeout, size_t from) {
    return WaitForFrame(
        [&](const Frame& f) {
            return f.fromClient && (conn == kAllConnections || f.conn == conn) &&
                   (f.command == command || f.innerCommand == command);
        },
        timeout, from);
}

std::vector<ConnectionInfo> TestService::Connections() const {
    std::lock_guard<std::mutex> lock(impl_->mu);
    std::vector<ConnectionInfo> list;
    for (const auto& [id, c] : impl_->conns)
        list.push_back({id, c.listener, c.user, c.signedIn, c.open});
    return list;
}

ConnId TestService::SignedInConnection(const std::string& loginId) const {
    std::lock_guard<std::mutex> lock(impl_->mu);
    auto it = impl_->online.find(LowerAscii(loginId));
    return it == impl_->online.end() ? 0 : it->second;
}

ConnId TestService::WaitForSignIn(const std::string& loginId, Millis timeout) {
    std::unique_lock<std::mutex> lock(impl_->mu);
    ConnId id = 0;
    impl_->cv.wait_for(lock, timeout, [&] {
        auto it = impl_->online.find(LowerAscii(loginId));
        id = it == impl_->online.end() ? 0 : it->second;
        return id != 0;
    });
    return id;
}

bool TestService::WaitForClose(ConnId conn, Millis timeout) {
    std::unique_lock<std::mutex> lock(impl_->mu);
    return impl_->cv.wait_for(lock, timeout, [&] { return impl_->Find(conn) == nullptr; });
}

bool TestService::WaitUntil(const std::function<bool()>& condition, Millis timeout) {
    auto deadline = Clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        auto now = Clock::now();
        if (now >= deadline) return false;
        std::unique_lock<std::mutex> lock(impl_->mu);
        auto seen = impl_->changes_;
        // Conditions may also depend on things outside the service, so look again now and then.
        impl_->cv.wait_until(lock, std::min(deadline, now + Millis(10)),
                             [&] { return impl_->changes_ != seen; });
    }
}

bool TestService::Push(ConnId conn, const std::string& bytes) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    Connection* c = impl_->Find(conn);
    if (!c) return false;
    impl_->Send(*c, bytes);
    impl_->Wake();
    return true;
}

bool TestService::SendPing(ConnId conn, int trid) {
    return Push(conn, Out("PING").Num(trid).Line());
}

bool TestService::SendTick(ConnId conn, const std::string& text) {
    return Push(conn, Out("TICK").Raw("0").Text(text).Line());
}

bool TestService::SendNotice(ConnId conn, const std::string& notice) {
    return Push(conn, Out("SNFY").Raw("0").Text("NOTICE").Text(NowStamp()).Text(notice).Line());
}

bool TestService::SendKill(ConnId conn) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    Connection* c = impl_->Find(conn);
    if (!c) return false;
    impl_->Send(*c, Out("KILL").Raw("0").Text("OTHER").Text("SIGNIN").Raw("N").Num(0).Num(0).Line());
    if (c->signedIn) impl_->SignOut(*c, true);
    c->closeAfterFlush = true;
    impl_->Wake();
    return true;
}

int TestService::SendProfileChange(const std::string& loginId, const std::string& mask,
                                   const std::vector<std::string>& texts) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    User* subject = impl_->dir.Find(loginId);
    if (!subject) return 0;
    auto text = [&](size_t i) { return i < texts.size() ? texts[i] : std::string(); };
    auto on = [&](size_t i) { return i < mask.size() && mask[i] == '1'; };
    if (on(0)) subject->mobile = text(0);
    if (on(1)) subject->profile2 = text(1);
    if (on(2)) subject->profile3 = text(2);
    if (on(3)) subject->profile4 = text(3);
    if (on(5)) subject->birthday = text(5);
    Out line("NPRF");
    line.Raw("0").Text(subject->id).Text(mask);
    for (size_t i = 0; i < 6; ++i) line.Text(i == 4 ? (text(4) == "Y" ? "Y" : "N") : text(i));
    int told = 0;
    for (auto& [id, conn] : impl_->online) {
        Connection* c = impl_->Find(conn);
        User* viewer = c ? impl_->dir.Find(c->user) : nullptr;
        if (!viewer || viewer == subject) continue;
        RosterEntry* e = impl_->dir.EntryFor(*viewer, subject->id);
        if (e && (e->flags & kForward)) {
            impl_->Send(*c, line.Line());
            ++told;
        }
    }
    impl_->Wake();
    return told;
}

void TestService::SetUpgradeAnswer(char answer) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->options.upgradeAnswer = answer;
}
void TestService::SetUpgradeMessage(const std::string& message) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->upgradeMessage = message;
}
void TestService::SetUpgradePackage(const std::string& bytes) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->upgradePackage = bytes;
}
void TestService::SetListPartSize(size_t bytes) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->options.listPartSize = bytes;
}
void TestService::SetMemoPartSize(size_t bytes) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->options.memoPartSize = bytes;
}

namespace {
template <class F> void ForBehaviour(TestService::Impl& impl, ConnId conn, F change) {
    std::lock_guard<std::mutex> lock(impl.mu);
    if (conn == kAllConnections) {
        change(impl.defaults);
        for (auto& [id, c] : impl.conns) change(c.behaviour);
    } else if (Connection* c = impl.Find(conn)) {
        change(c->behaviour);
    }
    impl.Wake();
}
}  // namespace

void TestService::SetAnswerPong(ConnId conn, bool answer) {
    ForBehaviour(*impl_, conn, [&](Behaviour& b) { b.answerPong = answer; });
}
void TestService::SetSplitWrites(ConnId conn, size_t chunk, Millis gap) {
    ForBehaviour(*impl_, conn, [&](Behaviour& b) {
        b.splitChunk = chunk;
        b.splitGap = gap;
    });
}
void TestService::SetDelay(ConnId conn, Millis delay) {
    ForBehaviour(*impl_, conn, [&](Behaviour& b) { b.delay = delay; });
}
void TestService::SetHeld(ConnId conn, bool held) {
    ForBehaviour(*impl_, conn, [&](Behaviour& b) { b.held = held; });
}

bool TestService::CloseConnection(ConnId conn) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    Connection* c = impl_->Find(conn);
    if (!c) return false;
    impl_->Drop(*c);
    impl_->cv.notify_all();
    impl_->Wake();
    return true;
}

bool TestService::ResetConnection(ConnId conn) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    Connection* c = impl_->Find(conn);
    if (!c) return false;
    impl_->Drop(*c, true);
    impl_->cv.notify_all();
    impl_->Wake();
    return true;
}

void TestService::SetErrorReply(const std::string& command, int code, int times) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->errorReplies[command] = {code, times};
}

void TestService::SetNoReply(const std::string& command, int times) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->silences[command] = {0, times};
}

void TestService::SetMemoResultCode(const std::string& kind, int code, int times) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->memoCodes[kind] = {code, times};
}

void TestService::SetHandshakeTimeout(Millis timeout) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->options.handshakeTimeout = timeout;
}

void TestService::WithDirectory(const std::function<void(Directory&)>& f) {
    std::lock_guard<std::mutex> lock(impl_->mu);
    f(impl_->dir);
}

std::string TestService::PresenceOf(const std::string& loginId) const {
    std::lock_guard<std::mutex> lock(impl_->mu);
    return std::string(1, impl_->Presence(loginId));
}

}  // namespace tevrik_service
