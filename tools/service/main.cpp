// tevrik-service: the local service stand-in as a program. It serves until SIGINT or SIGTERM.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "tools/service/Directory.h"
#include "tools/service/TestService.h"

using namespace tevrik_service;

namespace {

const char kHelp[] =
    "Usage: tevrik-service [options]\n"
    "A loopback stand-in for the messenger service: a login server (plain TCP), a session server\n"
    "(TLS, with its own certificate authority) and an HTTP server for the upgrade manifest and the\n"
    "client's web pages.\n"
    "\n"
    "  --login-port N       login server port (default 5004; 0 picks a free port)\n"
    "  --session-port N     session server port (default 0: a free port)\n"
    "  --http-port N        upgrade HTTP server port (default 5080, where the client looks by\n"
    "                       default; 0 picks a free port)\n"
    "  --seed FILE          accounts, buddies and memos as JSON (default: demo-seed.json beside\n"
    "                       the program)\n"
    "  --ports-file FILE    write the ports as lines login=<port>, session=<port>, http=<port>\n"
    "  --ca-out FILE        write the CA certificate (PEM) here (default: a file in the temporary\n"
    "                       folder); clients trust it with SSL_CERT_FILE=FILE\n"
    "  --ca-cert FILE       sign the server certificate with this CA certificate (PEM) ...\n"
    "  --ca-key FILE        ... and this CA key (PEM), instead of making a new CA\n"
    "  --upgrade N|Y|F      version check answer: N none (default), Y newer client offered,\n"
    "                       F newer client required\n"
    "  --list-part-size N   buddy list bytes per reply part (default 256)\n"
    "  --help               show this text\n"
    "\n"
    "Every account of the shipped demo seed signs in with the password 1234; the program lists the\n"
    "accounts of its seed when it starts.\n";

bool ParsePort(const char* text, uint16_t& port) {
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (!*text || *end || value < 0 || value > 65535) return false;
    port = static_cast<uint16_t>(value);
    return true;
}

bool WriteFile(const std::string& path, const std::string& text) {
    // Written beside the target and renamed, so a reader never sees half of it.
    std::string temporary = path + ".tmp";
    bool written;
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        written = file && (file << text) && file.flush();
    }
    if (written && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    std::remove(temporary.c_str());
    return false;
}

std::string ProgramFolder() {
    char path[4096];
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    std::string text(path, static_cast<size_t>(n));
    size_t slash = text.rfind('/');
    return slash == std::string::npos ? "." : text.substr(0, slash);
}

int Fail(const std::string& text) {
    std::fprintf(stderr, "tevrik-service: %s\n", text.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    ServiceOptions options;
    options.loginPort = 5004;
    options.httpPort = 5080;
    options.record = false;
    std::string seedFile, portsFile, caOut;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (i + 1 >= argc) return Fail("unknown option or missing value: " + arg + " (see --help)");
        const char* value = argv[++i];
        uint16_t port = 0;
        if (arg == "--login-port" || arg == "--session-port" || arg == "--http-port") {
            if (!ParsePort(value, port)) return Fail("not a port: " + std::string(value));
            (arg == "--login-port" ? options.loginPort : arg == "--session-port" ? options.sessionPort
                                                                                 : options.httpPort) = port;
        } else if (arg == "--seed") {
            seedFile = value;
        } else if (arg == "--ports-file") {
            portsFile = value;
        } else if (arg == "--ca-out") {
            caOut = value;
        } else if (arg == "--ca-cert") {
            options.caCertFile = value;
        } else if (arg == "--ca-key") {
            options.caKeyFile = value;
        } else if (arg == "--upgrade") {
            if (std::strlen(value) != 1 || !std::strchr("NYF", value[0])) return Fail("--upgrade takes N, Y or F");
            options.upgradeAnswer = value[0];
        } else if (arg == "--list-part-size") {
            long size = std::atol(value);
            if (size < 1) return Fail("--list-part-size takes a positive number");
            options.listPartSize = static_cast<size_t>(size);
        } else {
            return Fail("unknown option: " + arg + " (see --help)");
        }
    }
    if (seedFile.empty()) seedFile = ProgramFolder() + "/demo-seed.json";
    if (!ReadWholeFile(seedFile, options.seedJson)) return Fail("cannot read the seed " + seedFile);
    // Checked here, where the file's name is known to say which file is wrong.
    std::string error;
    if (Directory seed; !seed.Load(options.seedJson, error)) return Fail(seedFile + ": " + error);

    // The service's thread must not take the stop signals; main waits for them instead.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    TestService service;
    if (!service.Start(options, &error)) return Fail(error);
    // A CA file of our own choosing lives as long as the run; one the user asked for stays.
    const bool ownCaFile = caOut.empty();
    if (ownCaFile) caOut = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                           "/tevrik-service-ca-" + std::to_string(::getpid()) + ".pem";
    if (!WriteFile(caOut, service.CaCertPem())) return Fail("cannot write " + caOut);
    if (!portsFile.empty() &&
        !WriteFile(portsFile, "login=" + std::to_string(service.LoginPort()) + "\nsession=" +
                                  std::to_string(service.SessionPort()) + "\nhttp=" +
                                  std::to_string(service.HttpPort()) + "\n")) {
        if (ownCaFile) std::remove(caOut.c_str());
        return Fail("cannot write " + portsFile);
    }
    std::printf("tevrik-service: login server   127.0.0.1:%u (plain TCP)\n", service.LoginPort());
    std::printf("tevrik-service: session server 127.0.0.1:%u (TLS)\n", service.SessionPort());
    std::printf("tevrik-service: upgrade server http://127.0.0.1:%u/\n", service.HttpPort());
    std::printf("tevrik-service: CA certificate %s (trust it with SSL_CERT_FILE)\n", caOut.c_str());
    std::string accounts;
    service.WithDirectory([&](Directory& dir) {
        for (const auto& id : dir.UserIds()) accounts += (accounts.empty() ? "" : ", ") + id;
    });
    std::printf("tevrik-service: seed %s: %s\n", seedFile.c_str(), accounts.c_str());
    std::printf("tevrik-service: serving until interrupted\n");
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    std::printf("tevrik-service: stopping\n");
    service.Stop();
    if (ownCaFile) std::remove(caOut.c_str());
    return 0;
}
