#include "framework/net/QeTcpPeer.h"

#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <openssl/ssl.h>

#include "platform/system/thread.h"
#include "platform/windows/input.h"
#include "platform/windows/window.h"
#include "tests/support/Loopback.h"
#include "tests/support/ProbeWindow.h"
#include "tests/support/Pump.h"
#include "tests/support/TlsServer.h"
#include "tests/support/TraceLog.h"

namespace {

constexpr double kBound = 20.0;  // seconds; every wait that is expected to end early

// Frames are lines ending in LF; the log records every call the peer makes.
class LinePeer : public QeTcpPeer {
public:
    ~LinePeer() override { Close(); }

    std::vector<std::string> log;   // "connect", "msg:<line>", "close", "error:<code>"
    std::vector<DWORD> framed;      // `available` of each FrameLength call
    std::string sent;               // the bytes of every OnSent, in order
    size_t messages = 0;
    size_t messageBytes = 0;
    bool logMessages = true;
    DWORD lengthBonus = 0;          // a faulty framer reports this much more than the line
    size_t queuedAtError = 0;
    std::function<void()> onConnect;
    std::function<void(const std::string&)> onMessage;
    std::function<void()> onSent;

    bool Has(const std::string& entry) const { return std::find(log.begin(), log.end(), entry) != log.end(); }
    size_t Count(const std::string& entry) const { return std::count(log.begin(), log.end(), entry); }
    bool HasError() const {
        return std::any_of(log.begin(), log.end(), [](const std::string& e) { return e.rfind("error:", 0) == 0; });
    }

protected:
    void OnConnect() override {
        log.push_back("connect");
        if (onConnect) onConnect();
    }
    void OnSent(const BYTE* bytes, DWORD n) override {
        sent.append(reinterpret_cast<const char*>(bytes), n);
        if (onSent) onSent();
    }
    void FrameLength(const BYTE* bytes, DWORD available, DWORD& length) override {
        framed.push_back(available);
        EXPECT_EQ(length, 0u);
        EXPECT_GE(available, 1u);
        const void* lf = std::memchr(bytes, '\n', available);
        if (lf) length = static_cast<DWORD>(static_cast<const BYTE*>(lf) - bytes + 1) + lengthBonus;
    }
    void OnMessage(const BYTE* bytes, DWORD length) override {
        std::string line(reinterpret_cast<const char*>(bytes), length - 1);
        ++messages;
        messageBytes += length;
        if (logMessages) log.push_back("msg:" + line);
        if (onMessage) onMessage(line);
    }
    void OnClose() override { log.push_back("close"); }
    void OnError(int code) override {
        queuedAtError = QueuedReceived();
        log.push_back("error:" + std::to_string(code));
    }
};

QeSocketAddress Loopback(std::uint16_t port) { return QeSocketAddress(L"127.0.0.1", port); }

using Log = std::vector<std::string>;

class TcpPeerTest : public ::testing::Test {
protected:
    void TearDown() override {
        peer_.Close();
        testnet::CloseFd(server_);
    }

    // Connected in plain mode, the server end accepted.
    void ConnectPlain() {
        ASSERT_GE(listener_.fd(), 0);
        ASSERT_TRUE(peer_.Connect(Loopback(listener_.Port()), 0));
        server_ = listener_.Accept();
        ASSERT_GE(server_, 0);
        ASSERT_TRUE(PumpUntil([&] { return peer_.Has("connect"); }, kBound));
    }

    testnet::Listener listener_;
    LinePeer peer_;
    int server_ = -1;
    TraceLog trace_;
};

TEST_F(TcpPeerTest, TwoFramesInOneReadArriveInOrder) {
    ConnectPlain();
    ASSERT_TRUE(testnet::SendAll(server_, "one\ntwo\n"));
    ASSERT_TRUE(PumpUntil([&] { return peer_.messages == 2; }, kBound));
    EXPECT_EQ(peer_.log, (Log{"connect", "msg:one", "msg:two"}));
    EXPECT_EQ(peer_.framed, (std::vector<DWORD>{8, 4}));
    EXPECT_EQ(peer_.QueuedReceived(), 0u);
}

TEST_F(TcpPeerTest, FrameSplitOverTwoReadsIsDeliveredOnceFromTheFront) {
    ConnectPlain();
    ASSERT_TRUE(testnet::SendAll(server_, "hel"));
    ASSERT_TRUE(PumpUntil([&] { return peer_.framed.size() == 1; }, kBound));
    EXPECT_EQ(peer_.framed[0], 3u);
    EXPECT_EQ(peer_.messages, 0u);
    EXPECT_EQ(peer_.QueuedReceived(), 3u);

    ASSERT_TRUE(testnet::SendAll(server_, "lo\nwor"));
    ASSERT_TRUE(PumpUntil([&] { return peer_.messages == 1; }, kBound));
    EXPECT_EQ(peer_.log, (Log{"connect", "msg:hello"}));
    EXPECT_EQ(peer_.framed, (std::vector<DWORD>{3, 9, 3}));
    EXPECT_EQ(peer_.QueuedReceived(), 3u);
}

TEST_F(TcpPeerTest, MessagesBeforeACloseComeBeforeOnClose) {
    ConnectPlain();
    ASSERT_TRUE(testnet::SendAll(server_, "x\ny\n"));
    ::shutdown(server_, SHUT_WR);
    ASSERT_TRUE(PumpUntil([&] { return peer_.Has("close"); }, kBound));
    EXPECT_EQ(peer_.log, (Log{"connect", "msg:x", "msg:y", "close"}));
    // The peer stays open until its owner closes it.
    EXPECT_TRUE(peer_.IsOpen());
}

// One message per slice: a message posted and a key typed while the first is delivered go before
// the second; the close comes after the last.
TEST_F(TcpPeerTest, BurstGoesOverSeveralTurnsInOrderWithInputBetweenAndTheCloseLast) {
    ConnectPlain();
    peer_.SetDispatchSlice(std::chrono::microseconds(0));
    Probe probe;
    probe.hook = [&](HWND, UINT message, WPARAM, LPARAM, LRESULT*) {
        if (message == WM_USER || message == WM_KEYDOWN) peer_.log.push_back(message == WM_USER ? "posted" : "key");
        return false;
    };
    HWND window = MakeProbe(&probe);
    peer_.onMessage = [&](const std::string& line) {
        if (line != "0") return;
        PostMessageW(window, WM_USER, 0, 0);
        InjectKeyPress(window, 'A');
    };
    ASSERT_TRUE(testnet::SendAll(server_, "0\n1\n2\n3\n"));
    ::shutdown(server_, SHUT_WR);
    ASSERT_TRUE(PumpUntil([&] { return peer_.Has("close"); }, kBound));
    EXPECT_EQ(peer_.log, (Log{"connect", "msg:0", "posted", "key", "msg:1", "msg:2", "msg:3", "close"}));
    DestroyWindow(window);
}

TEST_F(TcpPeerTest, ResetGivesOnErrorAndNoOnClose) {
    ConnectPlain();
    testnet::Reset(server_);
    server_ = -1;
    ASSERT_TRUE(PumpUntil([&] { return peer_.HasError(); }, kBound));
    PumpFor(0.05);
    EXPECT_EQ(peer_.log, (Log{"connect", "error:10054"}));
}

TEST_F(TcpPeerTest, ResetRightAfterDataNeverGivesOnClose) {
    // The read on this thread and the event thread's look at the socket race for the reset's
    // error; whichever takes it, the close reported after it must carry it.
    for (int round = 0; round < 300 && !HasFailure(); ++round) {
        peer_.log.clear();
        ConnectPlain();
        ASSERT_TRUE(testnet::SendAll(server_, "data\n"));
        testnet::Reset(server_);
        server_ = -1;
        ASSERT_TRUE(PumpUntil([&] { return peer_.HasError() || peer_.Has("close"); }, kBound));
        PumpFor(0.003);  // a close posted behind the error would show by now
        for (const std::string& entry : peer_.log) {
            EXPECT_TRUE(entry == "connect" || entry == "msg:data" || entry == "error:10054")
                << "round " << round << ": " << testing::PrintToString(peer_.log);
        }
    }
}

TEST_F(TcpPeerTest, RefusedConnectGivesTheEventsOwnError) {
    std::uint16_t closedPort = testnet::FreePort();
    ASSERT_TRUE(peer_.Connect(Loopback(closedPort), 0));
    // A stale error on this thread must not be what OnError reports.
    ws::WSASetLastError(ws::WSAEINVAL);
    ASSERT_TRUE(PumpUntil([&] { return peer_.HasError(); }, kBound));
    EXPECT_EQ(peer_.log, (Log{"error:10061"}));
}

TEST_F(TcpPeerTest, BytesQueuedBeforeTheConnectGoOutAfterIt) {
    ASSERT_TRUE(peer_.Connect(Loopback(listener_.Port()), 0));
    ASSERT_TRUE(peer_.Send("early\n", 6));
    EXPECT_EQ(peer_.QueuedForSending(), 6u);
    server_ = listener_.Accept();
    ASSERT_GE(server_, 0);
    char got[6];
    // The test thread must run the loop for the connect to complete and the bytes to go.
    std::thread reader([&] { ASSERT_TRUE(testnet::RecvExactly(server_, got, sizeof got)); });
    ASSERT_TRUE(PumpUntil([&] { return peer_.sent.size() == 6; }, kBound));
    reader.join();
    EXPECT_EQ(std::string(got, 6), "early\n");
    EXPECT_EQ(peer_.sent, "early\n");
    EXPECT_EQ(peer_.QueuedForSending(), 0u);
}

TEST_F(TcpPeerTest, BackPressureQueuesThenEverythingArrivesInOrder) {
    ConnectPlain();
    const std::string all = testnet::Pattern(24 * 1024 * 1024);
    size_t mostQueued = 0;
    for (size_t at = 0; at < all.size(); at += 64 * 1024) {
        ASSERT_TRUE(peer_.Send(all.data() + at, std::min<size_t>(64 * 1024, all.size() - at)));
        PumpPending();
        mostQueued = std::max(mostQueued, peer_.QueuedForSending());
    }
    // The server has read nothing, so the socket cannot have taken it all.
    EXPECT_GT(mostQueued, 0u);

    std::string received(all.size(), '\0');
    bool read = false;
    std::thread reader([&] { read = testnet::RecvExactly(server_, received.data(), received.size()); });
    bool done = PumpUntil([&] { return peer_.sent.size() == all.size(); }, 60.0);
    reader.join();
    ASSERT_TRUE(done);
    ASSERT_TRUE(read);
    EXPECT_TRUE(received == all);
    EXPECT_TRUE(peer_.sent == all);
    EXPECT_FALSE(peer_.HasError());
}

TEST_F(TcpPeerTest, CloseInsideOnMessageEndsFramingAndAConnectToASecondServerWorks) {
    ConnectPlain();
    testnet::Listener second;
    peer_.onMessage = [&](const std::string& line) {
        if (line != "switch") return;
        peer_.Close();
        EXPECT_EQ(peer_.QueuedReceived(), 0u);
        EXPECT_TRUE(peer_.Connect(Loopback(second.Port()), 0));
    };
    ASSERT_TRUE(testnet::SendAll(server_, "switch\nstale\n"));
    ASSERT_TRUE(PumpUntil([&] { return peer_.Count("connect") == 2; }, kBound));
    int secondServer = second.Accept();
    ASSERT_GE(secondServer, 0);
    // The first server's close belongs to the old connection and must not show.
    testnet::CloseFd(server_);
    server_ = -1;
    ASSERT_TRUE(testnet::SendAll(secondServer, "fresh\n"));
    ASSERT_TRUE(PumpUntil([&] { return peer_.Has("msg:fresh"); }, kBound));
    EXPECT_EQ(peer_.log, (Log{"connect", "msg:switch", "connect", "msg:fresh"}));
    testnet::CloseFd(secondServer);
}

TEST_F(TcpPeerTest, ReconnectInsideOnSentKeepsTheNewConnectionsBytes) {
    ConnectPlain();
    testnet::Listener second;
    peer_.onSent = [&] {
        peer_.onSent = nullptr;
        peer_.Close();
        ASSERT_TRUE(peer_.Connect(Loopback(second.Port()), 0));
        ASSERT_TRUE(peer_.Send("for the second server\n", 22));
    };
    ASSERT_TRUE(peer_.Send("bye\n", 4));
    EXPECT_EQ(peer_.QueuedForSending(), 22u);
    int secondServer = second.Accept();
    ASSERT_GE(secondServer, 0);
    std::string got(22, '\0');
    std::thread reader([&] { ASSERT_TRUE(testnet::RecvExactly(secondServer, got.data(), got.size())); });
    ASSERT_TRUE(PumpUntil([&] { return peer_.sent.size() == 4 + 22; }, kBound));
    reader.join();
    EXPECT_EQ(got, "for the second server\n");
    testnet::CloseFd(secondServer);
}

TEST_F(TcpPeerTest, SendInsideOnSentGoesOutOnceBehindTheBytesJustSent) {
    ConnectPlain();
    peer_.onSent = [&] {
        peer_.onSent = nullptr;
        ASSERT_TRUE(peer_.Send("second\n", 7));
    };
    ASSERT_TRUE(peer_.Send("first\n", 6));
    ASSERT_TRUE(PumpUntil([&] { return peer_.sent.size() >= 13; }, kBound));
    EXPECT_EQ(peer_.sent, "first\nsecond\n");
    EXPECT_EQ(peer_.QueuedForSending(), 0u);
    // Nothing is sent twice: the server gets both lines once and nothing after them.
    peer_.Close();
    std::string got;
    ASSERT_TRUE(testnet::RecvUntilClosed(server_, got));
    EXPECT_EQ(got, "first\nsecond\n");
}

TEST_F(TcpPeerTest, EventsOfAClosedConnectionNeverReachTheNextOne) {
    ConnectPlain();
    HWND first = peer_.Window();
    ASSERT_TRUE(testnet::SendAll(server_, "old\n"));
    // Let the read event be posted, but do not handle it.
    for (int i = 0; i < 2000 && CountQueuedMessages(first, WM_NULL) == 0; ++i) WaitMessageTimeout(10);
    ASSERT_GT(CountQueuedMessages(first, WM_NULL), 0);

    testnet::Listener second;
    peer_.Close();
    ASSERT_TRUE(peer_.Connect(Loopback(second.Port()), 0));
    EXPECT_NE(peer_.Window(), first);
    int secondServer = second.Accept();
    ASSERT_GE(secondServer, 0);
    ASSERT_TRUE(testnet::SendAll(secondServer, "new\n"));
    ASSERT_TRUE(PumpUntil([&] { return peer_.Has("msg:new"); }, kBound));
    EXPECT_EQ(peer_.log, (Log{"connect", "connect", "msg:new"}));
    testnet::CloseFd(secondServer);
}

TEST_F(TcpPeerTest, CloseTwiceAndReconnect) {
    peer_.Close();  // never connected
    peer_.Close();
    ConnectPlain();
    HWND first = peer_.Window();
    peer_.Close();
    peer_.Close();
    EXPECT_FALSE(peer_.IsOpen());
    EXPECT_EQ(peer_.Window(), nullptr);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(peer_.running, 0);
    EXPECT_FALSE(peer_.Send("late\n", 5));
    EXPECT_EQ(peer_.QueuedForSending(), 0u);

    testnet::CloseFd(server_);
    server_ = -1;
    peer_.log.clear();
    ConnectPlain();
    EXPECT_NE(peer_.Window(), first);
    ASSERT_TRUE(peer_.Send("again\n", 6));
    char got[6];
    ASSERT_TRUE(testnet::RecvExactly(server_, got, sizeof got));
    EXPECT_EQ(std::string(got, 6), "again\n");
}

TEST_F(TcpPeerTest, OpenThatFailsHalfWayLeavesAClosedPeer) {
    FailNextCreateThreads(1);
    EXPECT_FALSE(peer_.Connect(Loopback(listener_.Port()), 0));
    EXPECT_FALSE(peer_.IsOpen());
    EXPECT_EQ(peer_.Window(), nullptr);

    // An address that was never resolved fails at the connect, after the thread started.
    QeSocketAddress nowhere = Loopback(listener_.Port());
    nowhere.address.sin_addr.s_addr = 0;
    EXPECT_FALSE(peer_.Connect(nowhere, 0));
    EXPECT_FALSE(peer_.IsOpen());
    EXPECT_EQ(peer_.running, 0);

    ConnectPlain();
    EXPECT_EQ(peer_.log, (Log{"connect"}));
}

TEST_F(TcpPeerTest, EventThreadThatCannotGoOnReportsAnError) {
    ConnectPlain();
    ws::FailNextEnumNetworkEvents(1, ws::WSAENETDOWN);
    ASSERT_TRUE(testnet::SendAll(server_, "x\n"));
    ASSERT_TRUE(PumpUntil([&] { return peer_.HasError(); }, kBound));
    EXPECT_EQ(peer_.log, (Log{"connect", "error:10050"}));
    peer_.Close();
    EXPECT_EQ(peer_.running, 0);
}

TEST_F(TcpPeerTest, OversizedFrameClearsTheQueueWithMessageSizeError) {
    ConnectPlain();
    std::string huge(QeTcpPeer::kReceiveLimit + 64 * 1024, 'A');  // no LF anywhere
    std::thread sender([&] { testnet::SendAll(server_, huge); });
    bool failed = PumpUntil([&] { return peer_.HasError(); }, 60.0);
    sender.join();
    ASSERT_TRUE(failed);
    EXPECT_EQ(peer_.log, (Log{"connect", "error:10040"}));
    EXPECT_EQ(peer_.queuedAtError, 0u);
}

TEST_F(TcpPeerTest, ManySmallFramesBeyondTheLimitAreAllDelivered) {
    ConnectPlain();
    peer_.logMessages = false;
    std::string line(1023, 'm');
    line += '\n';
    const size_t count = 20 * 1024;  // 20 MiB in all, more than the receive limit
    std::string all;
    all.reserve(line.size() * count);
    for (size_t i = 0; i < count; ++i) all += line;
    std::thread sender([&] { testnet::SendAll(server_, all); });
    bool done = PumpUntil([&] { return peer_.messages == count || peer_.HasError(); }, 60.0);
    sender.join();
    ASSERT_TRUE(done);
    EXPECT_EQ(peer_.messages, count);
    EXPECT_EQ(peer_.messageBytes, all.size());
    EXPECT_FALSE(peer_.HasError());
}

TEST_F(TcpPeerTest, FrameLongerThanWhatArrivedIsIncomplete) {
    ConnectPlain();
    peer_.lengthBonus = 100;
    ASSERT_TRUE(testnet::SendAll(server_, "abc\n"));
    ASSERT_TRUE(PumpUntil([&] { return !peer_.framed.empty(); }, kBound));
    EXPECT_EQ(peer_.messages, 0u);
    EXPECT_EQ(peer_.QueuedReceived(), 4u);
    EXPECT_EQ(trace_.Text(),
              L"[QE+] QeTcpPeer::Receive, a frame of 104 bytes was reported with only 4 bytes received; "
              L"taken as incomplete.\n");
}

// ---------------------------------------------------------------------------------------------
// TLS against openssl s_server

class TcpPeerTlsTest : public TcpPeerTest {
protected:
    void SetUp() override {
        const testtls::Certificates& c = testtls::TestCertificates();
        ASSERT_TRUE(c.ok) << c.error;
        // What a protocol session would send as soon as it is connected.
        peer_.onConnect = [&] { peer_.Send("credentials\n", 12); };
    }
    void TearDown() override {
        TcpPeerTest::TearDown();
        server.Stop();
    }
    void Start(const std::string& cert, const std::string& key, const std::vector<std::string>& extra = {}) {
        ASSERT_TRUE(server.Start(cert, key, extra)) << server.Error();
    }

    testtls::TrustTestCa trust;
    testtls::SServer server;
};

TEST_F(TcpPeerTlsTest, TrustedServerWithTheRightNameConnects) {
    const auto& c = testtls::TestCertificates();
    Start(c.goodCert, c.goodKey);
    ASSERT_TRUE(peer_.Connect(QeSocketAddress(L"localhost", server.Port()), 3));
    ASSERT_TRUE(PumpUntil([&] { return peer_.Has("connect") || peer_.HasError(); }, kBound));
    EXPECT_EQ(peer_.log, (Log{"connect"}));
    std::string received;
    ASSERT_TRUE(server.ReadReceived(received, 12));
    EXPECT_EQ(received, "credentials\n");

    ASSERT_TRUE(server.SendToClient("welcome\nback\n"));
    ASSERT_TRUE(PumpUntil([&] { return peer_.messages == 2; }, kBound));
    EXPECT_EQ(peer_.log, (Log{"connect", "msg:welcome", "msg:back"}));
}

TEST_F(TcpPeerTlsTest, WrongNameFailsWithOnErrorAndNothingSent) {
    const auto& c = testtls::TestCertificates();
    Start(c.wrongNameCert, c.wrongNameKey);
    // Trusted, but made out to wrong.example: neither the address nor the name it was reached by.
    for (const wchar_t* host : {L"127.0.0.1", L"localhost"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(host)));
        peer_.log.clear();
        ASSERT_TRUE(peer_.Connect(QeSocketAddress(host, server.Port()), 3));
        ASSERT_TRUE(PumpUntil([&] { return peer_.HasError() || peer_.Has("connect"); }, kBound));
        EXPECT_EQ(peer_.log, (Log{"error:10053"}));
        EXPECT_NE(trace_.Text().find(L"the server's certificate was refused"), std::wstring::npos);
        trace_.Clear();
        // Whatever the owner sends now stays queued: the channel never carries it.
        EXPECT_TRUE(peer_.Send("credentials\n", 12));
        EXPECT_EQ(peer_.sent, "");
        EXPECT_EQ(server.ReceivedSoFar(), "");
    }
}

TEST_F(TcpPeerTlsTest, ServersOfTls10And11AreRefused) {
    const auto& c = testtls::TestCertificates();
    for (const auto& [flag, version] : {std::pair{"-tls1", TLS1_VERSION}, std::pair{"-tls1_1", TLS1_1_VERSION}}) {
        SCOPED_TRACE(flag);
        server.Stop();
        // The old versions sign with SHA-1, which only security level 0 allows.
        Start(c.goodCert, c.goodKey, {flag, "-cipher", "DEFAULT@SECLEVEL=0"});
        if (!testtls::HandshakesAt(server.Port(), version)) {
            GTEST_SKIP() << "the local openssl cannot serve " << flag << " at all";
        }
        peer_.log.clear();
        ASSERT_TRUE(peer_.Connect(QeSocketAddress(L"localhost", server.Port()), 3));
        ASSERT_TRUE(PumpUntil([&] { return peer_.HasError() || peer_.Has("connect"); }, kBound));
        EXPECT_EQ(peer_.log, (Log{"error:10053"}));
        // Refused for its version, before any question of ciphers or signatures: the hello offers
        // nothing older than TLS 1.2, and the server answers with its protocol-version alert.
        EXPECT_NE(trace_.Text().find(L"protocol version"), std::wstring::npos) << testing::PrintToString(trace_.Text());
        trace_.Clear();
    }
}

TEST_F(TcpPeerTlsTest, UntrustedServerFailsWithOnError) {
    const auto& c = testtls::TestCertificates();
    Start(c.untrustedCert, c.untrustedKey);
    ASSERT_TRUE(peer_.Connect(Loopback(server.Port()), 1));
    ASSERT_TRUE(PumpUntil([&] { return peer_.HasError() || peer_.Has("connect"); }, kBound));
    EXPECT_EQ(peer_.log, (Log{"error:10053"}));
    EXPECT_EQ(peer_.sent, "");
    EXPECT_EQ(server.ReceivedSoFar(), "");
}

TEST_F(TcpPeerTlsTest, ServerThatNeverAnswersTheHandshakeTimesOut) {
    testnet::Listener silent;  // takes the TCP connect, never speaks TLS
    peer_.Channel().SetTimeout(300);
    ASSERT_TRUE(peer_.Connect(Loopback(silent.Port()), 3));
    ASSERT_TRUE(PumpUntil([&] { return peer_.HasError() || peer_.Has("connect"); }, kBound));
    EXPECT_EQ(peer_.log, (Log{"error:10060"}));
    EXPECT_EQ(peer_.sent, "");
}

TEST_F(TcpPeerTlsTest, BackPressureQueuesThenEverythingArrivesInOrder) {
    const auto& c = testtls::TestCertificates();
    Start(c.goodCert, c.goodKey);
    peer_.onConnect = nullptr;
    ASSERT_TRUE(peer_.Connect(Loopback(server.Port()), 3));
    ASSERT_TRUE(PumpUntil([&] { return peer_.Has("connect") || peer_.HasError(); }, kBound));
    ASSERT_EQ(peer_.log, (Log{"connect"}));

    // Nobody reads the server's output yet, so it stops reading its socket.
    const std::string all = testnet::Pattern(24 * 1024 * 1024, 7);
    size_t mostQueued = 0;
    for (size_t at = 0; at < all.size(); at += 64 * 1024) {
        ASSERT_TRUE(peer_.Send(all.data() + at, std::min<size_t>(64 * 1024, all.size() - at)));
        PumpPending();
        mostQueued = std::max(mostQueued, peer_.QueuedForSending());
    }
    EXPECT_GT(mostQueued, 0u);

    std::string received;
    bool read = false;
    std::thread reader([&] { read = server.ReadReceived(received, all.size()); });
    bool done = PumpUntil([&] { return peer_.sent.size() == all.size() || peer_.HasError(); }, 60.0);
    reader.join();
    ASSERT_TRUE(done);
    ASSERT_TRUE(read);
    EXPECT_EQ(received.size(), all.size());
    EXPECT_TRUE(received == all);
    EXPECT_TRUE(peer_.sent == all);
    EXPECT_FALSE(peer_.HasError());
}

}  // namespace
