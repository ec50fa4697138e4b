// Resident memory of the whole client: one driven client (tests/e2e/DriveLink.h) on the real clock
// signs in through the login form an account of 300 buddies in 12 groups with 20 memos in its inbox,
// and settles on the buddy list; then VmRSS and VmHWM are read from /proc. Once with the headless
// presenter and once with the SDL window (offscreen driver). Targets: under 25 MB headless, under
// 30 MB with the window. With TEVRIK_BENCH_SMAPS=PREFIX the client's /proc smaps go to
// PREFIX.headless and PREFIX.window, for a look at where the memory lies.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/e2e/DriveHarness.h"
#include "tools/service/TestService.h"

namespace {

using namespace std::chrono_literals;

constexpr int kBuddies = 300;
constexpr int kGroups = 12;
constexpr int kMemos = 20;

std::string Seed() {
    std::string users = R"({"id": "owner@tevrik.example", "password": "1234", "name": "주인", "nickname": "주인장", "groups": [)";
    for (int g = 0; g < kGroups; ++g) {
        users += (g ? "," : "") + std::string(R"({"id": ")") + std::to_string(g) + R"(", "name": "그룹 )" +
                 std::to_string(g + 1) + "\"}";
    }
    users += R"(], "buddies": [)";
    std::string others;
    for (int i = 0; i < kBuddies; ++i) {
        const std::string id = "buddy" + std::to_string(i) + "@tevrik.example";
        users += (i ? "," : "") + std::string(R"({"id": ")") + id + R"(", "group": ")" + std::to_string(i % kGroups) + "\"}";
        others += R"(,{"id": ")" + id + R"(", "password": "x", "name": "친구 )" + std::to_string(i) +
                  R"(", "nickname": "별명 )" + std::to_string(i) + R"(", "groups": [{"id": "0", "name": "기타"}]})";
    }
    users += "]}" + others;
    std::string memos;
    for (int m = 0; m < kMemos; ++m) {
        memos += (m ? "," : "") + std::string(R"({"from": "buddy)") + std::to_string(m) +
                 R"(@tevrik.example", "to": ["owner@tevrik.example"], "text": "쪽지 )" + std::to_string(m) +
                 R"( 내용입니다", "date": "202403150930)" + std::to_string(10 + m) + "\"}";
    }
    return R"({"users": [)" + users + R"(], "memos": [)" + memos + "]}";
}

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
    options.seedJson = Seed();
    if (!service.Start(options)) {
        state.SkipWithError("the service stand-in did not start");
        return;
    }
    SkinLayout skin;
    for (auto _ : state) {
        DrivenClient client;
        DriveOptions drive;
        drive.headless = headless;
        drive.realClock = true;
        if (!client.Start(service, drive) || !client.Still() || !SignInThroughForm(client, skin, "owner", "1234") ||
            service.WaitForSignIn("owner@tevrik.example", 10s) == 0) {
            state.SkipWithError("the client did not sign in");
            return;
        }
        // The memo count is the last answer of the sign-in; then the list is drawn and still.
        const auto counted = service.WaitForFrame(
            [](const tevrik_service::Frame& frame) {
                return !frame.fromClient && frame.innerCommand == "WGET" && frame.inner.find("MEMOCNT2") != std::string::npos;
            },
            10s);
        if (!counted || !client.Still() || client.State().rfind("page=BuddyList ", 0) != 0) {
            state.SkipWithError("the client did not settle on the buddy list");
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
