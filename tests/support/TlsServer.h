// A real TLS server for tests: the `openssl s_server` command, run as a child process on
// 127.0.0.1 with certificates that the tests make themselves.
//
// s_server writes what it receives to its standard output and sends what arrives on its standard
// input, so a test reads and writes both pipes. When the test stops reading the output pipe,
// s_server blocks on it and stops reading its socket: that is how a test makes back-pressure.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testtls {

// Keys and certificates made once per test process (EC P-256), in a folder removed at exit.
struct Certificates {
    bool ok = false;
    std::string error;   // what went wrong when !ok
    std::string caFile;  // the test CA, to be trusted through SSL_CERT_FILE
    // Signed by the test CA for DNS:localhost and IP:127.0.0.1.
    std::string goodCert, goodKey;
    // Signed by the test CA for DNS:wrong.example only.
    std::string wrongNameCert, wrongNameKey;
    // Right names, but self-signed: no trusted CA stands behind it.
    std::string untrustedCert, untrustedKey;
};
const Certificates& TestCertificates();

// Points SSL_CERT_FILE at the test CA (and SSL_CERT_DIR at nothing) for the object's life.
class TrustTestCa {
public:
    TrustTestCa();
    ~TrustTestCa();
    TrustTestCa(const TrustTestCa&) = delete;
    TrustTestCa& operator=(const TrustTestCa&) = delete;

private:
    bool m_hadFile = false, m_hadDir = false;
    std::string m_file, m_dir;
};

// Whether a server on 127.0.0.1:port completes a handshake at exactly this protocol version
// (TLS1_VERSION, TLS1_1_VERSION, ...) with a client that allows everything else: security level 0,
// no verification. Tells whether the local OpenSSL can serve that version at all.
bool HandshakesAt(std::uint16_t port, int version);

class SServer {
public:
    SServer() = default;
    ~SServer();  // Stop
    SServer(const SServer&) = delete;
    SServer& operator=(const SServer&) = delete;

    // Starts s_server on a free port of 127.0.0.1 and waits (bounded) until it accepts
    // connections. False, with Error() telling why, when it never did.
    // `extra` goes on s_server's command line.
    bool Start(const std::string& cert, const std::string& key, const std::vector<std::string>& extra = {});
    // Kills and reaps the process and closes the pipes; harmless when not running.
    void Stop();

    std::uint16_t Port() const { return m_port; }
    const std::string& Error() const { return m_error; }

    // Reads exactly n bytes of what the server received, waiting at most timeoutMs for each piece.
    bool ReadReceived(std::string& out, std::size_t n, int timeoutMs = 20000);
    // What the server received that is already waiting in the pipe (no wait).
    std::string ReceivedSoFar();
    // Hands bytes to the server to send to the client.
    bool SendToClient(const std::string& bytes);

private:
    bool Launch(const std::string& cert, const std::string& key, const std::vector<std::string>& extra);
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_stdout = -1;
    std::uint16_t m_port = 0;
    std::string m_error;
    std::string m_log;
};

}  // namespace testtls
