// Speed of the buddy list load: parsing a complete list of 10,000 buddies in 50 groups and filling
// the roster and the groups with it, directly and as reply parts through the session's dispatch.
// The target is under 20 ms for the whole load.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "messenger/model/BuddyGroupList.h"
#include "messenger/model/BuddyRoster.h"
#include "messenger/protocol/CommandRegistrar.h"
#include "messenger/protocol/HandlerRegistry.h"
#include "messenger/protocol/Lsta.h"
#include "messenger/protocol/MessageFactory.h"
#include "messenger/protocol/PendingRequests.h"
#include "messenger/protocol/ProtocolSession.h"
#include "messenger/protocol/TrIdGenerator.h"

namespace {

constexpr int kGroups = 50;
constexpr int kBuddies = 10000;

// The list as the service writes it: every buddy in one group, names in Korean and Latin letters.
std::string MakeList() {
    std::string payload = std::to_string(kGroups) + " " + std::to_string(kBuddies) + "\r\n";
    const int perGroup = kBuddies / kGroups;
    for (int g = 0; g < kGroups; ++g) {
        payload += std::to_string(g) + " 그룹%20" + std::to_string(g) + " " + std::to_string(perGroup);
        for (int i = 0; i < perGroup; ++i) payload += " " + std::to_string(100000 + g * perGroup + i);
        payload += "\r\n";
    }
    for (int b = 0; b < kBuddies; ++b) {
        const std::string n = std::to_string(b);
        payload += "buddy" + n + "@tevrik.example 0 " + std::to_string(100000 + b) + " %00 1001 " +
                   (b % 3 == 0 ? "O" : "F") + " 홍길동" + n + " 길동%20" + n + " 19900101 1 010-0000-" + n +
                   " 서울 개발팀\r\n";
    }
    return payload;
}

const std::string& List() {
    static const std::string list = MakeList();
    return list;
}

void BM_LstaParseAndFill(benchmark::State& state) {
    BuddyRoster roster;
    BuddyGroupList groups;
    const std::string& list = List();
    std::vector<LstaGroupEntry> groupEntries;
    std::vector<LstaBuddyEntry> buddyEntries;
    for (auto _ : state) {
        ParseLstaPayload(reinterpret_cast<const uint8_t*>(list.data()), static_cast<uint32_t>(list.size()),
                         groupEntries, buddyEntries);
        FillBuddyModel(groupEntries, buddyEntries);
        benchmark::DoNotOptimize(roster.Count());
        state.PauseTiming();
        if (roster.Count() != static_cast<size_t>(kBuddies) || groups.Count() != static_cast<size_t>(kGroups)) {
            state.SkipWithError("the list did not load whole");
        }
        roster.Clear();
        groups.ClearMap();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(list.size()));
}
BENCHMARK(BM_LstaParseAndFill)->Unit(benchmark::kMillisecond);

// The same list as the service sends it: parts of 8 KiB, each framed and dispatched.
void BM_LstaPartsThroughTheSession(benchmark::State& state) {
    TrIdGenerator ids;
    MessageFactory factory;
    HandlerRegistry registry;
    PendingRequests pending;
    ProtocolSession session;
    BuddyRoster roster;
    BuddyGroupList groups;

    const std::string& list = List();
    constexpr size_t kPart = 8192;
    const size_t total = (list.size() + kPart - 1) / kPart;
    std::vector<std::string> frames;
    for (size_t i = 0; i < total; ++i) {
        const std::string chunk = list.substr(i * kPart, kPart);
        frames.push_back("LSTA 7 " + std::to_string(i + 1) + " " + std::to_string(total) + " " +
                         std::to_string(chunk.size()) + "\r\n" + chunk);
    }
    for (auto _ : state) {
        LstaRequest request(7);
        request.Mode = L"FULL";
        pending.Add(request);
        LstaParts::Instance().Start(request.TrId);
        for (const std::string& frame : frames) {
            session.OnPacket(reinterpret_cast<const uint8_t*>(frame.data()), static_cast<uint32_t>(frame.size()));
        }
        state.PauseTiming();
        if (roster.Count() != static_cast<size_t>(kBuddies)) state.SkipWithError("the list did not load whole");
        roster.Clear();
        groups.ClearMap();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(list.size()));
}
BENCHMARK(BM_LstaPartsThroughTheSession)->Unit(benchmark::kMillisecond);

}  // namespace
