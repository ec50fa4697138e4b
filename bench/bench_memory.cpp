// Resident memory of the whole client: one driven client (tests/e2e/DriveLink.h) on the real clock
// signs in through the login form an account of 300 buddies in 12 groups with 20 memos in its inbox,
// and settles on the buddy list; then VmRSS and VmHWM are read from /proc. Once with the headless
// presenter and once with the SDL window (offscreen driver). Targets: under 25 MB headless, under
// 30 MB with the window. With TEVRIK_BENCH_SMAPS=PREFIX the client's /proc smaps go to
// PREFIX.headless and PREFIX.window, for a look at where the memory lies.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/SignedInClient.h"

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
        if (const char* dump = std::getenv("TEVRIK_BENCH_SMAPS")) {
            std::ifstream in("/proc/" + std::to_string(client.Pid()) + "/smaps");
            std::ofstream out(std::string(dump) + (headless ? ".headless" : ".window"));
            out << in.rdbuf();
        }
        client.Quit();
    }
}
BENCHMARK(BM_SignedInMemory)->ArgName("headless")->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
