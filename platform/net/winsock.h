// The Winsock calls the networking layer is written in, as a stand-in over POSIX sockets, poll and
// eventfd.
//
// Naming: every stand-in lives in namespace ws (ws::socket, ws::connect, ws::send, ws::recv,
// ws::htons, ws::inet_addr, ws::WSAEventSelect, ...). The C library has functions of the same
// names with other contracts (errno instead of WSAGetLastError, struct timeval time-outs, SIGPIPE),
// so callers always write the ws:: prefix. The record types (SOCKADDR_IN, IN_ADDR, HOSTENT,
// WSADATA, WSANETWORKEVENTS, WSAPOLLFD) are our own, laid out as Winsock lays them out; this header
// deliberately does not include <netinet/in.h>, because glibc may define htons as a function-like
// macro there. A file that includes <netinet/in.h> as well must call (ws::htons)(x).
//
// The option and command constants that POSIX already names (AF_INET, SOCK_STREAM, SOL_SOCKET,
// SO_SNDTIMEO, SO_RCVTIMEO, FIONBIO, POLLRDNORM, POLLWRNORM) are the C library's own values; the
// stand-ins interpret them the Winsock way (socket time-outs are 32-bit milliseconds).
//
// Errors: a failing call returns SOCKET_ERROR (or null, or WSA_WAIT_FAILED) and leaves a Winsock
// error number for WSAGetLastError, which is kept per thread. A blocking call that runs out of its
// SO_SNDTIMEO / SO_RCVTIMEO time fails with WSAETIMEDOUT; a non-blocking one that cannot go on
// fails with WSAEWOULDBLOCK.
//
// Event selection follows the Winsock rules, which the event-driven peer depends on:
//  - FD_CONNECT comes once, when a connect started after WSAEventSelect completes; its error code is
//    the socket's pending error (0 for success). A successful connect also brings FD_WRITE.
//  - FD_WRITE comes again only after a send would have blocked, or accepted fewer bytes than it was
//    given (the rest would have blocked), once the socket can take bytes again.
//  - FD_READ comes when bytes are waiting and is re-armed only by a recv, so a socket whose bytes
//    are not read does not signal again and again.
//  - FD_CLOSE comes once. When bytes arrived before the remote side's close, their FD_READ is
//    reported before, or in the same enumeration as, the FD_CLOSE. A reset (or another failure of
//    an established connection) gives FD_CLOSE with its error code, also when a recv or send
//    returned that error first; no FD_READ or FD_CLOSE follows.
// The socket must be selected before connect is called (selecting an already connected socket
// treats it as connected and writable). Sends never raise SIGPIPE.
//
// Not emulated: WSAStartup is counted but the other calls do not demand it; waiting for all events
// at once (WSAWaitForMultipleEvents with waitAll TRUE) is refused with WSAEINVAL.
#pragma once

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cstdint>

#include "platform/win_types.h"

namespace ws {

using SOCKET = int;
using u_short = std::uint16_t;
using u_long = std::uint32_t;
using WSAEVENT = HANDLE;

inline constexpr SOCKET INVALID_SOCKET = -1;
inline constexpr int SOCKET_ERROR = -1;
inline constexpr u_long INADDR_NONE_VALUE = 0xFFFFFFFFu;  // inet_addr's failure value
inline constexpr WSAEVENT WSA_INVALID_EVENT = nullptr;

// Winsock error numbers.
inline constexpr int WSA_INVALID_HANDLE = 6;
inline constexpr int WSA_INVALID_PARAMETER = 87;
inline constexpr int WSAEINTR = 10004;
inline constexpr int WSAEBADF = 10009;
inline constexpr int WSAEACCES = 10013;
inline constexpr int WSAEFAULT = 10014;
inline constexpr int WSAEINVAL = 10022;
inline constexpr int WSAEMFILE = 10024;
inline constexpr int WSAEWOULDBLOCK = 10035;
inline constexpr int WSAEINPROGRESS = 10036;
inline constexpr int WSAEALREADY = 10037;
inline constexpr int WSAENOTSOCK = 10038;
inline constexpr int WSAEDESTADDRREQ = 10039;
inline constexpr int WSAEMSGSIZE = 10040;
inline constexpr int WSAEPROTOTYPE = 10041;
inline constexpr int WSAENOPROTOOPT = 10042;
inline constexpr int WSAEPROTONOSUPPORT = 10043;
inline constexpr int WSAESOCKTNOSUPPORT = 10044;
inline constexpr int WSAEOPNOTSUPP = 10045;
inline constexpr int WSAEPFNOSUPPORT = 10046;
inline constexpr int WSAEAFNOSUPPORT = 10047;
inline constexpr int WSAEADDRINUSE = 10048;
inline constexpr int WSAEADDRNOTAVAIL = 10049;
inline constexpr int WSAENETDOWN = 10050;
inline constexpr int WSAENETUNREACH = 10051;
inline constexpr int WSAENETRESET = 10052;
inline constexpr int WSAECONNABORTED = 10053;
inline constexpr int WSAECONNRESET = 10054;
inline constexpr int WSAENOBUFS = 10055;
inline constexpr int WSAEISCONN = 10056;
inline constexpr int WSAENOTCONN = 10057;
inline constexpr int WSAESHUTDOWN = 10058;
inline constexpr int WSAETIMEDOUT = 10060;
inline constexpr int WSAECONNREFUSED = 10061;
inline constexpr int WSAELOOP = 10062;
inline constexpr int WSAENAMETOOLONG = 10063;
inline constexpr int WSAEHOSTDOWN = 10064;
inline constexpr int WSAEHOSTUNREACH = 10065;
inline constexpr int WSAVERNOTSUPPORTED = 10092;
inline constexpr int WSANOTINITIALISED = 10093;
inline constexpr int WSAHOST_NOT_FOUND = 11001;
inline constexpr int WSATRY_AGAIN = 11002;
inline constexpr int WSANO_RECOVERY = 11003;
inline constexpr int WSANO_DATA = 11004;

// Network event bits and masks.
inline constexpr int FD_READ_BIT = 0;
inline constexpr int FD_WRITE_BIT = 1;
inline constexpr int FD_OOB_BIT = 2;
inline constexpr int FD_ACCEPT_BIT = 3;
inline constexpr int FD_CONNECT_BIT = 4;
inline constexpr int FD_CLOSE_BIT = 5;
inline constexpr int FD_MAX_EVENTS = 10;
inline constexpr long FD_READ = 1L << FD_READ_BIT;
inline constexpr long FD_WRITE = 1L << FD_WRITE_BIT;
inline constexpr long FD_OOB = 1L << FD_OOB_BIT;
inline constexpr long FD_ACCEPT = 1L << FD_ACCEPT_BIT;
inline constexpr long FD_CONNECT = 1L << FD_CONNECT_BIT;
inline constexpr long FD_CLOSE = 1L << FD_CLOSE_BIT;

// Waits.
inline constexpr DWORD WSA_INFINITE = 0xFFFFFFFFu;
inline constexpr DWORD WSA_WAIT_EVENT_0 = 0;
inline constexpr DWORD WSA_WAIT_TIMEOUT = 258;
inline constexpr DWORD WSA_WAIT_FAILED = 0xFFFFFFFFu;
inline constexpr DWORD WSA_MAXIMUM_WAIT_EVENTS = 64;

inline constexpr WORD MakeWord(BYTE low, BYTE high) { return static_cast<WORD>(low | (high << 8)); }

struct WSADATA {
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[257];
    char szSystemStatus[129];
    unsigned short iMaxSockets;
    unsigned short iMaxUdpDg;
    char* lpVendorInfo;
};

struct IN_ADDR {
    u_long s_addr;  // network byte order
};

struct SOCKADDR {
    u_short sa_family;
    char sa_data[14];
};

struct SOCKADDR_IN {
    short sin_family;
    u_short sin_port;  // network byte order
    IN_ADDR sin_addr;
    char sin_zero[8];
};
static_assert(sizeof(SOCKADDR_IN) == 16, "the IPv4 socket address is 16 bytes");

struct HOSTENT {
    char* h_name;
    char** h_aliases;
    short h_addrtype;
    short h_length;
    char** h_addr_list;  // null-terminated list of h_length-byte addresses in network byte order
};

struct WSANETWORKEVENTS {
    long lNetworkEvents;
    int iErrorCode[FD_MAX_EVENTS];
};

struct WSAPOLLFD {
    SOCKET fd;
    short events;
    short revents;
};

int WSAStartup(WORD version, WSADATA* data);
int WSACleanup();
int WSAGetLastError();
void WSASetLastError(int error);

SOCKET socket(int family, int type, int protocol);
int setsockopt(SOCKET s, int level, int name, const char* value, int length);
int ioctlsocket(SOCKET s, long command, u_long* argument);
int connect(SOCKET s, const SOCKADDR* address, int length);
int send(SOCKET s, const char* bytes, int length, int flags);
int recv(SOCKET s, char* buffer, int length, int flags);
int closesocket(SOCKET s);

// Dotted IPv4 text (the inet_aton forms) to an address in network byte order; INADDR_NONE_VALUE
// when the text is not an address.
u_long inet_addr(const char* text);
// IPv4 addresses of a host name. The record belongs to the calling thread and stays valid until
// that thread's next call. Null on failure (WSAHOST_NOT_FOUND, WSATRY_AGAIN, WSANO_RECOVERY).
HOSTENT* gethostbyname(const char* name);
// The parentheses keep the declaration intact where glibc's htons macro is visible.
u_short(htons)(u_short value);

// Manual-reset events that can also carry a socket's network events.
WSAEVENT WSACreateEvent();
BOOL WSASetEvent(WSAEVENT event);
BOOL WSAResetEvent(WSAEVENT event);
BOOL WSACloseEvent(WSAEVENT event);
int WSAEventSelect(SOCKET s, WSAEVENT event, long mask);
// Index (WSA_WAIT_EVENT_0 + i) of a signalled event, WSA_WAIT_TIMEOUT, or WSA_WAIT_FAILED. While
// waiting it watches every socket selected on the given events and signals their events.
DWORD WSAWaitForMultipleEvents(DWORD count, const WSAEVENT* events, BOOL waitAll, DWORD timeout,
                               BOOL alertable);
// Reports and clears the socket's recorded network events with their error codes; resets the event
// when one is given.
int WSAEnumNetworkEvents(SOCKET s, WSAEVENT event, WSANETWORKEVENTS* events);
// Readiness of sockets (POLLRDNORM, POLLWRNORM) without touching their event records. Timeout in
// milliseconds, negative for none. The count of ready entries, 0 at the time-out, SOCKET_ERROR.
int WSAPoll(WSAPOLLFD* fds, ULONG count, INT timeout);

// The Winsock number for a POSIX errno value (0 stays 0).
int ErrorFromErrno(int error);

// Test tooling: the next `count` calls of WSAEnumNetworkEvents fail with `error`.
void FailNextEnumNetworkEvents(int count, int error);
// Test tooling: from now on every send fails with `error` (0: sends work again), as on a connection
// that has failed where no network event has told of it yet: only the send's result says so.
void FailSends(int error);

}  // namespace ws
