#include "framework/net/QeHttpClient.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "framework/base/QeStrings.h"
#include "platform/system/mmtimer.h"
#include "tests/framework/http_test_server.h"
#include "tests/framework/temp_dir.h"
#include "tests/support/Loopback.h"
#include "tests/support/Pump.h"
#include "tests/support/TraceLog.h"

namespace {

using testhttp::Reply;
using testhttp::Request;
using testhttp::Response;
using testhttp::Server;

std::wstring W(const std::string& text) { return QeStrings::AnsiToWide(text); }

std::string Body(const QeHttpClient& client) {
    return client.GetBody() == nullptr
               ? std::string()
               : std::string(reinterpret_cast<const char*>(client.GetBody()), client.GetBodyLength());
}

// Records every call, and answers false at the call it is told to.
class RecordingListener : public QeHttpListener {
public:
    std::vector<std::string> calls;
    std::vector<uint32_t> received;
    std::vector<uint32_t> totals;  // bytesTotal as each receive progress saw it
    std::string stopAt;

    bool Step(const std::string& name) {
        calls.push_back(name);
        return name != stopAt;
    }
    bool OnConnecting() override { return Step("connecting"); }
    bool OnConnected() override { return Step("connected"); }
    bool OnUploadProgress(uint32_t n) override { return Step("upload " + std::to_string(n)); }
    bool OnRequestSent() override { return Step("sent"); }
    bool OnReceiveProgress(uint32_t n) override {
        received.push_back(n);
        totals.push_back(bytesTotal);
        return Step("receive");
    }
    bool OnReceiveComplete() override { return Step("complete"); }

    uint32_t ReceivedSum() const {
        uint32_t sum = 0;
        for (uint32_t n : received) sum += n;
        return sum;
    }
};

class HttpClient : public ::testing::Test {
protected:
    // Runs one exchange and checks that no socket outlives it.
    bool Get(const std::string& url) {
        const bool ok = client.Execute(QeUrl(W(url)));
        EXPECT_EQ(client.handle, ws::INVALID_SOCKET);
        return ok;
    }
    QeHttpClient client;
};

const std::string kHello = "HTTP/1.0 200 OK\r\nContent-Length: 5\r\nX-A: one\r\n two\r\n\r\nhello";

TEST_F(HttpClient, OkWithContentLengthAndProgress) {
    Server server([](const Request&, int) { return Reply(kHello); });
    ASSERT_TRUE(server.Valid());
    RecordingListener listener;
    client.SetListener(&listener);

    ASSERT_TRUE(Get(server.Base() + "/dir/file.txt"));
    EXPECT_EQ(client.Status(), 200);
    EXPECT_EQ(Body(client), "hello");
    EXPECT_EQ(client.GetHeader(L"x-a"), L"onetwo");  // folded over two lines
    EXPECT_EQ(client.GetHeader(L"Missing"), L"");

    const std::string head = "GET /dir/file.txt HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n\r\n";
    ASSERT_EQ(server.Count(), 1u);
    EXPECT_EQ(server.Requests()[0].head, head);

    ASSERT_GE(listener.calls.size(), 6u);
    EXPECT_EQ(listener.calls[0], "connecting");
    EXPECT_EQ(listener.calls[1], "connected");
    EXPECT_EQ(listener.calls[2], "upload " + std::to_string(head.size()));
    EXPECT_EQ(listener.calls[3], "sent");
    EXPECT_EQ(listener.calls.back(), "complete");
    EXPECT_EQ(listener.ReceivedSum(), kHello.size());
    EXPECT_EQ(listener.bytesDone, kHello.size());
    EXPECT_EQ(listener.bytesTotal, 5u);  // the Content-Length, once the head was seen
}

TEST_F(HttpClient, OkWithoutContentLengthReadsUntilClose) {
    const std::string body = testnet::Pattern(200000);
    Server server([&](const Request&, int) { return Reply("HTTP/1.0 200 OK\r\nContent-Length: nonsense\r\n\r\n" + body); });
    RecordingListener listener;
    client.SetListener(&listener);
    ASSERT_TRUE(Get(server.Base() + "/big"));
    EXPECT_EQ(client.Status(), 200);
    EXPECT_EQ(Body(client), body);
    EXPECT_GT(listener.received.size(), 1u);  // it came in several blocks
    for (uint32_t n : listener.received) EXPECT_LE(n, static_cast<uint32_t>(QeHttpClient::kChunkSize));
    for (uint32_t total : listener.totals) EXPECT_EQ(total, 0u);  // nothing announced

    Server bare([&](const Request&, int) { return Reply("HTTP/1.0 200 OK\r\n\r\n" + body); });
    ASSERT_TRUE(Get(bare.Base() + "/big"));
    EXPECT_EQ(Body(client), body);
}

TEST_F(HttpClient, NotFoundStillDeliversItsBody) {
    Server server([](const Request&, int) { return Reply("HTTP/1.0 404 Not Found\r\nContent-Length: 8\r\n\r\nno such\n"); });
    ASSERT_TRUE(Get(server.Base() + "/missing"));
    EXPECT_EQ(client.Status(), 404);
    EXPECT_EQ(Body(client), "no such\n");
}

TEST_F(HttpClient, BodyShorterThanItsContentLengthFails) {
    struct Case {
        std::string response;
        bool ok;
        int status;
        std::string body;
    };
    const std::vector<Case> cases = {
        {"HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nhello", false, 200, "hello"},  // cut: five of ten
        {"HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n", false, 200, ""},
        {"HTTP/1.0 404 Not Found\r\ncontent-length: 9\r\n\r\nno such", false, 404, "no such"},
        {"HTTP/1.0 200 OK\r\nContent-Length: 99999999999999999999\r\n\r\nx", true, 200, "x"},  // no number
        {"HTTP/1.0 200 OK\r\nContent-Length: 5 \r\n\r\nhello", true, 200, "hello"},
        {"HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nhello", true, 200, "hello"},  // more is kept
        {"HTTP/1.0 200 OK\r\nContent-Length: -1\r\n\r\nhello", true, 200, "hello"},
        {"HTTP/1.0 200 OK\r\nContent-Length: 9x\r\n\r\nhello", true, 200, "hello"},
    };
    Server server([&](const Request& r, int) { return Reply(cases[std::atoi(r.path.c_str() + 1)].response); });
    RecordingListener listener;
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].response);
        client.SetListener(i % 2 == 0 ? &listener : nullptr);
        EXPECT_EQ(Get(server.Base() + "/" + std::to_string(i)), cases[i].ok);
        EXPECT_EQ(client.Status(), cases[i].status);
        EXPECT_EQ(Body(client), cases[i].body);
    }
}

// The test clock moves only while the server is slow: before each piece it waits until the client
// has received everything sent so far (or has given up), then lets stepMs pass.
class PacedExchange : public QeHttpListener {
public:
    bool OnReceiveProgress(uint32_t n) override {
        received += n;
        return true;
    }
    Response Serve(const std::string& bytes, size_t piece, DWORD stepMs) {
        Response r = Reply(bytes);
        r.piece = piece;
        r.between = [this, stepMs](size_t sent) {
            const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (received < sent && !over && std::chrono::steady_clock::now() < bound) std::this_thread::yield();
            timeFakeClockAdvance(stepMs, nullptr, nullptr);
        };
        return r;
    }
    std::atomic<size_t> received{0};
    std::atomic<bool> over{false};
};

TEST_F(HttpClient, SlowServersAreGivenUpOnTheTestClock) {
    FakeClock clock;
    TraceLog trace;
    const std::string response = "HTTP/1.0 200 OK\r\nContent-Length: 60000\r\n\r\n" + testnet::Pattern(60000);
    const std::wstring trickling = L"[QE+] QeHttpClient::Execute, fewer than 1024 bytes arrived in 30000 ms; the server is given up.\n";
    const std::wstring overtime = L"[QE+] QeHttpClient::Execute, the exchange did not end within 30000 ms; it is given up.\n";
    struct Case {
        const char* path;  // "/trickle": 10 bytes every 2 s; "/live": 1100 bytes every 25 s; "/fast"
        DWORD limit;
        bool ok;
        std::wstring trace;
    };
    const std::vector<Case> cases = {
        {"/trickle", 0, false, trickling},
        {"/live", 0, true, L""},  // over 20 minutes in all, but never stalled
        {"/live", 30000, false, overtime},
        {"/fast", 30000, true, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        PacedExchange pace;
        Server server([&](const Request& r, int) {
            if (r.path == "/trickle") return pace.Serve(response, 10, 2000);
            if (r.path == "/live") return pace.Serve(response, 1100, 25000);
            return Reply(response);
        });
        client.SetListener(&pace);
        client.SetTimeLimit(c.limit);
        EXPECT_EQ(Get(server.Base() + c.path), c.ok);
        pace.over = true;
        EXPECT_EQ(trace.Text(), c.trace);
        if (c.ok) {
            EXPECT_EQ(client.RawResponse().Size(), response.size());
        } else {
            EXPECT_LT(client.RawResponse().Size(), 3000u);  // given up after a few pieces
        }
        trace.Clear();
    }
}

TEST_F(HttpClient, FollowsAbsoluteAndRelativeRedirects) {
    Server target([](const Request&, int) { return Reply(kHello); });
    Server server([&](const Request& r, int) {
        if (r.path == "/abs") return Reply("HTTP/1.0 302 Found\r\nLocation: " + target.Base() + "/there\r\n\r\n");
        if (r.path == "/slash") return Reply("HTTP/1.0 301 Moved\r\nLocation: /update/pkg\r\n\r\n");
        if (r.path == "/bare") return Reply("HTTP/1.0 302 Found\r\nLocation: update/pkg\r\n\r\n");
        if (r.path == "/update/pkg") return Reply("HTTP/1.0 200 OK\r\n\r\npackage");
        return Reply("HTTP/1.0 404 Not Found\r\n\r\n");
    });

    ASSERT_TRUE(Get(server.Base() + "/abs"));
    EXPECT_EQ(Body(client), "hello");
    ASSERT_EQ(target.Count(), 1u);
    EXPECT_EQ(target.Requests()[0].line, "GET /there HTTP/1.0");
    EXPECT_EQ(target.Requests()[0].Header("Host"), "127.0.0.1:" + std::to_string(target.Port()));

    // A relative location stays on the same host and port, with a single "/".
    for (const char* path : {"/slash", "/bare"}) {
        ASSERT_TRUE(Get(server.Base() + path)) << path;
        EXPECT_EQ(client.Status(), 200);
        EXPECT_EQ(Body(client), "package");
        const Request last = server.Requests().back();
        EXPECT_EQ(last.line, "GET /update/pkg HTTP/1.0");
        EXPECT_EQ(last.Header("Host"), "127.0.0.1:" + std::to_string(server.Port()));
    }

    // Without following, the redirect itself is the answer.
    client.SetFollowRedirects(false);
    const size_t before = server.Count();
    ASSERT_TRUE(Get(server.Base() + "/slash"));
    EXPECT_EQ(client.Status(), 301);
    EXPECT_EQ(client.GetHeader(L"Location"), L"/update/pkg");
    EXPECT_EQ(server.Count(), before + 1);
}

TEST_F(HttpClient, RedirectsEndAfterTenInARow) {
    // Path /n/<k> redirects to /n/<k+1> until k reaches the limit given by the first word.
    Server server([](const Request& r, int) {
        const int k = std::atoi(r.path.c_str() + r.path.rfind('/') + 1);
        const int stop = std::atoi(r.path.c_str() + 1);
        if (k < stop) {
            return Reply("HTTP/1.0 302 Found\r\nLocation: /" + std::to_string(stop) + "/" + std::to_string(k + 1) + "\r\n\r\n");
        }
        return Reply("HTTP/1.0 200 OK\r\n\r\ndone");
    });
    ASSERT_TRUE(Get(server.Base() + "/10/0"));  // ten redirects, then the answer
    EXPECT_EQ(Body(client), "done");
    EXPECT_EQ(server.Count(), 11u);

    EXPECT_FALSE(Get(server.Base() + "/1000/0"));  // a loop as far as the client can tell
    EXPECT_EQ(server.Count(), 22u);                 // the eleventh redirect is not followed
    EXPECT_EQ(client.Status(), 302);
}

TEST_F(HttpClient, RedirectFailures) {
    Server server([](const Request& r, int) {
        if (r.path == "/tls") return Reply("HTTP/1.0 302 Found\r\nLocation: https://127.0.0.1/x\r\n\r\n");
        return Reply("HTTP/1.0 303 See Other\r\nContent-Length: 0\r\n\r\n");
    });
    EXPECT_FALSE(Get(server.Base() + "/tls"));
    EXPECT_FALSE(Get(server.Base() + "/nowhere"));
    EXPECT_EQ(server.Count(), 2u);
}

TEST_F(HttpClient, CookiesGoBackOnTheRedirectedRequest) {
    Server server([](const Request& r, int) {
        if (r.path == "/login") {
            return Reply("HTTP/1.0 302 Found\r\nSet-Cookie: sid=abc; path=/; HttpOnly\r\nLocation: /home\r\n\r\n");
        }
        return Reply("HTTP/1.0 200 OK\r\nSet-Cookie: theme=dark\r\nSet-Cookie: ignored=1\r\n\r\nhome");
    });
    ASSERT_TRUE(Get(server.Base() + "/login"));
    ASSERT_EQ(server.Count(), 2u);
    EXPECT_EQ(server.Requests()[0].Header("Cookie"), "");
    EXPECT_EQ(server.Requests()[1].Header("Cookie"), "sid=abc");
    ASSERT_EQ(client.Cookies().size(), 2u);  // only the first Set-Cookie of a response counts
    EXPECT_EQ(client.Cookies()[1].name, L"theme");

    ASSERT_TRUE(Get(server.Base() + "/home"));
    EXPECT_EQ(server.Requests()[2].Header("Cookie"), "sid=abc;theme=dark");

    QeHttpClient forgetful;
    forgetful.SetKeepCookies(false);
    ASSERT_TRUE(forgetful.Execute(QeUrl(W(server.Base() + "/login"))));
    EXPECT_EQ(server.Requests()[4].Header("Cookie"), "");
    EXPECT_TRUE(forgetful.Cookies().empty());
}

TEST_F(HttpClient, ListenerAborts) {
    const std::string body = testnet::Pattern(100000);
    Server server([&](const Request&, int) { return Reply("HTTP/1.0 200 OK\r\n\r\n" + body); });

    RecordingListener early;
    early.stopAt = "connecting";
    client.SetListener(&early);
    EXPECT_FALSE(Get(server.Base() + "/x"));
    EXPECT_EQ(early.calls.size(), 1u);

    RecordingListener midway;
    midway.stopAt = "receive";
    client.SetListener(&midway);
    EXPECT_FALSE(Get(server.Base() + "/x"));
    EXPECT_EQ(midway.received.size(), 1u);  // false at once: no further block is read
    EXPECT_EQ(midway.calls.back(), "receive");

    for (const char* step : {"connected", "sent", "complete"}) {
        RecordingListener listener;
        listener.stopAt = step;
        client.SetListener(&listener);
        EXPECT_FALSE(Get(server.Base() + "/x")) << step;
        EXPECT_EQ(listener.calls.back(), step);
    }
}

TEST_F(HttpClient, TransportFailures) {
    // Nobody listening.
    EXPECT_FALSE(Get("http://127.0.0.1:" + std::to_string(testnet::FreePort()) + "/x"));
    // No port a socket can have.
    EXPECT_FALSE(Get("http://127.0.0.1:70000/x"));
    EXPECT_FALSE(Get("http://127.0.0.1:0/x"));

    // A head that never completes: what came is kept, but it is no response.
    const std::string partial = "HTTP/1.0 200 OK\r\nContent-Le";
    Server cut([&](const Request&, int) { return Reply(partial); });
    EXPECT_FALSE(Get(cut.Base() + "/x"));
    EXPECT_EQ(client.Status(), 0);
    EXPECT_EQ(client.GetBody(), nullptr);
    EXPECT_EQ(client.RawResponse().Size(), partial.size());

    // A reset after the bytes is a receive error.
    Server reset([](const Request&, int) {
        Response r = Reply("HTTP/1.0 200 OK\r\n\r\npartial");
        r.reset = true;
        return r;
    });
    EXPECT_FALSE(Get(reset.Base() + "/x"));
}

TEST_F(HttpClient, ResponseLargerThanTheCapFails) {
    const std::string head = "HTTP/1.0 200 OK\r\n\r\n";
    Server server([&](const Request& r, int) {
        const size_t body = QeHttpResponse::kMaxBytes - head.size() + (r.path == "/over" ? 1 : 0);
        return Reply(head + std::string(body, 'x'));
    });
    ASSERT_TRUE(Get(server.Base() + "/exact"));
    EXPECT_EQ(client.RawResponse().Size(), QeHttpResponse::kMaxBytes);
    EXPECT_FALSE(Get(server.Base() + "/over"));
    EXPECT_LE(client.RawResponse().Size(), QeHttpResponse::kMaxBytes);
}

TEST_F(HttpClient, PostBodiesArriveAsCounted) {
    TempDir dir;
    ASSERT_TRUE(dir.Valid());
    const std::string file = testnet::Pattern(20000);  // more than two send blocks
    dir.WriteBytes("up.bin", file);
    Server server([](const Request&, int) { return Reply("HTTP/1.0 200 OK\r\n\r\nthanks"); });

    client.Request().SetMethod(QeHttpRequest::kPost);
    client.FormFields().push_back({L"name", L"a b&c", false});
    RecordingListener listener;
    client.SetListener(&listener);
    ASSERT_TRUE(Get(server.Base() + "/form"));
    Request got = server.Requests().back();
    EXPECT_EQ(got.body, "name=a%20b&c");
    EXPECT_EQ(got.Header("Content-Length"), "12");
    EXPECT_EQ(got.Header("Content-Type"), "application/x-www-form-urlencoded");

    client.Request().SetBodyKind(QeHttpRequest::kMultipart);
    client.FormFields().push_back({L"up", dir.Path(L"up.bin"), true});
    const uint32_t length = client.Request().BodyLength();
    listener = RecordingListener();
    ASSERT_TRUE(Get(server.Base() + "/multi"));
    got = server.Requests().back();
    const std::string b = QeStrings::WideToAnsi(client.Request().Boundary());
    const std::string expected = "--" + b + "\r\nContent-Disposition: form-data; name=\"name\"\r\n\r\na b&c\r\n--" + b +
                                 "\r\nContent-Disposition: form-data; name=\"up\"; filename=\"" +
                                 QeStrings::WideToAnsi(dir.Path(L"up.bin")) + "\"\r\n\r\n" + file + "\r\n--" + b + "--\r\n";
    EXPECT_EQ(got.body, expected);
    EXPECT_EQ(got.body.size(), length);
    EXPECT_EQ(got.Header("Content-Length"), std::to_string(length));
    // Upload progress counted the head and every body byte, the file in blocks of at most 8192.
    uint32_t uploaded = 0;
    int fileBlocks = 0;
    for (const std::string& call : listener.calls) {
        if (call.rfind("upload ", 0) != 0) continue;
        const uint32_t n = static_cast<uint32_t>(std::stoul(call.substr(7)));
        uploaded += n;
        EXPECT_LE(n, std::max<uint32_t>(QeHttpClient::kChunkSize, got.head.size()));
        if (n == 8192) ++fileBlocks;
    }
    EXPECT_EQ(uploaded, got.head.size() + length);
    EXPECT_EQ(fileBlocks, 2);

    // A file field whose file is gone fails the exchange rather than send a short body.
    client.FormFields()[1].value = dir.Path(L"gone.bin");
    EXPECT_FALSE(Get(server.Base() + "/multi"));
}

}  // namespace
