#include <sys/socket.h>
#include <sys/time.h>

#include <cstring>

#include <gtest/gtest.h>

#include "framework/net/QeSocket.h"
#include "framework/net/QeSocketAddress.h"
#include "tests/support/Loopback.h"

namespace {

TEST(QeSocketAddress, DottedTextNamesAndFailures) {
    QeSocketAddress dotted(L"10.1.2.3", 5004);
    static_assert(sizeof dotted.address == 16);
    EXPECT_EQ(dotted.address.sin_family, AF_INET);
    EXPECT_EQ(dotted.address.sin_port, ws::htons(5004));
    EXPECT_EQ(dotted.address.sin_addr.s_addr, ws::inet_addr("10.1.2.3"));
    EXPECT_EQ(dotted.host, L"10.1.2.3");
    const char zero[8] = {};
    EXPECT_EQ(std::memcmp(dotted.address.sin_zero, zero, sizeof zero), 0);

    QeSocketAddress named(L"localhost", 80);
    EXPECT_EQ(named.address.sin_addr.s_addr, ws::inet_addr("127.0.0.1"));
    EXPECT_EQ(named.host, L"localhost");

    // Digits and dots that are no address, and the empty host, go through inet_addr and fail there.
    EXPECT_EQ(QeSocketAddress(L"1.2.3.4.5", 1).address.sin_addr.s_addr, ws::INADDR_NONE_VALUE);
    EXPECT_EQ(QeSocketAddress(L"", 1).address.sin_addr.s_addr, ws::INADDR_NONE_VALUE);
}

TEST(QeSocket, CreateSetsTenSecondTimeoutsAndCloseIsRepeatable) {
    QeSocket socket;
    EXPECT_EQ(socket.handle, ws::INVALID_SOCKET);
    ASSERT_TRUE(socket.Create());
    timeval tv{};
    socklen_t length = sizeof tv;
    ASSERT_EQ(::getsockopt(socket.handle, SOL_SOCKET, SO_RCVTIMEO, &tv, &length), 0);
    EXPECT_EQ(tv.tv_sec, 10);
    ASSERT_EQ(::getsockopt(socket.handle, SOL_SOCKET, SO_SNDTIMEO, &tv, &length), 0);
    EXPECT_EQ(tv.tv_sec, 10);
    socket.Close();
    EXPECT_EQ(socket.handle, ws::INVALID_SOCKET);
    socket.Close();
}

TEST(QeSocket, NonBlockingConnectCountsAsStartedAndCarriesBytes) {
    testnet::Listener listener;
    QeSocket socket;
    ASSERT_TRUE(socket.Create());
    ASSERT_TRUE(socket.SetNonBlocking());
    ASSERT_TRUE(socket.Connect(QeSocketAddress(L"127.0.0.1", listener.Port())));
    int server = listener.Accept();
    ASSERT_GE(server, 0);
    ASSERT_TRUE(testnet::WaitFor(socket.handle, POLLOUT));
    EXPECT_EQ(socket.Send("ping", 4), 4);
    char got[4];
    ASSERT_TRUE(testnet::RecvExactly(server, got, sizeof got));
    EXPECT_EQ(std::memcmp(got, "ping", 4), 0);

    char buffer[8];
    EXPECT_EQ(socket.Recv(buffer, sizeof buffer), -1);
    EXPECT_EQ(ws::WSAGetLastError(), ws::WSAEWOULDBLOCK);
    testnet::CloseFd(server);
    ASSERT_TRUE(testnet::WaitFor(socket.handle, POLLIN));
    EXPECT_EQ(socket.Recv(buffer, sizeof buffer), 0);

    // An unresolved address is refused at once.
    QeSocket other;
    ASSERT_TRUE(other.Create());
    QeSocketAddress nowhere(L"127.0.0.1", listener.Port());
    nowhere.address.sin_addr.s_addr = 0;
    EXPECT_FALSE(other.Connect(nowhere));
}

}  // namespace
