// Speed of the protocol session on its receiving side: frames per second through FrameLength and
// OnPacket for a stream of typical chat traffic, a CRP2 envelope carrying a MESG line, handled to the
// end by a signed-in client with open chats (the session fuzzers' client, FuzzSession.h): each line
// finds its chat and member and reaches the chat window. The target is at least 500,000 frames per
// second on one core. And a burst of invitations from ever new inviters, whose cost must grow in
// proportion to its length (the reported complexity is O(N)).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/base/QeTrace.h"
#include "fuzz/FuzzSession.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/protocol/CommandRegistrar.h"
#include "messenger/protocol/HandlerRegistry.h"
#include "messenger/protocol/MessageFactory.h"
#include "messenger/protocol/PendingRequests.h"
#include "messenger/protocol/ProtocolSession.h"
#include "messenger/protocol/TrIdGenerator.h"

namespace {

// Chat frames as the service sends them: a CRP2 on the session of the client's chat "77" carrying
// one MESG line from one of its two members; three of four are lines of text, one a typing notice.
std::string ChatStream(size_t frames) {
    const char* const lines[] = {
        "MESG 0 b@x MSG 0%090%090%09hello%20there\r\n",
        "MESG 0 c@x MSG 0%090%090%09\xEC\x95\x88\xEB\x85\x95%20\xED\x95\x98\xEC\x84\xB8\xEC\x9A\x94\r\n",
        "MESG 0 b@x TYPING 1\r\n",
        "MESG 0 c@x MSG %EA%B5%B4%EB%A6%BC%0910%09B%09see%20you%20at%207%3F\r\n",
    };
    std::string stream;
    for (size_t i = 0; i < frames; ++i) {
        const std::string inner = lines[i % 4];
        stream += "CRP2 0 SS 77 " + std::to_string(inner.size()) + "\r\n" + inner;
    }
    return stream;
}

void ChatFrames(benchmark::State& state) {
    SignedInClient client{FuzzControl(1)};  // on the session server
    ProtocolSession& session = client.Harness.Session();
    RecordingChatWindow* window = client.Screens.WindowOf(client.Chats.FindChatBySessionId(L"77"));
    if (window == nullptr) {
        state.SkipWithError("the signed-in client has no chat 77");
        return;
    }

    constexpr size_t kFrames = 1000;
    const std::string stream = ChatStream(kFrames);
    const auto* bytes = reinterpret_cast<const uint8_t*>(stream.data());
    int64_t frames = 0;
    size_t lines = 0;
    for (auto _ : state) {
        uint32_t at = 0;
        const uint32_t size = static_cast<uint32_t>(stream.size());
        while (at < size) {
            uint32_t length = 0;
            session.FrameLength(bytes + at, size - at, length);
            if (length == 0) break;
            session.OnPacket(bytes + at, length);
            at += length;
            ++frames;
        }
        // The recording screens keep every call; what a run leaves is counted and forgotten.
        state.PauseTiming();
        lines += window->Count("AppendLine");
        window->Clear();
        client.Screens.Clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(frames);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(stream.size()));
    if (frames != static_cast<int64_t>(state.iterations() * kFrames)) state.SkipWithError("a frame was not delivered");
    if (lines != state.iterations() * kFrames / 4 * 3) state.SkipWithError("a chat line did not reach its window");
}

}  // namespace

BENCHMARK(ChatFrames);

namespace {

// Takes every byte and goes nowhere.
class NullWire final : public SessionWire {
public:
    bool Write(const uint8_t*, uint32_t) override { return true; }
    void Close() override {}
};

// CTOC envelopes each carrying an invitation from another inviter, as the service relays them.
std::vector<std::string> InvitationFrames(size_t count) {
    std::vector<std::string> frames;
    frames.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const std::string invt = "INVT x" + std::to_string(i) + "@example.com 127.0.0.1 5005 c00k1e" + std::to_string(i);
        frames.push_back("CTOC 0 mallory@example.com " + std::to_string(invt.size()) + "\r\n" + invt);
    }
    return frames;
}

void InvitationBurst(benchmark::State& state) {
    auto ids = std::make_unique<TrIdGenerator>();
    auto factory = std::make_unique<MessageFactory>(&RegisterAllCommands);
    auto registry = std::make_unique<HandlerRegistry>(&RegisterAllCommands);
    auto pending = std::make_unique<PendingRequests>();
    auto session = std::make_unique<ProtocolSession>();
    NullWire wire;
    session->SetWire(&wire);
    // Each dropped invitation leaves a trace line; writing them out is not what is measured.
    QeSetTraceSink([](void*, const std::wstring&) {}, nullptr);
    session->SetConnectAction(1, nullptr);
    session->Phase = 1;
    session->OnConnected();

    const std::vector<std::string> frames = InvitationFrames(static_cast<size_t>(state.range(0)));
    size_t chats = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto manager = std::make_unique<ChatSessionManager>();
        state.ResumeTiming();
        for (const std::string& frame : frames) {
            session->OnPacket(reinterpret_cast<const uint8_t*>(frame.data()), static_cast<uint32_t>(frame.size()));
        }
        state.PauseTiming();
        chats = manager->Count();
        manager.reset();
        pending->Clear();
        state.ResumeTiming();
    }
    state.SetComplexityN(state.range(0));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
    if (chats != std::min<size_t>(frames.size(), ChatSessionManager::kMaxChats)) state.SkipWithError("the chats are not capped");
    session->SetWire(nullptr);
    QeSetTraceSink(nullptr, nullptr);
}

}  // namespace

BENCHMARK(InvitationBurst)->RangeMultiplier(4)->Range(1 << 10, 1 << 16)->Complexity();
