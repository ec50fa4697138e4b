#include "platform/net/winsock.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/Loopback.h"

namespace {

constexpr long kAll = ws::FD_READ | ws::FD_WRITE | ws::FD_CONNECT | ws::FD_CLOSE;
constexpr DWORD kBound = 10000;  // bound of every wait that is expected to end early

ws::SOCKADDR_IN LoopbackAddress(std::uint16_t port) {
    ws::SOCKADDR_IN a{};
    a.sin_family = AF_INET;
    a.sin_port = ws::htons(port);
    a.sin_addr.s_addr = ws::inet_addr("127.0.0.1");
    return a;
}

// One client socket selected for all four events, and the server end of its connection.
class WinsockSelected : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ws::WSAStartup(ws::MakeWord(2, 2), &data_), 0);
        ASSERT_GE(listener_.fd(), 0);
        s_ = ws::socket(AF_INET, SOCK_STREAM, 0);
        ASSERT_NE(s_, ws::INVALID_SOCKET);
        event_ = ws::WSACreateEvent();
        ASSERT_NE(event_, ws::WSA_INVALID_EVENT);
        ASSERT_EQ(ws::WSAEventSelect(s_, event_, kAll), 0);
    }
    void TearDown() override {
        testnet::CloseFd(server_);
        if (s_ != ws::INVALID_SOCKET) ws::closesocket(s_);
        if (event_) ws::WSACloseEvent(event_);
        ws::WSACleanup();
    }

    void StartConnect(std::uint16_t port) {
        ws::SOCKADDR_IN a = LoopbackAddress(port);
        int r = ws::connect(s_, reinterpret_cast<const ws::SOCKADDR*>(&a), sizeof a);
        if (r != 0) {
            ASSERT_EQ(ws::WSAGetLastError(), ws::WSAEWOULDBLOCK);
        }
    }

    // Waits for the event and takes what it recorded.
    ws::WSANETWORKEVENTS WaitAndEnum(DWORD timeout = kBound) {
        ws::WSANETWORKEVENTS ev{};
        EXPECT_EQ(ws::WSAWaitForMultipleEvents(1, &event_, FALSE, timeout, FALSE), ws::WSA_WAIT_EVENT_0);
        EXPECT_EQ(ws::WSAEnumNetworkEvents(s_, event_, &ev), 0);
        return ev;
    }

    ws::WSANETWORKEVENTS EnumNow() {
        ws::WSANETWORKEVENTS ev{};
        EXPECT_EQ(ws::WSAEnumNetworkEvents(s_, event_, &ev), 0);
        return ev;
    }

    // Connected, with the connect's events taken and the server end accepted.
    void Connect() {
        StartConnect(listener_.Port());
        ws::WSANETWORKEVENTS ev = WaitAndEnum();
        ASSERT_EQ(ev.lNetworkEvents, ws::FD_CONNECT | ws::FD_WRITE);
        ASSERT_EQ(ev.iErrorCode[ws::FD_CONNECT_BIT], 0);
        server_ = listener_.Accept();
        ASSERT_GE(server_, 0);
    }

    std::string RecvAll() {
        std::string out;
        char buffer[4096];
        for (;;) {
            int n = ws::recv(s_, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            out.append(buffer, static_cast<size_t>(n));
        }
        return out;
    }

    ws::WSADATA data_{};
    testnet::Listener listener_;
    ws::SOCKET s_ = ws::INVALID_SOCKET;
    ws::WSAEVENT event_ = nullptr;
    int server_ = -1;
};

TEST(WinsockBasics, AddressesAndByteOrder) {
    EXPECT_EQ(ws::htons(0x1234), 0x3412);
    EXPECT_EQ(ws::inet_addr("127.0.0.1"), 0x0100007Fu);
    EXPECT_EQ(ws::inet_addr("10.20.30.40"), 0x281E140Au);
    EXPECT_EQ(ws::inet_addr("1.2.3.4.5"), ws::INADDR_NONE_VALUE);
    EXPECT_EQ(ws::inet_addr("300.1.1.1"), ws::INADDR_NONE_VALUE);
    EXPECT_EQ(ws::inet_addr(""), ws::INADDR_NONE_VALUE);
    EXPECT_EQ(ws::inet_addr(nullptr), ws::INADDR_NONE_VALUE);

    ws::HOSTENT* host = ws::gethostbyname("localhost");
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->h_addrtype, AF_INET);
    EXPECT_EQ(host->h_length, 4);
    ASSERT_NE(host->h_addr_list[0], nullptr);
    std::uint32_t first;
    std::memcpy(&first, host->h_addr_list[0], 4);
    EXPECT_EQ(first, ws::inet_addr("127.0.0.1"));
}

TEST(WinsockBasics, LastErrorBelongsToEachThread) {
    ws::WSASetLastError(ws::WSAECONNRESET);
    int other = -1;
    std::thread t([&] {
        other = ws::WSAGetLastError();
        ws::WSASetLastError(ws::WSAETIMEDOUT);
    });
    t.join();
    EXPECT_EQ(other, 0);
    EXPECT_EQ(ws::WSAGetLastError(), ws::WSAECONNRESET);
}

TEST(WinsockBasics, StartupIsCounted) {
    ws::WSADATA data{};
    ASSERT_EQ(ws::WSAStartup(ws::MakeWord(2, 2), &data), 0);
    EXPECT_EQ(data.wVersion, ws::MakeWord(2, 2));
    EXPECT_EQ(ws::WSAStartup(ws::MakeWord(0, 1), &data), ws::WSAVERNOTSUPPORTED);
    EXPECT_EQ(ws::WSACleanup(), 0);
}

TEST(WinsockBasics, TimeoutsAreMillisecondsAndBlockingModeSwitches) {
    ws::SOCKET s = ws::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_NE(s, ws::INVALID_SOCKET);
    DWORD ms = 1500;
    ASSERT_EQ(ws::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms), 0);
    ms = 10000;
    ASSERT_EQ(ws::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms), 0);
    timeval tv{};
    socklen_t length = sizeof tv;
    ASSERT_EQ(::getsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, &length), 0);
    EXPECT_EQ(tv.tv_sec, 1);
    EXPECT_EQ(tv.tv_usec, 500000);
    ASSERT_EQ(::getsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &tv, &length), 0);
    EXPECT_EQ(tv.tv_sec, 10);

    char byte;
    ws::u_long on = 1;
    ASSERT_EQ(ws::ioctlsocket(s, FIONBIO, &on), 0);
    EXPECT_EQ(ws::recv(s, &byte, 1, 0), ws::SOCKET_ERROR);
    EXPECT_EQ(ws::WSAGetLastError(), ws::WSAENOTCONN);
    EXPECT_EQ(ws::ioctlsocket(s, FIONREAD, &on), ws::SOCKET_ERROR);
    EXPECT_EQ(ws::WSAGetLastError(), ws::WSAEINVAL);
    EXPECT_EQ(ws::closesocket(s), 0);
    EXPECT_EQ(ws::closesocket(s), ws::SOCKET_ERROR);
    EXPECT_EQ(ws::WSAGetLastError(), ws::WSAENOTSOCK);
}

TEST(WinsockBasics, UnresolvedAddressIsNotThisHost) {
    // Linux would connect 0.0.0.0 to a local listener; an unresolved host must not reach one.
    testnet::Listener listener;
    ws::SOCKET s = ws::socket(AF_INET, SOCK_STREAM, 0);
    ws::SOCKADDR_IN a = LoopbackAddress(listener.Port());
    a.sin_addr.s_addr = 0;
    EXPECT_EQ(ws::connect(s, reinterpret_cast<const ws::SOCKADDR*>(&a), sizeof a), ws::SOCKET_ERROR);
    EXPECT_EQ(ws::WSAGetLastError(), ws::WSAEADDRNOTAVAIL);
    ws::closesocket(s);
}

TEST(WinsockBasics, BlockingCallsThatRunOutOfTimeReportATimeout) {
    testnet::Listener listener;
    ws::SOCKET s = ws::socket(AF_INET, SOCK_STREAM, 0);
    DWORD ms = 30;
    ws::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
    ws::SOCKADDR_IN a = LoopbackAddress(listener.Port());
    ASSERT_EQ(ws::connect(s, reinterpret_cast<const ws::SOCKADDR*>(&a), sizeof a), 0);
    char byte;
    EXPECT_EQ(ws::recv(s, &byte, 1, 0), ws::SOCKET_ERROR);
    EXPECT_EQ(ws::WSAGetLastError(), ws::WSAETIMEDOUT);

    ws::u_long on = 1;
    ws::ioctlsocket(s, FIONBIO, &on);
    EXPECT_EQ(ws::recv(s, &byte, 1, 0), ws::SOCKET_ERROR);
    EXPECT_EQ(ws::WSAGetLastError(), ws::WSAEWOULDBLOCK);
    ws::closesocket(s);
}

TEST(WinsockBasics, ErrnoMapping) {
    EXPECT_EQ(ws::ErrorFromErrno(0), 0);
    EXPECT_EQ(ws::ErrorFromErrno(EAGAIN), ws::WSAEWOULDBLOCK);
    EXPECT_EQ(ws::ErrorFromErrno(EINPROGRESS), ws::WSAEWOULDBLOCK);
    EXPECT_EQ(ws::ErrorFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(ws::ErrorFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(ws::ErrorFromErrno(EPIPE), 10054);
    EXPECT_EQ(ws::ErrorFromErrno(ETIMEDOUT), 10060);
    EXPECT_EQ(ws::ErrorFromErrno(EMSGSIZE), 10040);
    EXPECT_EQ(ws::ErrorFromErrno(ENOTCONN), 10057);
    EXPECT_EQ(ws::ErrorFromErrno(EHOSTUNREACH), 10065);
}

TEST(WinsockEvents, StopEventWinsAndWaitsAreBounded) {
    ws::WSAEVENT events[2] = {ws::WSACreateEvent(), ws::WSACreateEvent()};
    EXPECT_EQ(ws::WSAWaitForMultipleEvents(2, events, FALSE, 20, FALSE), ws::WSA_WAIT_TIMEOUT);

    std::thread setter([&] { ws::WSASetEvent(events[1]); });
    EXPECT_EQ(ws::WSAWaitForMultipleEvents(2, events, FALSE, ws::WSA_INFINITE, FALSE), ws::WSA_WAIT_EVENT_0 + 1);
    setter.join();
    // Manual reset: it stays signalled; with both signalled the first wins.
    ws::WSASetEvent(events[0]);
    EXPECT_EQ(ws::WSAWaitForMultipleEvents(2, events, FALSE, 0, FALSE), ws::WSA_WAIT_EVENT_0);
    ws::WSAResetEvent(events[0]);
    ws::WSAResetEvent(events[1]);
    EXPECT_EQ(ws::WSAWaitForMultipleEvents(2, events, FALSE, 0, FALSE), ws::WSA_WAIT_TIMEOUT);

    EXPECT_TRUE(ws::WSACloseEvent(events[0]));
    EXPECT_EQ(ws::WSAWaitForMultipleEvents(2, events, FALSE, 0, FALSE), ws::WSA_WAIT_FAILED);
    EXPECT_EQ(ws::WSAGetLastError(), ws::WSA_INVALID_HANDLE);
    EXPECT_FALSE(ws::WSASetEvent(events[0]));
    EXPECT_TRUE(ws::WSACloseEvent(events[1]));
}

TEST_F(WinsockSelected, RefusedConnectIsReportedOnceWithItsError) {
    std::uint16_t port = testnet::FreePort();
    StartConnect(port);
    ws::WSANETWORKEVENTS ev = WaitAndEnum();
    EXPECT_EQ(ev.lNetworkEvents, ws::FD_CONNECT);
    EXPECT_EQ(ev.iErrorCode[ws::FD_CONNECT_BIT], ws::WSAECONNREFUSED);
    // Nothing more comes from a connect that failed.
    EXPECT_EQ(ws::WSAWaitForMultipleEvents(1, &event_, FALSE, 50, FALSE), ws::WSA_WAIT_TIMEOUT);
}

TEST_F(WinsockSelected, ConnectAndWriteComeOnceThenOnlyWhatHappens) {
    Connect();
    ASSERT_TRUE(testnet::SendAll(server_, "x"));
    ws::WSANETWORKEVENTS ev = WaitAndEnum();
    // No second FD_CONNECT and no FD_WRITE without a send that would have blocked.
    EXPECT_EQ(ev.lNetworkEvents, ws::FD_READ);
    EXPECT_EQ(ev.iErrorCode[ws::FD_READ_BIT], 0);
}

TEST_F(WinsockSelected, ReadIsRearmedOnlyByARead) {
    Connect();
    ASSERT_TRUE(testnet::SendAll(server_, "ab"));
    EXPECT_EQ(WaitAndEnum().lNetworkEvents, ws::FD_READ);

    // More bytes while the first are unread: no new FD_READ and the wait does not spin.
    ASSERT_TRUE(testnet::SendAll(server_, "cd"));
    EXPECT_EQ(EnumNow().lNetworkEvents, 0);
    EXPECT_EQ(ws::WSAWaitForMultipleEvents(1, &event_, FALSE, 50, FALSE), ws::WSA_WAIT_TIMEOUT);

    // A read re-arms; bytes still waiting signal again.
    char byte;
    ASSERT_EQ(ws::recv(s_, &byte, 1, 0), 1);
    EXPECT_EQ(byte, 'a');
    EXPECT_EQ(WaitAndEnum().lNetworkEvents, ws::FD_READ);
    EXPECT_EQ(RecvAll(), "bcd");
    EXPECT_EQ(ws::WSAGetLastError(), ws::WSAEWOULDBLOCK);
}

TEST_F(WinsockSelected, DataAndCloseTogetherReportReadWithClose) {
    Connect();
    ASSERT_TRUE(testnet::SendAll(server_, "hello"));
    ::shutdown(server_, SHUT_WR);
    ASSERT_TRUE(testnet::WaitFor(s_, POLLRDHUP));
    ws::WSANETWORKEVENTS ev = EnumNow();
    EXPECT_EQ(ev.lNetworkEvents, ws::FD_READ | ws::FD_CLOSE);
    EXPECT_EQ(ev.iErrorCode[ws::FD_CLOSE_BIT], 0);
    EXPECT_EQ(RecvAll(), "hello");
    // The close is reported once.
    EXPECT_EQ(EnumNow().lNetworkEvents, 0);
    EXPECT_EQ(ws::WSAWaitForMultipleEvents(1, &event_, FALSE, 50, FALSE), ws::WSA_WAIT_TIMEOUT);
}

TEST_F(WinsockSelected, CloseAfterUnreadDataComesAfterItsRead) {
    Connect();
    ASSERT_TRUE(testnet::SendAll(server_, "a"));
    EXPECT_EQ(WaitAndEnum().lNetworkEvents, ws::FD_READ);
    ASSERT_TRUE(testnet::SendAll(server_, "b"));
    testnet::CloseFd(server_);
    server_ = -1;
    ws::WSANETWORKEVENTS ev = WaitAndEnum();
    EXPECT_EQ(ev.lNetworkEvents, ws::FD_CLOSE);
    EXPECT_EQ(ev.iErrorCode[ws::FD_CLOSE_BIT], 0);
    char buffer[8];
    ASSERT_EQ(ws::recv(s_, buffer, sizeof buffer, 0), 2);
    EXPECT_EQ(std::string(buffer, 2), "ab");
    EXPECT_EQ(ws::recv(s_, buffer, sizeof buffer, 0), 0);
    EXPECT_EQ(ws::WSAWaitForMultipleEvents(1, &event_, FALSE, 50, FALSE), ws::WSA_WAIT_TIMEOUT);
}

TEST_F(WinsockSelected, ResetIsACloseWithAnError) {
    Connect();
    testnet::Reset(server_);
    server_ = -1;
    ws::WSANETWORKEVENTS ev = WaitAndEnum();
    EXPECT_EQ(ev.lNetworkEvents, ws::FD_CLOSE);
    EXPECT_EQ(ev.iErrorCode[ws::FD_CLOSE_BIT], ws::WSAECONNRESET);
    EXPECT_EQ(ws::WSAWaitForMultipleEvents(1, &event_, FALSE, 50, FALSE), ws::WSA_WAIT_TIMEOUT);

    // Sending to the dead connection fails with an error instead of raising SIGPIPE.
    char bytes[1024] = {};
    int result = 0;
    for (int i = 0; i < 100 && result != ws::SOCKET_ERROR; ++i) result = ws::send(s_, bytes, sizeof bytes, 0);
    EXPECT_EQ(result, ws::SOCKET_ERROR);
    EXPECT_EQ(ws::WSAGetLastError(), ws::WSAECONNRESET);
}

TEST_F(WinsockSelected, WriteComesBackAfterASendThatWouldBlock) {
    Connect();
    std::string chunk(65536, 'w');
    size_t sent = 0;
    int result;
    for (;;) {
        result = ws::send(s_, chunk.data(), static_cast<int>(chunk.size()), 0);
        if (result == ws::SOCKET_ERROR) break;
        sent += static_cast<size_t>(result);
        ASSERT_LT(sent, 512u * 1024 * 1024) << "the socket never filled";
    }
    ASSERT_EQ(ws::WSAGetLastError(), ws::WSAEWOULDBLOCK);

    std::vector<char> sink(sent);
    ASSERT_TRUE(testnet::RecvExactly(server_, sink.data(), sink.size()));
    ws::WSANETWORKEVENTS ev = WaitAndEnum();
    EXPECT_EQ(ev.lNetworkEvents, ws::FD_WRITE);
}

TEST_F(WinsockSelected, WriteComesBackAfterAShortSend) {
    Connect();
    std::string big = testnet::Pattern(32 * 1024 * 1024);
    int taken = ws::send(s_, big.data(), static_cast<int>(big.size()), 0);
    ASSERT_GT(taken, 0);
    ASSERT_LT(taken, static_cast<int>(big.size())) << "the socket took 32 MiB at once";

    std::string got(static_cast<size_t>(taken), '\0');
    ASSERT_TRUE(testnet::RecvExactly(server_, got.data(), got.size()));
    EXPECT_EQ(got, big.substr(0, static_cast<size_t>(taken)));
    EXPECT_EQ(WaitAndEnum().lNetworkEvents, ws::FD_WRITE);
}

TEST_F(WinsockSelected, StopEventWakesAWaiterWatchingASocket) {
    Connect();
    ws::WSAEVENT stop = ws::WSACreateEvent();
    ws::WSAEVENT both[2] = {stop, event_};
    std::atomic<DWORD> woke{999};
    std::thread waiter([&] { woke = ws::WSAWaitForMultipleEvents(2, both, FALSE, ws::WSA_INFINITE, FALSE); });
    ws::WSASetEvent(stop);
    waiter.join();
    EXPECT_EQ(woke.load(), ws::WSA_WAIT_EVENT_0);
    ws::WSACloseEvent(stop);
}

TEST_F(WinsockSelected, EnumOfAClosedSocketFails) {
    ws::closesocket(s_);
    ws::WSANETWORKEVENTS ev{};
    EXPECT_EQ(ws::WSAEnumNetworkEvents(s_, event_, &ev), ws::SOCKET_ERROR);
    EXPECT_EQ(ws::WSAGetLastError(), ws::WSAENOTSOCK);
    s_ = ws::INVALID_SOCKET;
}

}  // namespace
