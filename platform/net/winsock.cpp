#include "platform/net/winsock.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace ws {

namespace {

thread_local int t_lastError = 0;
std::atomic<int> g_enumFailures{0};
std::atomic<int> g_enumFailure{0};
std::atomic<int> g_sendFailure{0};

int Fail(int error) {
    t_lastError = error;
    return SOCKET_ERROR;
}

// A manual-reset event. The doorbell (an eventfd) wakes waiters whenever the event is signalled or
// the set of things they should watch changed; the signalled state itself is the flag.
struct Event {
    int doorbell = -1;
    bool signalled = false;
};

// What WSAEventSelect attached to one socket.
struct Selection {
    enum class State { Idle, Connecting, Connected, Finished };
    SOCKET fd = INVALID_SOCKET;
    Event* event = nullptr;
    long mask = 0;
    State state = State::Idle;
    bool readArmed = true;
    bool writeArmed = false;
    bool closeReported = false;
    bool closed = false;  // closesocket ran; a waiter still holding the record ignores it
    int endedBy = 0;      // the error a read or write took from the socket (a reset), for FD_CLOSE
    long pending = 0;
    int errors[FD_MAX_EVENTS] = {};
};

struct Registry {
    std::mutex lock;
    std::unordered_set<Event*> events;
    std::unordered_map<SOCKET, std::shared_ptr<Selection>> selections;
    int startups = 0;
};

Registry& Reg() {
    static Registry* registry = new Registry;  // never destroyed: sockets may close during exit
    return *registry;
}

void Ring(Event& e) {
    std::uint64_t one = 1;
    ssize_t ignored = ::write(e.doorbell, &one, sizeof one);
    (void)ignored;
}

void Drain(Event& e) {
    std::uint64_t count;
    while (::read(e.doorbell, &count, sizeof count) > 0) {
    }
}

void Signal(Event& e) {
    if (!e.signalled) {
        e.signalled = true;
        Ring(e);
    }
}

Event* FindEvent(Registry& reg, WSAEVENT handle) {
    auto* e = static_cast<Event*>(handle);
    return reg.events.count(e) ? e : nullptr;
}

// Runs action on the event behind handle with the registry locked; an unknown handle fails with
// WSA_INVALID_HANDLE and runs nothing.
template <class Action>
BOOL WithEvent(WSAEVENT handle, Action&& action) {
    Registry& reg = Reg();
    std::lock_guard<std::mutex> guard(reg.lock);
    Event* e = FindEvent(reg, handle);
    if (!e) {
        Fail(WSA_INVALID_HANDLE);
        return FALSE;
    }
    action(reg, *e);
    return TRUE;
}

void Record(Selection& s, int bit, int error) {
    if (!(s.mask & (1L << bit))) return;
    s.pending |= 1L << bit;
    s.errors[bit] = error;
    if (s.event) Signal(*s.event);
}

int PendingSocketError(SOCKET fd) {
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
    return error;
}

// The poll events a selection needs watched now; 0 when nothing can happen to it.
short Interest(const Selection& s) {
    if (s.closed || !s.event || s.mask == 0) return 0;
    switch (s.state) {
        case Selection::State::Connecting:
            return POLLOUT;
        case Selection::State::Connected: {
            short events = 0;
            if (s.writeArmed) events |= POLLOUT;
            if (!s.closeReported) {
                if (s.readArmed) events |= POLLIN;
                // Watched even while reads are disarmed, so a close or reset is not missed.
                events |= POLLRDHUP;
            }
            return events;
        }
        default:
            return 0;
    }
}

void ReportClose(Selection& s, int error) {
    s.closeReported = true;
    // The socket gives its error once: when a read or write took it first, the socket now looks
    // closed without one, and the close must still tell of the reset.
    Record(s, FD_CLOSE_BIT, error != 0 ? error : s.endedBy);
}

// Turns the readiness poll saw on a selected socket into network events.
void Scan(Selection& s, short revents) {
    if (s.closed || revents == 0) return;
    if (revents & POLLNVAL) {
        s.state = Selection::State::Finished;
        return;
    }
    if (s.state == Selection::State::Connecting) {
        if (!(revents & (POLLOUT | POLLERR | POLLHUP))) return;
        int error = PendingSocketError(s.fd);
        if (error != 0) {
            s.state = Selection::State::Finished;
            Record(s, FD_CONNECT_BIT, ErrorFromErrno(error));
            return;
        }
        s.state = Selection::State::Connected;
        s.readArmed = true;
        s.writeArmed = false;
        Record(s, FD_CONNECT_BIT, 0);
        Record(s, FD_WRITE_BIT, 0);
        return;
    }
    if (s.state != Selection::State::Connected) return;

    if ((revents & POLLOUT) && s.writeArmed) {
        s.writeArmed = false;
        Record(s, FD_WRITE_BIT, 0);
    }
    if (s.closeReported) return;
    if (revents & POLLERR) {
        int error = PendingSocketError(s.fd);
        if (error != 0) {
            // A reset discards what was not read, as Winsock does.
            ReportClose(s, ErrorFromErrno(error));
            return;
        }
    }
    if (!(revents & (POLLIN | POLLRDHUP | POLLHUP | POLLERR))) return;
    char byte;
    ssize_t n = ::recv(s.fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) {
        if (s.readArmed) {
            s.readArmed = false;
            Record(s, FD_READ_BIT, 0);
        }
        // The remote side closed after these bytes: their FD_READ went out already or goes out in
        // this same report, ahead of the close.
        if (revents & (POLLRDHUP | POLLHUP)) ReportClose(s, 0);
    } else if (n == 0) {
        ReportClose(s, 0);
    } else if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        if (revents & (POLLRDHUP | POLLHUP | POLLERR)) ReportClose(s, 0);
    } else {
        ReportClose(s, ErrorFromErrno(errno));
    }
}

// Looks at a selection's socket without waiting and records what is ready.
void ScanNow(Selection& s) {
    short interest = Interest(s);
    if (interest == 0) return;
    pollfd p{s.fd, interest, 0};
    if (::poll(&p, 1, 0) > 0) Scan(s, p.revents);
}

std::shared_ptr<Selection> FindSelection(Registry& reg, SOCKET s) {
    auto it = reg.selections.find(s);
    return it == reg.selections.end() ? nullptr : it->second;
}

bool IsBlocking(SOCKET s) {
    int flags = ::fcntl(s, F_GETFL);
    return flags >= 0 && !(flags & O_NONBLOCK);
}

// On a blocking socket "would block" means its SO_SNDTIMEO or SO_RCVTIMEO ran out, which Winsock
// reports as a time-out.
int BlockedError(SOCKET s, int error) {
    if ((error == EAGAIN || error == EWOULDBLOCK || error == EINPROGRESS) && IsBlocking(s)) return WSAETIMEDOUT;
    return ErrorFromErrno(error);
}

// The errors with which a read or write takes the end of the connection from the socket.
bool EndsConnection(int error) {
    switch (error) {
        case ECONNRESET: case EPIPE: case ETIMEDOUT: case ECONNABORTED: case ENETRESET:
        case EHOSTUNREACH: case ENETUNREACH: case EHOSTDOWN: case ENETDOWN: case EPROTO:
            return true;
        default:
            return false;
    }
}

// Runs a read or write of `length` bytes (`io`, retried after EINTR) and keeps the socket's event
// record right: FD_READ is re-armed by any read, FD_WRITE by a write that would have blocked or
// took fewer bytes than offered (the next FD_WRITE says when to offer the rest), and an error that
// ended the connection is noted for FD_CLOSE. On a selected socket, which never blocks, the call
// runs under the registry's lock, so the event thread cannot look at the socket between the call
// taking its error and the note of it.
template <class Io>
ssize_t Transfer(SOCKET s, bool read, int length, Io&& io, int& error) {
    Registry& reg = Reg();
    std::unique_lock<std::mutex> guard(reg.lock);
    const std::shared_ptr<Selection> sel = FindSelection(reg, s);
    if (!sel) guard.unlock();
    ssize_t n;
    do {
        n = io();
    } while (n < 0 && errno == EINTR);
    error = n < 0 ? errno : 0;
    if (!sel) return n;
    if (sel->endedBy == 0 && EndsConnection(error)) sel->endedBy = ErrorFromErrno(error);
    const bool rearm = read || (n < 0 ? error == EAGAIN || error == EWOULDBLOCK : n < length);
    bool& armed = read ? sel->readArmed : sel->writeArmed;
    if (rearm && !armed) {
        armed = true;
        if (sel->event) Ring(*sel->event);
    }
    return n;
}

}  // namespace

int ErrorFromErrno(int error) {
    switch (error) {
        case 0: return 0;
        case EINTR: return WSAEINTR;
        case EBADF: return WSAENOTSOCK;
        case EACCES: return WSAEACCES;
        case EPERM: return WSAEACCES;
        case EFAULT: return WSAEFAULT;
        case EINVAL: return WSAEINVAL;
        case EMFILE: return WSAEMFILE;
        case ENFILE: return WSAEMFILE;
        case EAGAIN: return WSAEWOULDBLOCK;
        case EINPROGRESS: return WSAEWOULDBLOCK;
        case EALREADY: return WSAEALREADY;
        case ENOTSOCK: return WSAENOTSOCK;
        case EDESTADDRREQ: return WSAEDESTADDRREQ;
        case EMSGSIZE: return WSAEMSGSIZE;
        case EPROTOTYPE: return WSAEPROTOTYPE;
        case ENOPROTOOPT: return WSAENOPROTOOPT;
        case EPROTONOSUPPORT: return WSAEPROTONOSUPPORT;
        case ESOCKTNOSUPPORT: return WSAESOCKTNOSUPPORT;
        case EOPNOTSUPP: return WSAEOPNOTSUPP;
        case EPFNOSUPPORT: return WSAEPFNOSUPPORT;
        case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
        case EADDRINUSE: return WSAEADDRINUSE;
        case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
        case ENETDOWN: return WSAENETDOWN;
        case ENETUNREACH: return WSAENETUNREACH;
        case ENETRESET: return WSAENETRESET;
        case ECONNABORTED: return WSAECONNABORTED;
        case ECONNRESET: return WSAECONNRESET;
        case EPIPE: return WSAECONNRESET;
        case ENOBUFS: return WSAENOBUFS;
        case ENOMEM: return WSAENOBUFS;
        case EISCONN: return WSAEISCONN;
        case ENOTCONN: return WSAENOTCONN;
        case ESHUTDOWN: return WSAESHUTDOWN;
        case ETIMEDOUT: return WSAETIMEDOUT;
        case ECONNREFUSED: return WSAECONNREFUSED;
        case ELOOP: return WSAELOOP;
        case ENAMETOOLONG: return WSAENAMETOOLONG;
        case EHOSTDOWN: return WSAEHOSTDOWN;
        case EHOSTUNREACH: return WSAEHOSTUNREACH;
        default: return WSAEINVAL;
    }
}

int WSAStartup(WORD version, WSADATA* data) {
    if (!data) return WSAEFAULT;
    BYTE major = static_cast<BYTE>(version & 0xFF);
    BYTE minor = static_cast<BYTE>(version >> 8);
    if (major < 1 || (major == 1 && minor < 1)) return WSAVERNOTSUPPORTED;
    std::memset(data, 0, sizeof *data);
    data->wVersion = major >= 2 ? MakeWord(2, 2) : version;
    data->wHighVersion = MakeWord(2, 2);
    std::strcpy(data->szDescription, "Tevrik sockets over POSIX");
    std::strcpy(data->szSystemStatus, "Running");
    Registry& reg = Reg();
    std::lock_guard<std::mutex> guard(reg.lock);
    ++reg.startups;
    return 0;
}

int WSACleanup() {
    Registry& reg = Reg();
    std::lock_guard<std::mutex> guard(reg.lock);
    if (reg.startups == 0) return Fail(WSANOTINITIALISED);
    --reg.startups;
    return 0;
}

int WSAGetLastError() { return t_lastError; }

void WSASetLastError(int error) { t_lastError = error; }

SOCKET socket(int family, int type, int protocol) {
    int fd = ::socket(family, type | SOCK_CLOEXEC, protocol);
    if (fd < 0) {
        Fail(ErrorFromErrno(errno));
        return INVALID_SOCKET;
    }
    return fd;
}

int setsockopt(SOCKET s, int level, int name, const char* value, int length) {
    if (length < 0 || (length > 0 && !value)) return Fail(WSAEFAULT);
    int result;
    if (level == SOL_SOCKET && (name == SO_SNDTIMEO || name == SO_RCVTIMEO)) {
        // Winsock takes the time-out as a 32-bit count of milliseconds.
        if (length < static_cast<int>(sizeof(DWORD))) return Fail(WSAEFAULT);
        DWORD ms;
        std::memcpy(&ms, value, sizeof ms);
        timeval tv{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>((ms % 1000) * 1000)};
        result = ::setsockopt(s, level, name, &tv, sizeof tv);
    } else {
        result = ::setsockopt(s, level, name, value, static_cast<socklen_t>(length));
    }
    if (result != 0) return Fail(ErrorFromErrno(errno));
    return 0;
}

int ioctlsocket(SOCKET s, long command, u_long* argument) {
    if (command != static_cast<long>(FIONBIO)) return Fail(WSAEINVAL);
    if (!argument) return Fail(WSAEFAULT);
    int flags = ::fcntl(s, F_GETFL);
    if (flags < 0) return Fail(ErrorFromErrno(errno));
    if (*argument == 0) {
        // A socket with selected events stays non-blocking, as under Winsock.
        Registry& reg = Reg();
        std::lock_guard<std::mutex> guard(reg.lock);
        auto sel = FindSelection(reg, s);
        if (sel && sel->mask != 0) return Fail(WSAEINVAL);
    }
    flags = *argument ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    if (::fcntl(s, F_SETFL, flags) != 0) return Fail(ErrorFromErrno(errno));
    return 0;
}

int connect(SOCKET s, const SOCKADDR* address, int length) {
    if (!address || length < static_cast<int>(sizeof(SOCKADDR_IN))) return Fail(WSAEFAULT);
    SOCKADDR_IN in;
    std::memcpy(&in, address, sizeof in);
    if (in.sin_family != AF_INET) return Fail(WSAEAFNOSUPPORT);
    // Linux would take 0.0.0.0 to mean this host; Winsock refuses it, and so does an unresolved
    // address here.
    if (in.sin_addr.s_addr == 0) return Fail(WSAEADDRNOTAVAIL);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = in.sin_port;
    target.sin_addr.s_addr = in.sin_addr.s_addr;
    int result;
    do {
        result = ::connect(s, reinterpret_cast<const sockaddr*>(&target), sizeof target);
    } while (result != 0 && errno == EINTR);
    int error = result == 0 ? 0 : errno;
    if (result == 0 || error == EINPROGRESS) {
        Registry& reg = Reg();
        std::lock_guard<std::mutex> guard(reg.lock);
        auto sel = FindSelection(reg, s);
        if (sel && sel->state == Selection::State::Idle) {
            // Completion, even an immediate one, is reported through FD_CONNECT.
            sel->state = Selection::State::Connecting;
            if (sel->event) Ring(*sel->event);
        }
    }
    if (result != 0) return Fail(BlockedError(s, error));
    return 0;
}

int send(SOCKET s, const char* bytes, int length, int flags) {
    if (length < 0 || (length > 0 && !bytes)) return Fail(WSAEFAULT);
    if (const int failure = g_sendFailure.load()) return Fail(failure);
    int error = 0;
    const ssize_t n = Transfer(s, false, length, [&] { return ::send(s, bytes, length, flags | MSG_NOSIGNAL); }, error);
    if (n < 0) return Fail(BlockedError(s, error));
    return static_cast<int>(n);
}

int recv(SOCKET s, char* buffer, int length, int flags) {
    if (length < 0 || (length > 0 && !buffer)) return Fail(WSAEFAULT);
    int error = 0;
    const ssize_t n = Transfer(s, true, length, [&] { return ::recv(s, buffer, length, flags); }, error);
    if (n < 0) return Fail(BlockedError(s, error));
    return static_cast<int>(n);
}

int closesocket(SOCKET s) {
    {
        Registry& reg = Reg();
        std::lock_guard<std::mutex> guard(reg.lock);
        auto sel = FindSelection(reg, s);
        if (sel) {
            sel->closed = true;
            if (sel->event) Ring(*sel->event);
            reg.selections.erase(s);
        }
    }
    if (::close(s) != 0) return Fail(ErrorFromErrno(errno));
    return 0;
}

u_long inet_addr(const char* text) {
    if (!text) return INADDR_NONE_VALUE;
    in_addr address;
    if (::inet_aton(text, &address) == 0) return INADDR_NONE_VALUE;
    return address.s_addr;
}

HOSTENT* gethostbyname(const char* name) {
    struct Storage {
        HOSTENT entry{};
        std::string name;
        std::vector<std::uint32_t> addresses;
        std::vector<char*> list;
        char* noAliases[1] = {nullptr};
    };
    thread_local Storage storage;
    if (!name) {
        Fail(WSAEFAULT);
        return nullptr;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    int result = ::getaddrinfo(name, nullptr, &hints, &found);
    if (result != 0) {
        switch (result) {
            case EAI_NONAME: Fail(WSAHOST_NOT_FOUND); break;
#ifdef EAI_NODATA
            case EAI_NODATA: Fail(WSANO_DATA); break;
#endif
            case EAI_AGAIN: Fail(WSATRY_AGAIN); break;
            default: Fail(WSANO_RECOVERY); break;
        }
        return nullptr;
    }
    storage.name = found->ai_canonname ? found->ai_canonname : name;
    storage.addresses.clear();
    for (addrinfo* a = found; a; a = a->ai_next) {
        if (a->ai_family != AF_INET || !a->ai_addr) continue;
        std::uint32_t address = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
        if (std::find(storage.addresses.begin(), storage.addresses.end(), address) == storage.addresses.end())
            storage.addresses.push_back(address);
    }
    ::freeaddrinfo(found);
    if (storage.addresses.empty()) {
        Fail(WSANO_DATA);
        return nullptr;
    }
    storage.list.clear();
    for (std::uint32_t& address : storage.addresses) storage.list.push_back(reinterpret_cast<char*>(&address));
    storage.list.push_back(nullptr);
    storage.entry.h_name = storage.name.data();
    storage.entry.h_aliases = storage.noAliases;
    storage.entry.h_addrtype = AF_INET;
    storage.entry.h_length = 4;
    storage.entry.h_addr_list = storage.list.data();
    return &storage.entry;
}

u_short(htons)(u_short value) { return static_cast<u_short>((value << 8) | (value >> 8)); }

WSAEVENT WSACreateEvent() {
    int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0) {
        Fail(ErrorFromErrno(errno));
        return WSA_INVALID_EVENT;
    }
    auto* e = new Event;
    e->doorbell = fd;
    Registry& reg = Reg();
    std::lock_guard<std::mutex> guard(reg.lock);
    reg.events.insert(e);
    return e;
}

BOOL WSASetEvent(WSAEVENT handle) {
    return WithEvent(handle, [](Registry&, Event& e) { Signal(e); });
}

BOOL WSAResetEvent(WSAEVENT handle) {
    return WithEvent(handle, [](Registry&, Event& e) { e.signalled = false; });
}

BOOL WSACloseEvent(WSAEVENT handle) {
    return WithEvent(handle, [](Registry& reg, Event& e) {
        for (auto& entry : reg.selections)
            if (entry.second->event == &e) entry.second->event = nullptr;
        reg.events.erase(&e);
        ::close(e.doorbell);
        delete &e;
    });
}

int WSAEventSelect(SOCKET s, WSAEVENT handle, long mask) {
    Registry& reg = Reg();
    std::lock_guard<std::mutex> guard(reg.lock);
    Event* e = nullptr;
    if (handle) {
        e = FindEvent(reg, handle);
        if (!e) return Fail(WSA_INVALID_HANDLE);
    }
    int flags = ::fcntl(s, F_GETFL);
    if (flags < 0) return Fail(ErrorFromErrno(errno));
    if (!e || mask == 0) {
        reg.selections.erase(s);
        return 0;
    }
    // Selecting events makes the socket non-blocking, as under Winsock.
    if (::fcntl(s, F_SETFL, flags | O_NONBLOCK) != 0) return Fail(ErrorFromErrno(errno));
    auto& sel = reg.selections[s];
    if (!sel) {
        sel = std::make_shared<Selection>();
        sel->fd = s;
        sockaddr_in remote{};
        socklen_t length = sizeof remote;
        if (::getpeername(s, reinterpret_cast<sockaddr*>(&remote), &length) == 0) {
            sel->state = Selection::State::Connected;
            sel->writeArmed = true;
        }
    }
    if (sel->event && sel->event != e) Ring(*sel->event);
    sel->event = e;
    sel->mask = mask;
    sel->pending = 0;
    std::fill(std::begin(sel->errors), std::end(sel->errors), 0);
    Ring(*e);
    return 0;
}

DWORD WSAWaitForMultipleEvents(DWORD count, const WSAEVENT* handles, BOOL waitAll, DWORD timeout, BOOL) {
    if (count == 0 || count > WSA_MAXIMUM_WAIT_EVENTS || !handles) {
        Fail(WSA_INVALID_PARAMETER);
        return WSA_WAIT_FAILED;
    }
    if (waitAll) {
        Fail(WSAEINVAL);
        return WSA_WAIT_FAILED;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout);
    Registry& reg = Reg();
    std::vector<pollfd> fds;
    std::vector<std::shared_ptr<Selection>> owners;  // null for an event's doorbell
    std::vector<Event*> doorbells;
    for (;;) {
        fds.clear();
        owners.clear();
        doorbells.clear();
        {
            std::lock_guard<std::mutex> guard(reg.lock);
            std::vector<Event*> events;
            for (DWORD i = 0; i < count; ++i) {
                Event* e = FindEvent(reg, handles[i]);
                if (!e) {
                    Fail(WSA_INVALID_HANDLE);
                    return WSA_WAIT_FAILED;
                }
                if (e->signalled) return WSA_WAIT_EVENT_0 + i;
                events.push_back(e);
            }
            for (Event* e : events) {
                fds.push_back(pollfd{e->doorbell, POLLIN, 0});
                owners.push_back(nullptr);
                doorbells.push_back(e);
            }
            for (auto& entry : reg.selections) {
                Selection& s = *entry.second;
                if (std::find(events.begin(), events.end(), s.event) == events.end()) continue;
                short interest = Interest(s);
                if (interest == 0) continue;
                fds.push_back(pollfd{s.fd, interest, 0});
                owners.push_back(entry.second);
                doorbells.push_back(nullptr);
            }
        }
        int wait = -1;
        if (timeout != WSA_INFINITE) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            wait = static_cast<int>(std::clamp<long long>(left, 0, 1000 * 1000 * 1000));
        }
        int ready = ::poll(fds.data(), fds.size(), wait);
        if (ready < 0) {
            if (errno == EINTR) continue;
            Fail(ErrorFromErrno(errno));
            return WSA_WAIT_FAILED;
        }
        if (ready == 0) {
            if (timeout != WSA_INFINITE && Clock::now() >= deadline) return WSA_WAIT_TIMEOUT;
            continue;
        }
        std::lock_guard<std::mutex> guard(reg.lock);
        for (size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].revents == 0) continue;
            if (doorbells[i]) {
                if (reg.events.count(doorbells[i])) Drain(*doorbells[i]);
            } else {
                Scan(*owners[i], fds[i].revents);
            }
        }
    }
}

void FailNextEnumNetworkEvents(int count, int error) {
    g_enumFailure = error;
    g_enumFailures = count;
}

void FailSends(int error) { g_sendFailure = error; }

int WSAEnumNetworkEvents(SOCKET s, WSAEVENT handle, WSANETWORKEVENTS* out) {
    if (!out) return Fail(WSAEFAULT);
    for (int left = g_enumFailures.load(); left > 0;)
        if (g_enumFailures.compare_exchange_weak(left, left - 1)) return Fail(g_enumFailure.load());
    Registry& reg = Reg();
    std::lock_guard<std::mutex> guard(reg.lock);
    Event* e = nullptr;
    if (handle) {
        e = FindEvent(reg, handle);
        if (!e) return Fail(WSA_INVALID_HANDLE);
    }
    auto sel = FindSelection(reg, s);
    if (!sel) {
        if (::fcntl(s, F_GETFD) < 0) return Fail(WSAENOTSOCK);
        // A socket without selected events has nothing recorded.
        std::memset(out, 0, sizeof *out);
        if (e) e->signalled = false;
        return 0;
    }
    ScanNow(*sel);
    out->lNetworkEvents = sel->pending;
    std::copy(std::begin(sel->errors), std::end(sel->errors), out->iErrorCode);
    sel->pending = 0;
    std::fill(std::begin(sel->errors), std::end(sel->errors), 0);
    if (e) {
        e->signalled = false;
        // Another socket selected on the same event may still have events waiting.
        for (auto& entry : reg.selections)
            if (entry.second->event == e && entry.second->pending != 0) Signal(*e);
    }
    return 0;
}

int WSAPoll(WSAPOLLFD* fds, ULONG count, INT timeout) {
    if (!fds && count != 0) return Fail(WSAEFAULT);
    std::vector<pollfd> list(count);
    for (ULONG i = 0; i < count; ++i) list[i] = pollfd{fds[i].fd, fds[i].events, 0};
    int ready;
    do {
        ready = ::poll(list.data(), list.size(), timeout < 0 ? -1 : timeout);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) return Fail(ErrorFromErrno(errno));
    for (ULONG i = 0; i < count; ++i) fds[i].revents = list[i].revents;
    return ready;
}

}  // namespace ws
