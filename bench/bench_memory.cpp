// Resident memory of the whole client: one driven client (tests/e2e/DriveLink.h) on the real clock
// signs in through the login form an account of 300 buddies in 12 groups with 20 memos in its inbox,
// and settles on the buddy list; then VmRSS and VmHWM are read from /proc. Once with the headless
// presenter and once with the SDL window (offscreen driver). Targets: under 25 MB headless, under
// 30 MB with the window. With TEVRIK_BENCH_SMAPS=PREFIX the client's /proc smaps go to
// PREFIX.headless and PREFIX.window, for a look at where the memory lies. The counters crypto_MB,
// heap_MB and anon_MB split VmRSS by mapping: libcrypto's pages, the brk heap, and every other
// mapping without a file (malloc's own maps, thread stacks, the surfaces).
//
// CryptoResident runs crypto_steps.cpp against the stand-in and reports libcrypto's resident kB
// after each step of a sign-in's cryptography (framework start, password hash, kept hash, channel,
// context, two handshakes).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "bench/SignedInClient.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr int kBuddies = 300;
constexpr int kGroups = 12;
constexpr int kMemos = 20;

// A "VmRSS:   1234 kB" line of /proc/PID/status, in MB; -1 when missing.
double StatusMb(int pid, const std::string& key) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(key + ":", 0) == 0) return std::stod(line.substr(key.size() + 1)) / 1024.0;
    }
    return -1;
}

struct Resident {
    double crypto = 0;
    double heap = 0;
    double anon = 0;
};

Resident ResidentByMapping(int pid) {
    Resident resident;
    std::ifstream smaps("/proc/" + std::to_string(pid) + "/smaps");
    double* kind = nullptr;
    for (std::string line; std::getline(smaps, line);) {
        std::istringstream fields(line);
        std::string first, perms, offset, device, inode, path;
        fields >> first;
        if (first == "Rss:") {
            double kb = 0;
            if (kind != nullptr && fields >> kb) *kind += kb / 1024.0;
            continue;
        }
        if (first.find('-') == std::string::npos || first.back() == ':') continue;
        fields >> perms >> offset >> device >> inode;
        std::getline(fields >> std::ws, path);
        if (path.find("libcrypto") != std::string::npos) kind = &resident.crypto;
        else if (path == "[heap]") kind = &resident.heap;
        else if (path.empty() || path.rfind("[anon", 0) == 0) kind = &resident.anon;
        else kind = nullptr;
    }
    return resident;
}

void BM_SignedInMemory(benchmark::State& state) {
    const bool headless = state.range(0) != 0;
    tevrik_service::TestService service;
    tevrik_service::ServiceOptions options;
    options.seedJson = AccountSeed(kBuddies, kGroups, kMemos);
    if (!service.Start(options)) {
        state.SkipWithError("the service stand-in did not start");
        return;
    }
    for (auto _ : state) {
        DrivenClient client;
        DriveOptions drive;
        drive.headless = headless;
        drive.realClock = true;
        std::string why;
        if (!SignInAndSettle(client, service, drive, &why)) {
            state.SkipWithError(why.c_str());
            return;
        }
        state.counters["VmRSS_MB"] = StatusMb(client.Pid(), "VmRSS");
        state.counters["VmHWM_MB"] = StatusMb(client.Pid(), "VmHWM");
        const Resident resident = ResidentByMapping(client.Pid());
        state.counters["crypto_MB"] = resident.crypto;
        state.counters["heap_MB"] = resident.heap;
        state.counters["anon_MB"] = resident.anon;
        if (const char* dump = std::getenv("TEVRIK_BENCH_SMAPS")) {
            std::ifstream in("/proc/" + std::to_string(client.Pid()) + "/smaps");
            std::ofstream out(std::string(dump) + (headless ? ".headless" : ".window"));
            out << in.rdbuf();
        }
        client.Quit();
    }
}
BENCHMARK(BM_SignedInMemory)->ArgName("headless")->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CryptoResident(benchmark::State& state) {
    tevrik_service::TestService service;
    if (!service.Start(tevrik_service::ServiceOptions())) {
        state.SkipWithError("the service stand-in did not start");
        return;
    }
    testsupport::TempFolder folder;
    const std::string ca = folder.File("ca.pem");
    const std::string output = folder.File("steps.txt");
    testsupport::WriteBytes(ca, service.CaCertPem());
    for (auto _ : state) {
        ChildProcess steps;
        if (!steps.Start(TEVRIK_CRYPTO_STEPS,
                         {{"TEVRIK_TLS_PORT", std::to_string(service.SessionPort())},
                          {"SSL_CERT_FILE", ca},
                          {"SSL_CERT_DIR", "/nonexistent"},
                          {"XDG_CONFIG_HOME", folder.Path()}},
                         {}, output) ||
            !steps.WaitExit(30.0) || steps.ExitCode() != 0) {
            state.SkipWithError("a step failed");
            return;
        }
    }
    std::istringstream lines(testsupport::ReadBytes(output));
    std::string step;
    for (long crypto = 0, total = 0; lines >> step >> crypto >> total;) state.counters[step + "_kB"] = crypto;
}
BENCHMARK(BM_CryptoResident)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
