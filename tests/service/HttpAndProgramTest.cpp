// The upgrade files over HTTP, and the tevrik-service program itself.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <thread>

#include "tests/service/ScriptedClient.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/temp_folder.h"


using namespace service_test;
using tevrik_service::TestService;

namespace {

class HttpTest : public ::testing::Test {
protected:
    void SetUp() override { StartService(service); }

    std::string Get(const std::string& request) {
        ScriptedClient client;
        if (!client.Connect(service.HttpPort())) return "(no connection)";
        client.Send(request);
        return client.ReadToClose().value_or("(not closed)");
    }

    TestService service;
};

TEST_F(HttpTest, ManifestPointsAtThePackage) {
    service.SetUpgradeMessage("새 버전\r\n100% 무료");
    std::string port = std::to_string(service.HttpPort());
    std::string body = "[main]\r\nmsg=새%20버전%0d%0a100%25%20무료\r\nurl=http://127.0.0.1:" + port +
                       "/Upgrade/Tevrik_wm10.cab\r\n";
    EXPECT_EQ(Get("GET /Upgrade/Upgrade_wm10.ipml HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"),
              "HTTP/1.0 200 OK\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
                  std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body);

    service.SetUpgradePackage(std::string("PK\0\1\2", 5));
    EXPECT_EQ(Get("GET http://127.0.0.1:" + port + "/Upgrade/Tevrik_wm10.cab HTTP/1.0\r\n\r\n"),
              "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: 5\r\n"
              "Connection: close\r\n\r\n" + std::string("PK\0\1\2", 5));
    auto request = service.WaitForClientFrame(tevrik_service::kAllConnections, "GET", 1s);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->bytes, "GET /Upgrade/Upgrade_wm10.ipml HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
}

TEST_F(HttpTest, WebPageNamesItsCode) {
    const std::pair<const char*, const char*> cases[] = {
        {"/index.php?code=G115&t=a%20b", "Tevrik web page G115\n"},
        {"/index.php?t=x&code=D044", "Tevrik web page D044\n"},
        {"/index.php", "Tevrik web page \n"},
    };
    for (auto [path, body] : cases) {
        EXPECT_EQ(Get(std::string("GET ") + path + " HTTP/1.0\r\n\r\n"),
                  "HTTP/1.0 200 OK\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
                      std::to_string(std::string(body).size()) + "\r\nConnection: close\r\n\r\n" + body);
    }
}

TEST_F(HttpTest, OtherPathsMethodsAndOversizedHeads) {
    EXPECT_EQ(Get("GET /nothing HTTP/1.0\r\n\r\n"),
              "HTTP/1.0 404 Not Found\r\nContent-Type: text/plain\r\nContent-Length: 14\r\nConnection: close\r\n\r\n"
              "404 Not Found\n");
    EXPECT_EQ(Get("POST /Upgrade/Upgrade_wm10.ipml HTTP/1.0\r\n\r\n").rfind("HTTP/1.0 405 Method Not Allowed\r\n", 0), 0u);
    EXPECT_EQ(Get("GET /" + std::string(20000, 'a')), "");  // no end of head in sight: closed, no answer
}

// --- The program ---

std::string ProgramPath() {
    char path[4096];
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    std::string self(path, static_cast<size_t>(n));
    return self.substr(0, self.rfind('/')) + "/../tools/service/tevrik-service";
}

std::string ReadFileText(const std::string& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(ServiceProgram, HelpExplainsTheOptions) {
    std::string program = ProgramPath();
    if (::access(program.c_str(), X_OK) != 0) GTEST_SKIP() << "program not built at " << program;
    std::string out = ::testing::TempDir() + "/tevrik-service-help.txt";
    std::string command = "'" + program + "' --help > '" + out + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::string help = ReadFileText(out);
    for (const char* option : {"--login-port", "--session-port", "--http-port", "--seed", "--ports-file", "--ca-out",
                               "--ca-cert", "--ca-key", "--upgrade"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    command = "'" + program + "' --no-such-option 2>/dev/null";
    EXPECT_NE(std::system(command.c_str()), 0);
}

TEST(ServiceProgram, ServesTheDemoSeedUntilTerminated) {
    std::string program = ProgramPath();
    if (::access(program.c_str(), X_OK) != 0) GTEST_SKIP() << "program not built at " << program;
    std::string dir = ::testing::TempDir();
    std::string ports = dir + "/tevrik-service-ports-" + std::to_string(::getpid());
    std::string log = dir + "/tevrik-service-log-" + std::to_string(::getpid());
    ::unlink(ports.c_str());
    // Without --ca-out the CA goes to TMPDIR, for the run only.
    testsupport::TempFolder tmp;
    ChildProcess service;
    ASSERT_TRUE(service.Start(program, {{"TMPDIR", tmp.Path()}},
                              {"--login-port", "0", "--http-port", "0", "--ports-file", ports}, log));
    const pid_t pid = service.Pid();
    const std::string ca = tmp.File("tevrik-service-ca-" + std::to_string(pid) + ".pem");

    std::string text;
    for (int i = 0; i < 500 && text.find("http=") == std::string::npos; ++i) {
        std::this_thread::sleep_for(10ms);  // polling another process's file, bounded
        text = ReadFileText(ports);
    }
    uint16_t login = 0, session = 0;
    std::sscanf(text.c_str(), "login=%hu\nsession=%hu", &login, &session);
    ASSERT_NE(login, 0) << text;

    ScriptedClient client;
    ASSERT_TRUE(client.Connect(login));
    client.Send("PVER 1 1.0.2 2.0 ko.wm\r\nAUTH 2 MD5\r\n");
    EXPECT_EQ(client.Next(), "PVER 1 N\r\n");
    auto auth = client.Next();
    ASSERT_TRUE(auth);
    client.Send("REQS 3 " + Tokens(*auth)[2] + " minsu@tevrik.example\r\n");
    auto reqs = client.Next();
    ASSERT_TRUE(reqs);
    auto t = Tokens(*reqs);
    ASSERT_EQ(t.size(), 6u);
    EXPECT_EQ(t[4], std::to_string(session));
    // The CA it wrote is the one that signed the session server's certificate.
    ScriptedClient secure;
    ASSERT_TRUE(secure.ConnectTls(session, ReadFileText(ca)));
    std::string payload = t[5] + "\r\n" + Md5Hex("1234minsu") +
                          " MD5 1.0.2 ko.wm 0123456789abcdef0123456789abcdef N %00 %00\r\nO N N\r\n%00\r\n";
    secure.Send("LIN2 4 minsu@tevrik.example " + std::to_string(payload.size()) + "\r\n" + payload);
    auto lin2 = secure.Next();
    ASSERT_TRUE(lin2);
    EXPECT_NE(lin2->find("김민수 민수"), std::string::npos) << *lin2;

    ::kill(pid, SIGTERM);
    ASSERT_TRUE(service.WaitExit(5.0));
    EXPECT_EQ(service.ExitCode(), 0);
    std::string printed = ReadFileText(log);
    EXPECT_NE(printed.find(std::to_string(login)), std::string::npos) << printed;
    EXPECT_NE(printed.find(ca), std::string::npos) << printed;
    EXPECT_EQ(::rmdir(tmp.Path().c_str()), 0) << "the CA file is left behind";
    ::mkdir(tmp.Path().c_str(), 0700);
    ::unlink(ports.c_str());
    ::unlink(log.c_str());
}

TEST(ServiceProgram, RefusalsSayWhatToChange) {
    std::string program = ProgramPath();
    if (::access(program.c_str(), X_OK) != 0) GTEST_SKIP() << "program not built at " << program;
    // A port that is taken for as long as the test runs.
    const int taken = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    ASSERT_TRUE(::bind(taken, reinterpret_cast<sockaddr*>(&addr), length) == 0 && ::listen(taken, 1) == 0 &&
                ::getsockname(taken, reinterpret_cast<sockaddr*>(&addr), &length) == 0);
    const std::string busy = std::to_string(ntohs(addr.sin_port));
    testsupport::TempFolder folder;
    // The comma after "김민" is missing: the parser stops on the third line at the end of "name",
    // column 22 in characters (26 in bytes).
    const std::string seed = folder.File("broken.json");
    ASSERT_TRUE(testsupport::WriteBytes(seed, "{\n  \"users\": [\n    {\"id\": \"김민\" \"name\": \"x\"}\n  ]\n}\n"));
    const struct {
        std::string args;
        std::string says;
    } cases[] = {
        {"--login-port " + busy + " --http-port 0",
         "the login server's port 127.0.0.1:" + busy + " is in use; --login-port 0 picks a free port"},
        {"--login-port 0 --http-port " + busy, "is in use; --http-port 0 picks a free port"},
        {"--login-port 0 --http-port 0 --seed '" + seed + "'", seed + ": the seed does not parse at line 3, column 22: "},
    };
    const std::string out = folder.File("out.txt");
    for (const auto& c : cases) {
        const int status = std::system(("'" + program + "' " + c.args + " 2> '" + out + "'").c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << c.args;
        EXPECT_NE(ReadFileText(out).find(c.says), std::string::npos) << ReadFileText(out);
    }
    ::close(taken);
}

}  // namespace
