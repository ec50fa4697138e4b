// What each step of a sign-in's cryptography leaves resident of libcrypto: the memory benchmark
// runs this program against the service stand-in's session port and reads one line per step on
// stdout, "<step> <libcrypto's Rss in kB> <VmRSS in kB>". The steps are the client's own calls in
// the order a sign-in makes them: the framework's start, the password hash, the kept hash's
// encryption, the TLS channel's construction, a client context, and two handshakes (127.0.0.1 at
// TEVRIK_TLS_PORT, trusting SSL_CERT_FILE). Exit status 0 when every step ran.
#include <openssl/ssl.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "framework/net/QeSslChannel.h"
#include "framework/ui/shell/QeFramework.h"
#include "messenger/model/Credentials.h"
#include "platform/net/winsock.h"

namespace {

void Note(const char* step) {
    long crypto = 0;
    long total = 0;
    std::ifstream smaps("/proc/self/smaps");
    bool inCrypto = false;
    for (std::string line; std::getline(smaps, line);) {
        const std::string first = line.substr(0, line.find(' '));
        if (first == "Rss:") {
            if (inCrypto) crypto += std::atol(line.c_str() + 4);
        } else if (!first.empty() && first.back() != ':') {  // a mapping's own line
            inCrypto = line.find("libcrypto") != std::string::npos;
        }
    }
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) total = std::atol(line.c_str() + 6);
    }
    std::printf("%s %ld %ld\n", step, crypto, total);
    std::fflush(stdout);
}

bool Handshake(QeSslChannel& channel, int port) {
    ws::SOCKET socket = ws::socket(AF_INET, SOCK_STREAM, 0);
    ws::SOCKADDR_IN address{};
    address.sin_family = AF_INET;
    address.sin_port = (ws::htons)(static_cast<ws::u_short>(port));
    address.sin_addr.s_addr = ws::inet_addr("127.0.0.1");
    const bool done = socket != ws::INVALID_SOCKET &&
                      ws::connect(socket, reinterpret_cast<const ws::SOCKADDR*>(&address), sizeof address) == 0 &&
                      channel.Handshake(socket, L"127.0.0.1");
    channel.Free();
    if (socket != ws::INVALID_SOCKET) ws::closesocket(socket);
    return done;
}

}  // namespace

int main() {
    const char* port = std::getenv("TEVRIK_TLS_PORT");
    if (port == nullptr) return 2;
    Note("loaded");
    if (!QeFrameworkStart()) return 1;
    Note("framework");
    std::wstring digest;
    HashCredentials(digest, L"owner@tevrik.example", L"1234");
    Note("hash");
    const bool saved = SavePassword(digest);
    Note("saved");
    bool ok = saved;
    {
        QeSslChannel channel;
        channel.SetMode(3);
        Note("channel");
        SSL_CTX* context = SSL_CTX_new(TLS_client_method());
        ok = ok && context != nullptr;
        Note("context");
        SSL_CTX_free(context);
        ok = Handshake(channel, std::atoi(port)) && ok;
        Note("handshake1");
        ok = Handshake(channel, std::atoi(port)) && ok;
        Note("handshake2");
    }
    QeFrameworkStop();
    return ok ? 0 : 1;
}
