#include "tests/support/TlsServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <openssl/ssl.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "tests/support/Loopback.h"

extern char** environ;

namespace testtls {

namespace {

// Runs a command to its end with stdout and stderr in `log`; true for exit status 0.
bool RunCommand(const std::vector<std::string>& args, const std::string& log) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid;
    int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct CertificateFolder {
    std::string path;
    Certificates certificates;

    CertificateFolder() {
        char pattern[] = "/tmp/tevrik-tls-XXXXXX";
        if (!mkdtemp(pattern)) {
            certificates.error = "no temporary folder";
            return;
        }
        path = pattern;
        Make();
    }
    ~CertificateFolder() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }

    std::string File(const std::string& name) const { return path + "/" + name; }

    void Make() {
        const std::string config = File("openssl.cnf");
        std::ofstream(config) << "[req]\n"
                                 "distinguished_name = dn\n"
                                 "prompt = no\n"
                                 "[dn]\n"
                                 "CN = Tevrik Test\n"
                                 "[ca]\n"
                                 "basicConstraints = critical,CA:TRUE\n"
                                 "keyUsage = critical,keyCertSign,cRLSign\n"
                                 "subjectKeyIdentifier = hash\n"
                                 "[good]\n"
                                 "basicConstraints = CA:FALSE\n"
                                 "subjectAltName = DNS:localhost,IP:127.0.0.1\n"
                                 "[wrong]\n"
                                 "basicConstraints = CA:FALSE\n"
                                 "subjectAltName = DNS:wrong.example\n";
        const std::string log = File("openssl.log");
        const std::vector<std::string> newKey = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes"};
        auto req = [&](std::vector<std::string> args) {
            std::vector<std::string> all = {"openssl", "req", "-config", config};
            all.insert(all.end(), newKey.begin(), newKey.end());
            all.insert(all.end(), args.begin(), args.end());
            return RunCommand(all, log);
        };
        auto sign = [&](const std::string& name, const std::string& section, int serial) {
            return req({"-new", "-subj", "/CN=" + name, "-keyout", File(section + ".key"), "-out",
                        File(section + ".csr")}) &&
                   RunCommand({"openssl", "x509", "-req", "-in", File(section + ".csr"), "-CA", File("ca.pem"),
                               "-CAkey", File("ca.key"), "-set_serial", std::to_string(serial), "-days", "2",
                               "-extfile", config, "-extensions", section, "-out", File(section + ".pem")},
                              log);
        };
        bool made = req({"-x509", "-extensions", "ca", "-subj", "/CN=Tevrik Test CA", "-days", "2", "-keyout",
                         File("ca.key"), "-out", File("ca.pem")}) &&
                    sign("localhost", "good", 2) && sign("wrong.example", "wrong", 3) &&
                    req({"-x509", "-extensions", "good", "-subj", "/CN=localhost", "-days", "2", "-keyout",
                         File("untrusted.key"), "-out", File("untrusted.pem")});
        if (!made) {
            certificates.error = "openssl could not make the test certificates:\n" + ReadFile(log);
            return;
        }
        certificates.caFile = File("ca.pem");
        certificates.goodCert = File("good.pem");
        certificates.goodKey = File("good.key");
        certificates.wrongNameCert = File("wrong.pem");
        certificates.wrongNameKey = File("wrong.key");
        certificates.untrustedCert = File("untrusted.pem");
        certificates.untrustedKey = File("untrusted.key");
        certificates.ok = true;
    }
};

bool ChildExited(pid_t pid) {
    int status;
    return waitpid(pid, &status, WNOHANG) == pid;
}

// A blocking socket connected to 127.0.0.1:port, or -1.
int ConnectLoopback(std::uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return fd;
    ::close(fd);
    return -1;
}

bool ProbeConnect(std::uint16_t port) {
    int fd = ConnectLoopback(port);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

}  // namespace

const Certificates& TestCertificates() {
    static CertificateFolder folder;
    return folder.certificates;
}

TrustTestCa::TrustTestCa() {
    if (const char* old = std::getenv("SSL_CERT_FILE")) {
        m_hadFile = true;
        m_file = old;
    }
    if (const char* old = std::getenv("SSL_CERT_DIR")) {
        m_hadDir = true;
        m_dir = old;
    }
    setenv("SSL_CERT_FILE", TestCertificates().caFile.c_str(), 1);
    // An empty folder: the system's own authorities play no part in these tests.
    setenv("SSL_CERT_DIR", "/nonexistent", 1);
}

TrustTestCa::~TrustTestCa() {
    if (m_hadFile) setenv("SSL_CERT_FILE", m_file.c_str(), 1);
    else unsetenv("SSL_CERT_FILE");
    if (m_hadDir) setenv("SSL_CERT_DIR", m_dir.c_str(), 1);
    else unsetenv("SSL_CERT_DIR");
}

bool HandshakesAt(std::uint16_t port, int version) {
    int fd = ConnectLoopback(port);
    if (fd < 0) return false;
    timeval bound{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound);
    bool done = false;
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    if (context) {
        SSL_CTX_set_security_level(context, 0);
        SSL_CTX_set_min_proto_version(context, version);
        SSL_CTX_set_max_proto_version(context, version);
        SSL_CTX_set_cipher_list(context, "ALL:@SECLEVEL=0");
        SSL* connection = SSL_new(context);
        if (connection) {
            SSL_set_fd(connection, fd);
            done = SSL_connect(connection) == 1;
            SSL_free(connection);
        }
    }
    SSL_CTX_free(context);
    ::close(fd);
    return done;
}

SServer::~SServer() { Stop(); }

bool SServer::Start(const std::string& cert, const std::string& key, const std::vector<std::string>& extra) {
    // Another process may take the free port before s_server binds it: then try another one.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (Launch(cert, key, extra)) return true;
        Stop();
    }
    return false;
}

bool SServer::Launch(const std::string& cert, const std::string& key, const std::vector<std::string>& extra) {
    // Writing to the pipe of a server that died must fail, not end the test program.
    ::signal(SIGPIPE, SIG_IGN);
    m_port = testnet::FreePort();
    if (m_port == 0) {
        m_error = "no free port";
        return false;
    }
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0) return false;
    if (pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return false;
    }
    char logPattern[] = "/tmp/tevrik-s_server-XXXXXX";
    int logFd = mkstemp(logPattern);
    m_log = logPattern;
    std::string accept = "127.0.0.1:" + std::to_string(m_port);
    std::vector<std::string> args = {"openssl", "s_server", "-quiet", "-accept", accept, "-cert", cert, "-key", key};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    if (logFd >= 0) posix_spawn_file_actions_adddup2(&actions, logFd, 2);
    int spawned = posix_spawnp(&m_pid, "openssl", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    if (logFd >= 0) ::close(logFd);
    m_stdin = in[1];
    m_stdout = out[0];
    if (spawned != 0) {
        m_pid = -1;
        m_error = "openssl could not be started";
        return false;
    }
    // Ready once a connect goes through; each probe is one failed handshake for s_server, which
    // then goes on accepting.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        if (ProbeConnect(m_port)) return true;
        if (ChildExited(m_pid)) {
            m_pid = -1;
            m_error = "s_server ended: " + ReadFile(m_log);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    m_error = "s_server did not accept within 20 s: " + ReadFile(m_log);
    return false;
}

void SServer::Stop() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        int status;
        while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    m_pid = -1;
    if (m_stdin >= 0) ::close(m_stdin);
    if (m_stdout >= 0) ::close(m_stdout);
    m_stdin = m_stdout = -1;
    if (!m_log.empty()) ::unlink(m_log.c_str());
    m_log.clear();
}

bool SServer::ReadReceived(std::string& out, std::size_t n, int timeoutMs) {
    out.clear();
    char buffer[65536];
    while (out.size() < n) {
        if (!testnet::WaitFor(m_stdout, POLLIN, timeoutMs)) return false;
        std::size_t want = std::min(sizeof buffer, n - out.size());
        ssize_t got = ::read(m_stdout, buffer, want);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        out.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
}

std::string SServer::ReceivedSoFar() {
    std::string out;
    char buffer[4096];
    while (testnet::WaitFor(m_stdout, POLLIN, 0)) {
        ssize_t got = ::read(m_stdout, buffer, sizeof buffer);
        if (got <= 0) break;
        out.append(buffer, static_cast<std::size_t>(got));
    }
    return out;
}

bool SServer::SendToClient(const std::string& bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(m_stdin, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace testtls
