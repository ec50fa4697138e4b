#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/base/QeTrace.h"
#include "messenger/protocol/HandlerRegistry.h"
#include "messenger/protocol/MessageFactory.h"
#include "messenger/protocol/MessageHandler.h"
#include "messenger/protocol/PendingRequests.h"
#include "messenger/protocol/SharedMessages.h"

namespace {

// Counts live objects so a lost or doubly deleted clone shows.
class CountedRequest final : public ConcreteRequest<CountedRequest> {
public:
    explicit CountedRequest(int32_t trId, std::wstring name = L"ADDG") : ConcreteRequest(std::move(name), trId) {
        ++s_live;
    }
    CountedRequest(const CountedRequest& other) : ConcreteRequest(other), Label(other.Label) { ++s_live; }
    ~CountedRequest() override { --s_live; }
    bool WriteBody(QeMemoryWriter& writer) override {
        WriteToken(writer, Label);
        WriteCrLf(writer);
        return true;
    }
    std::wstring Label;
    static inline int s_live = 0;
};

class TraceCapture {
public:
    TraceCapture() { QeSetTraceSink(&TraceCapture::Sink, this); }
    ~TraceCapture() { QeSetTraceSink(nullptr, nullptr); }
    std::vector<std::wstring> lines;

private:
    static void Sink(void* context, const std::wstring& text) { static_cast<TraceCapture*>(context)->lines.push_back(text); }
};

class MarkerHandler final : public MessageHandler {
public:
    bool Handle(ProtocolSession*, ReceivedMessage&) override { return true; }
};

void TwoGroupsClaimingPing(CommandRegistrar& registrar) {
    registrar.Command<PingReceived, CodeCheckHandler>(L"PING");
    registrar.Command<PongReceived, MarkerHandler>(L"PING");
}

void NoCommands(CommandRegistrar&) {}

}  // namespace

TEST(MessageFactory, MakesTheCommandsClassWithTheFramesId) {
    MessageFactory factory;
    std::unique_ptr<ReceivedMessage> message = factory.CreateReceived(L"PNAK", 15);
    ASSERT_NE(message, nullptr);
    EXPECT_NE(dynamic_cast<PnakReceived*>(message.get()), nullptr);
    EXPECT_EQ(message->Name, L"PNAK");
    EXPECT_EQ(message->TrId, 15);
    EXPECT_EQ(message->Code, 100);

    EXPECT_EQ(factory.CreateReceived(L"LOUT", 1), nullptr);
    EXPECT_EQ(factory.CreateReceived(L"pnak", 1), nullptr);
    EXPECT_EQ(factory.CreateReceived(L"", 1), nullptr);
    EXPECT_EQ(factory.CreateReceived(L"301", 1), nullptr);
}

TEST(MessageFactory, PayloadCommandsCompareExactly) {
    MessageFactory factory(&NoCommands);
    for (const char* command : {"CMSG", "CRP2", "CSES", "CTOC", "LIN2", "LSTA", "MVBG", "WGET"}) {
        EXPECT_TRUE(factory.IsPayloadCommand(command)) << command;
    }
    for (const char* command : {"crp2", "Lsta", "PING", "CRP", "CRP22", "", "LIN2 "}) {
        EXPECT_FALSE(factory.IsPayloadCommand(command)) << command;
    }
}

TEST(HandlerRegistry, MakesANewHandlerEachTimeOrNull) {
    HandlerRegistry registry;
    std::unique_ptr<MessageHandler> first = registry.CreateHandler(L"WHSP");
    std::unique_ptr<MessageHandler> second = registry.CreateHandler(L"WHSP");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first.get(), second.get());
    EXPECT_NE(dynamic_cast<CodeCheckHandler*>(first.get()), nullptr);
    EXPECT_EQ(registry.CreateHandler(L"LOUT"), nullptr);
    EXPECT_EQ(registry.CreateHandler(L"whsp"), nullptr);
}

TEST(CommandTables, EveryRegisteredCommandIsSoundInBothTables) {
    // Guards every command group added later: both tables hold the same commands, each name is a
    // four-character command, and its class carries that very name and the frame's id.
    TraceCapture traces;
    MessageFactory factory;
    HandlerRegistry registry;
    EXPECT_TRUE(traces.lines.empty()) << "a command is registered twice";
    const std::vector<std::wstring> commands = factory.Commands();
    // The protocol's command table, written out (LOUT is only sent).
    const std::vector<std::wstring> table = {
        L"ADDB", L"ADDG", L"ADSB", L"ALRM", L"AUTH", L"CALM", L"CMSG", L"CNIK", L"CRP2", L"CSES", L"CTOC",
        L"ENTR", L"IMSG", L"INCK", L"INFY", L"INVT", L"JOIN", L"KILL", L"LIN2", L"LOPT", L"LSTA", L"MESG",
        L"MVBG", L"NNIK", L"NPRF", L"NTFY", L"ONST", L"PACK", L"PING", L"PNAK", L"PONG", L"PVER", L"QUIT",
        L"REQS", L"RESS", L"RMVB", L"SNFY", L"TICK", L"USER", L"WGET", L"WHSP"};
    ASSERT_EQ(table.size(), 41u);
    EXPECT_EQ(commands, table);
    EXPECT_EQ(registry.Commands(), table);
    // Those whose reply only has its code checked, and no others.
    const std::vector<std::wstring> codeOnly = {L"ALRM", L"CALM", L"INCK", L"LOPT", L"PACK", L"PNAK", L"WHSP"};
    for (const std::wstring& name : commands) {
        const bool listed = std::find(codeOnly.begin(), codeOnly.end(), name) != codeOnly.end();
        EXPECT_EQ(dynamic_cast<CodeCheckHandler*>(registry.CreateHandler(name).get()) != nullptr, listed) << name;
    }
    for (const std::wstring& name : commands) {
        ASSERT_EQ(name.size(), 4u) << name;
        for (wchar_t c : name) EXPECT_TRUE((c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9')) << name;
        std::unique_ptr<ReceivedMessage> message = factory.CreateReceived(name, 31);
        ASSERT_NE(message, nullptr) << name;
        EXPECT_EQ(message->Name, name);
        EXPECT_EQ(message->TrId, 31) << name;
        EXPECT_EQ(message->Code, 100) << name;
        EXPECT_NE(registry.CreateHandler(name), nullptr) << name;
    }
}

TEST(CommandTables, ACommandRegisteredTwiceKeepsTheFirstAndIsTraced) {
    TraceCapture traces;
    MessageFactory factory(&TwoGroupsClaimingPing);
    HandlerRegistry registry(&TwoGroupsClaimingPing);
    EXPECT_NE(dynamic_cast<PingReceived*>(factory.CreateReceived(L"PING", 1).get()), nullptr);
    EXPECT_NE(dynamic_cast<CodeCheckHandler*>(registry.CreateHandler(L"PING").get()), nullptr);
    ASSERT_EQ(traces.lines.size(), 2u);
    EXPECT_EQ(traces.lines[0],
              L"MessageFactory::MessageFactory, command PING is registered twice; the first class stays.\n");
    EXPECT_EQ(traces.lines[1],
              L"HandlerRegistry::HandlerRegistry, command PING is registered twice; the first handler stays.\n");
}

TEST(CommandTables, TablesAreSingletons) {
    EXPECT_EQ(MessageFactory::Instance(), nullptr);
    {
        MessageFactory factory;
        HandlerRegistry registry;
        PendingRequests pending;
        EXPECT_EQ(MessageFactory::Instance(), &factory);
        EXPECT_EQ(HandlerRegistry::Instance(), &registry);
        EXPECT_EQ(PendingRequests::Instance(), &pending);
    }
    EXPECT_EQ(MessageFactory::Instance(), nullptr);
    EXPECT_EQ(HandlerRegistry::Instance(), nullptr);
    EXPECT_EQ(PendingRequests::Instance(), nullptr);
}

TEST(PendingRequests, KeepsAClonePerIdUntilRemoved) {
    CountedRequest::s_live = 0;
    {
        PendingRequests pending;
        CountedRequest request(5);
        request.Label = L"friends";
        request.Serialize();
        EXPECT_TRUE(pending.Add(request));
        EXPECT_EQ(CountedRequest::s_live, 2);

        RequestMessage* stored = pending.Find(5);
        ASSERT_NE(stored, nullptr);
        EXPECT_NE(stored, &request);
        EXPECT_EQ(stored->Name, L"ADDG");
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(stored->Buffer.Data()), stored->Buffer.Size()),
                  "ADDG 5 friends\r\n");
        EXPECT_EQ(pending.Find(6), nullptr);

        // After the reply with id 5 is handled, nothing is pending under 5.
        EXPECT_TRUE(pending.Remove(5));
        EXPECT_EQ(pending.Find(5), nullptr);
        EXPECT_FALSE(pending.Remove(5));
        EXPECT_EQ(CountedRequest::s_live, 1);
        EXPECT_EQ(pending.Count(), 0u);
    }
    EXPECT_EQ(CountedRequest::s_live, 0);
}

TEST(PendingRequests, AnIdAlreadyPresentKeepsTheFirstAndLeaksNothing) {
    CountedRequest::s_live = 0;
    {
        PendingRequests pending;
        CountedRequest first(9);
        first.Label = L"first";
        CountedRequest second(9);
        second.Label = L"second";
        EXPECT_TRUE(pending.Add(first));
        EXPECT_FALSE(pending.Add(second));
        EXPECT_EQ(pending.Count(), 1u);
        EXPECT_EQ(pending.PendingAs<CountedRequest>(9, L"ADDG")->Label, L"first");
        // Two originals and the one stored clone: the refused entry made no copy.
        EXPECT_EQ(CountedRequest::s_live, 3);
    }
    EXPECT_EQ(CountedRequest::s_live, 0);
}

TEST(PendingRequests, TheDestructorDeletesEveryRemainingClone) {
    CountedRequest::s_live = 0;
    {
        PendingRequests pending;
        for (int32_t id = 1; id <= 20; ++id) {
            CountedRequest request(id);
            pending.Add(request);
        }
        EXPECT_EQ(pending.Count(), 20u);
        EXPECT_EQ(CountedRequest::s_live, 20);
    }
    EXPECT_EQ(CountedRequest::s_live, 0);
}

TEST(PendingRequests, ReceivedMessagesAreNeverStored) {
    PendingRequests pending;
    PingReceived received(3);
    EXPECT_FALSE(pending.Add(received));
    EXPECT_EQ(pending.Find(3), nullptr);
}

TEST(PendingRequests, TypedLookupTreatsAnotherCommandAsNoPendingRequest) {
    CountedRequest::s_live = 0;
    PendingRequests pending;
    CountedRequest addg(11, L"ADDG");
    PingRequest ping(12);
    pending.Add(addg);
    pending.Add(ping);

    EXPECT_NE(pending.PendingAs<CountedRequest>(11, L"ADDG"), nullptr);
    // Same id, other command: a reply to ADSB must not read an ADDG's fields.
    EXPECT_EQ(pending.PendingAs<CountedRequest>(11, L"ADSB"), nullptr);
    // Right command name, wrong class.
    EXPECT_EQ(pending.PendingAs<CountedRequest>(12, L"PING"), nullptr);
    EXPECT_NE(pending.PendingAs<PingRequest>(12, L"PING"), nullptr);
    EXPECT_EQ(pending.PendingAs<PingRequest>(13, L"PING"), nullptr);
}
