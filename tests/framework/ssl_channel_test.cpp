#include "framework/net/QeSslChannel.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/Loopback.h"
#include "tests/support/TlsServer.h"
#include "tests/support/TraceLog.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// A socket connected (blocking) to 127.0.0.1:port and then made non-blocking, as the peer has it
// when its connect completes.
ws::SOCKET ConnectTo(std::uint16_t port) {
    ws::SOCKET s = ws::socket(AF_INET, SOCK_STREAM, 0);
    ws::SOCKADDR_IN a{};
    a.sin_family = AF_INET;
    a.sin_port = ws::htons(port);
    a.sin_addr.s_addr = ws::inet_addr("127.0.0.1");
    if (ws::connect(s, reinterpret_cast<const ws::SOCKADDR*>(&a), sizeof a) != 0) {
        ws::closesocket(s);
        return ws::INVALID_SOCKET;
    }
    ws::u_long on = 1;
    ws::ioctlsocket(s, FIONBIO, &on);
    return s;
}

bool WaitSocket(ws::SOCKET s, short events) {
    ws::WSAPOLLFD p{s, events, 0};
    return ws::WSAPoll(&p, 1, 20000) > 0;
}

// Reads through the channel until n bytes came, waiting for the socket between reads.
bool ReadExactly(QeSslChannel& channel, ws::SOCKET s, std::string& out, size_t n) {
    char buffer[4096];
    while (out.size() < n) {
        int got = channel.Read(buffer, sizeof buffer);
        if (got > 0) {
            out.append(buffer, static_cast<size_t>(got));
        } else if (got < 0 && ws::WSAGetLastError() == ws::WSAEWOULDBLOCK) {
            if (!WaitSocket(s, POLLRDNORM)) return false;
        } else {
            return false;
        }
    }
    return true;
}

class SslChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        const testtls::Certificates& c = testtls::TestCertificates();
        ASSERT_TRUE(c.ok) << c.error;
    }
    void TearDown() override {
        channel_.Free();
        if (s_ != ws::INVALID_SOCKET) ws::closesocket(s_);
        server_.Stop();
    }

    void StartServer(const std::string& cert, const std::string& key) {
        ASSERT_TRUE(server_.Start(cert, key)) << server_.Error();
        s_ = ConnectTo(server_.Port());
        ASSERT_NE(s_, ws::INVALID_SOCKET);
    }

    testtls::TrustTestCa trust_;
    testtls::SServer server_;
    QeSslChannel channel_;
    ws::SOCKET s_ = ws::INVALID_SOCKET;
    TraceLog trace_;
};

TEST_F(SslChannelTest, TrustedCertificateForTheAddressConnectsAndCarriesBytesBothWays) {
    const auto& c = testtls::TestCertificates();
    StartServer(c.goodCert, c.goodKey);
    channel_.SetMode(3);
    ASSERT_TRUE(channel_.Handshake(s_, L"127.0.0.1")) << Narrow(trace_.Text());
    EXPECT_TRUE(channel_.IsEstablished());

    ASSERT_EQ(channel_.Write("hello server\n", 13), 13);
    std::string received;
    ASSERT_TRUE(server_.ReadReceived(received, 13));
    EXPECT_EQ(received, "hello server\n");

    ASSERT_TRUE(server_.SendToClient("hello client\n"));
    std::string got;
    ASSERT_TRUE(ReadExactly(channel_, s_, got, 13));
    EXPECT_EQ(got, "hello client\n");
    EXPECT_EQ(trace_.Text(), L"");
}

TEST_F(SslChannelTest, HostNamesAreSentAsSniAndChecked) {
    // The server answers with the right certificate only to a client that names "localhost".
    const auto& c = testtls::TestCertificates();
    ASSERT_TRUE(server_.Start(c.wrongNameCert, c.wrongNameKey, {"-servername", "localhost", "-cert2", c.goodCert,
                                                                "-key2", c.goodKey}))
        << server_.Error();
    s_ = ConnectTo(server_.Port());
    channel_.SetMode(1);
    EXPECT_TRUE(channel_.Handshake(s_, L"localhost"));
}

TEST_F(SslChannelTest, WrongNameFailsAtOnceAndLeavesNoChannel) {
    const auto& c = testtls::TestCertificates();
    StartServer(c.wrongNameCert, c.wrongNameKey);
    channel_.SetMode(3);
    EXPECT_FALSE(channel_.Handshake(s_, L"127.0.0.1"));
    EXPECT_EQ(ws::WSAGetLastError(), ws::WSAECONNABORTED);
    EXPECT_FALSE(channel_.IsEstablished());
    EXPECT_EQ(trace_.Text(),
              L"[QE+] QeSslChannel::Handshake, the server's certificate was refused: IP address mismatch.\n");

    EXPECT_EQ(channel_.Write("secret", 6), -1);
    EXPECT_EQ(ws::WSAGetLastError(), ws::WSAENOTCONN);
    char buffer[16];
    EXPECT_EQ(channel_.Read(buffer, sizeof buffer), -1);
    EXPECT_EQ(ws::WSAGetLastError(), ws::WSAENOTCONN);
    EXPECT_EQ(server_.ReceivedSoFar(), "");
}

TEST_F(SslChannelTest, UntrustedCertificateFails) {
    const auto& c = testtls::TestCertificates();
    StartServer(c.untrustedCert, c.untrustedKey);
    channel_.SetMode(2);
    EXPECT_FALSE(channel_.Handshake(s_, L"localhost"));
    EXPECT_EQ(ws::WSAGetLastError(), ws::WSAECONNABORTED);
    EXPECT_EQ(trace_.Text(), L"[QE+] QeSslChannel::Handshake, the server's certificate was refused: self-signed certificate.\n");
}

TEST_F(SslChannelTest, SilentServerRunsIntoTheTimeout) {
    testnet::Listener silent;  // completes TCP connects, never says a word
    s_ = ConnectTo(silent.Port());
    ASSERT_NE(s_, ws::INVALID_SOCKET);
    channel_.SetMode(3);
    channel_.SetTimeout(300);
    EXPECT_FALSE(channel_.Handshake(s_, L"127.0.0.1"));
    EXPECT_EQ(ws::WSAGetLastError(), ws::WSAETIMEDOUT);
    EXPECT_FALSE(channel_.IsEstablished());
    EXPECT_EQ(trace_.Text(), L"[QE+] QeSslChannel::Handshake, no answer within 300 ms.\n");
}

TEST_F(SslChannelTest, ServerThatHangsUpFailsWithoutWaiting) {
    testnet::Listener listener;
    s_ = ConnectTo(listener.Port());
    int accepted = listener.Accept();
    ASSERT_GE(accepted, 0);
    testnet::CloseFd(accepted);
    channel_.SetMode(3);
    channel_.SetTimeout(60 * 60 * 1000);  // would hang the test if the failure were polled
    EXPECT_FALSE(channel_.Handshake(s_, L"127.0.0.1"));
    EXPECT_EQ(ws::WSAGetLastError(), ws::WSAECONNABORTED);
}

TEST_F(SslChannelTest, ModesAndMisuse) {
    EXPECT_EQ(channel_.Timeout(), 10000u);
    EXPECT_EQ(channel_.Mode(), 0);
    EXPECT_FALSE(channel_.Handshake(0, L"127.0.0.1"));
    EXPECT_EQ(ws::WSAGetLastError(), ws::WSAEINVAL);
    EXPECT_EQ(trace_.Text(), L"[QE+] QeSslChannel::Handshake, no TLS mode is set.\n");

    channel_.SetMode(3);
    channel_.SetMode(7);  // unknown: stored, the method stays
    EXPECT_EQ(channel_.Mode(), 7);
    EXPECT_FALSE(channel_.Handshake(0, L"127.0.0.1"));
    channel_.SetMode(3);
    EXPECT_FALSE(channel_.Handshake(0, L""));
    EXPECT_EQ(ws::WSAGetLastError(), ws::WSAEINVAL);
    EXPECT_NE(trace_.Text().find(L"[QE+] QeSslChannel::Handshake, no host to check the certificate against.\n"),
              std::wstring::npos);
    char buffer[8];
    EXPECT_EQ(channel_.Read(buffer, sizeof buffer), -1);
    EXPECT_EQ(ws::WSAGetLastError(), ws::WSAENOTCONN);
}

TEST_F(SslChannelTest, SecondHandshakeReplacesTheFirst) {
    const auto& c = testtls::TestCertificates();
    StartServer(c.goodCert, c.goodKey);
    channel_.SetMode(3);
    ASSERT_TRUE(channel_.Handshake(s_, L"127.0.0.1"));
    ws::closesocket(s_);
    // s_server serves one connection at a time; it takes the next once the first has ended.
    s_ = ConnectTo(server_.Port());
    ASSERT_TRUE(channel_.Handshake(s_, L"127.0.0.1"));
    ASSERT_EQ(channel_.Write("again\n", 6), 6);
    std::string received;
    ASSERT_TRUE(server_.ReadReceived(received, 6));
    EXPECT_EQ(received, "again\n");
}

TEST_F(SslChannelTest, BlockedWritesResumeFromAGrownMovedBuffer) {
    // The server stops reading (its output pipe is full), so writes run into WSAEWOULDBLOCK; the
    // retry comes from a new, longer buffer, the way the peer's send queue grows between tries.
    const auto& c = testtls::TestCertificates();
    StartServer(c.goodCert, c.goodKey);
    channel_.SetMode(3);
    ASSERT_TRUE(channel_.Handshake(s_, L"127.0.0.1"));

    const std::string all = testnet::Pattern(6 * 1024 * 1024);
    size_t offered = 1024 * 1024;  // bytes handed to the "queue" so far
    size_t written = 0;
    bool blocked = false;
    while (!blocked) {
        int n = channel_.Write(all.data() + written, static_cast<int>(offered - written));
        if (n < 0) {
            ASSERT_EQ(ws::WSAGetLastError(), ws::WSAEWOULDBLOCK);
            blocked = true;
        } else {
            written += static_cast<size_t>(n);
            if (written == offered) offered = std::min(all.size(), offered + 1024 * 1024);
            ASSERT_LT(written, all.size()) << "the server never stopped reading";
        }
    }

    std::string received;
    std::thread reader([&] { server_.ReadReceived(received, all.size()); });
    offered = all.size();
    while (written < all.size()) {
        std::string queue = all.substr(written, offered - written);  // a moved copy each time
        int n = channel_.Write(queue.data(), static_cast<int>(queue.size()));
        if (n > 0) {
            written += static_cast<size_t>(n);
        } else {
            ASSERT_EQ(n, -1);
            ASSERT_EQ(ws::WSAGetLastError(), ws::WSAEWOULDBLOCK);
            ASSERT_TRUE(WaitSocket(s_, POLLWRNORM));
        }
    }
    reader.join();
    ASSERT_EQ(received.size(), all.size());
    EXPECT_TRUE(received == all);
}

}  // namespace
