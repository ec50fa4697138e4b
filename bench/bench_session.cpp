// Speed of the protocol session on its receiving side: frames per second through FrameLength and
// OnPacket for a stream of typical chat traffic, a CRP2 envelope carrying a MESG line. The target
// is at least 500,000 frames per second on one core. And a burst of invitations from ever new
// inviters, whose cost must grow in proportion to its length (the reported complexity is O(N)).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/base/QeTrace.h"
#include "messenger/model/ChatSessionManager.h"
#include "messenger/protocol/CommandRegistrar.h"
#include "messenger/protocol/Envelopes.h"
#include "messenger/protocol/HandlerRegistry.h"
#include "messenger/protocol/MessageFactory.h"
#include "messenger/protocol/MessageHandler.h"
#include "messenger/protocol/PendingRequests.h"
#include "messenger/protocol/ProtocolSession.h"
#include "messenger/protocol/TokenSets.h"
#include "messenger/protocol/TrIdGenerator.h"

namespace {

// Stands in for the chat line's classes while the program registers none: the same reads a chat
// line takes (sender, kind, the styled text token) and the code check.
class BenchMesgReceived final : public ReceivedMessage {
public:
    explicit BenchMesgReceived(int32_t trId) : ReceivedMessage(L"MESG", trId) {}
    bool ReadBody(TokenReader& reader) override {
        if (reader.AtEnd()) return true;
        reader.ReadToken(Sender);
        std::wstring kind;
        reader.ReadToken(kind);
        Kind = ParseMessageKind(kind);
        reader.ReadToken(Payload);
        return true;
    }
    std::wstring Sender;
    int Kind = 3;
    std::wstring Payload;
};

class BenchMesgHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override {
        if (!CheckCode(session, message)) return false;
        benchmark::DoNotOptimize(static_cast<BenchMesgReceived&>(message).Payload.data());
        ++s_handled;
        return true;
    }
    static inline int64_t s_handled = 0;
};

void CommandsWithChatLine(CommandRegistrar& registrar) {
    RegisterAllCommands(registrar);
    registrar.Command<BenchMesgReceived, BenchMesgHandler>(L"MESG");
}

// Chat frames as the service sends them: a CRP2 on the chat's session carrying one MESG line.
std::string ChatStream(size_t frames) {
    const char* const lines[] = {
        "MESG 0 kim.minsu@example.com MSG 0%090%090%09hello%20there\r\n",
        "MESG 0 park@example.com MSG 0%090%090%09\xEC\x95\x88\xEB\x85\x95%20\xED\x95\x98\xEC\x84\xB8\xEC\x9A\x94\r\n",
        "MESG 0 lee.jiwoo@example.com TYPING 1\r\n",
        "MESG 0 choi@example.com MSG %EA%B5%B4%EB%A6%BC%0910%09B%09see%20you%20at%207%3F\r\n",
    };
    std::string stream;
    for (size_t i = 0; i < frames; ++i) {
        const std::string inner = lines[i % 4];
        stream += "CRP2 0 SS 7f3a91c2e5d04b68 " + std::to_string(inner.size()) + "\r\n" + inner;
    }
    return stream;
}

void ChatFrames(benchmark::State& state) {
    auto ids = std::make_unique<TrIdGenerator>();
    // The chat commands' own classes are used once they are registered.
    CommandGroup groups = &RegisterAllCommands;
    if (MessageFactory(groups).CreateReceived(L"MESG", 0) == nullptr) groups = &CommandsWithChatLine;
    auto factory = std::make_unique<MessageFactory>(groups);
    auto registry = std::make_unique<HandlerRegistry>(groups);
    auto pending = std::make_unique<PendingRequests>();
    auto session = std::make_unique<ProtocolSession>();
    session->Phase = 1;

    constexpr size_t kFrames = 1000;
    const std::string stream = ChatStream(kFrames);
    const auto* bytes = reinterpret_cast<const uint8_t*>(stream.data());
    int64_t frames = 0;
    BenchMesgHandler::s_handled = 0;
    for (auto _ : state) {
        uint32_t at = 0;
        const uint32_t size = static_cast<uint32_t>(stream.size());
        while (at < size) {
            uint32_t length = 0;
            session->FrameLength(bytes + at, size - at, length);
            if (length == 0) break;
            session->OnPacket(bytes + at, length);
            at += length;
            ++frames;
        }
    }
    state.SetItemsProcessed(frames);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(stream.size()));
    benchmark::DoNotOptimize(EnvelopeSessionId().data());
    if (frames != static_cast<int64_t>(state.iterations() * kFrames)) state.SkipWithError("a frame was not delivered");
    if (groups == &CommandsWithChatLine && BenchMesgHandler::s_handled != frames) {
        state.SkipWithError("a chat line did not reach its handler");
    }
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
