// The envelopes CRP2, CTOC and CSES: their bytes on the wire, the pending entries of a request
// carried in CRP2, and the dispatch of carried frames.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/base/QeTrace.h"
#include "messenger/model/ScreenSeam.h"
#include "messenger/protocol/Envelopes.h"
#include "messenger/protocol/SharedMessages.h"
#include "tests/messenger/wire_bytes.h"
#include "tests/support/RecordingScreens.h"
#include "tests/support/SessionHarness.h"

namespace {

class TraceLines {
public:
    TraceLines() { QeSetTraceSink(&TraceLines::Sink, this); }
    ~TraceLines() { QeSetTraceSink(nullptr, nullptr); }
    std::vector<std::wstring> lines;

private:
    static void Sink(void* context, const std::wstring& text) { static_cast<TraceLines*>(context)->lines.push_back(text); }
};

// Stand-ins with the bodies of the sign-in's option request and the chat invitation.
class OptionRequest final : public ConcreteRequest<OptionRequest> {
public:
    explicit OptionRequest(int32_t trId) : ConcreteRequest(L"LOPT", trId) {}
    bool WriteBody(QeMemoryWriter& writer) override {
        const std::string text = "memo_wnd_show = false";
        WriteToken(writer, L"TXT");
        WritePayload(writer, text.data(), static_cast<uint32_t>(text.size()));
        return true;
    }
};

class InviteRequest final : public ConcreteRequest<InviteRequest> {
public:
    explicit InviteRequest(int32_t trId) : ConcreteRequest(L"INVT", trId) {}
    bool WriteBody(QeMemoryWriter& writer) override {
        WriteToken(writer, L"alice");
        WriteToken(writer, L"host");
        WriteNumber(writer, 5005);
        WriteToken(writer, L"ck");
        return true;
    }
};

class RefusingRequest final : public ConcreteRequest<RefusingRequest> {
public:
    explicit RefusingRequest(int32_t trId) : ConcreteRequest(L"ADDG", trId) {}
    bool WriteBody(QeMemoryWriter&) override { return false; }
};

// What the pending table held right after the CRP2 handler's nested dispatch returned.
struct PendingSnapshot {
    bool crp2 = false;
    bool inner = false;
};
PendingSnapshot g_afterInner;
int32_t g_crp2Id = 0;
int32_t g_innerId = 0;

class ObservingCrp2Handler final : public MessageHandler {
public:
    bool Handle(ProtocolSession* session, ReceivedMessage& message) override {
        const bool handled = Crp2Handler().Handle(session, message);
        PendingRequests* pending = PendingRequests::Instance();
        g_afterInner = {pending->Find(g_crp2Id) != nullptr, pending->Find(g_innerId) != nullptr};
        return handled;
    }
};

void ObservedEnvelopes(CommandRegistrar& registrar) {
    registrar.Command<Crp2Received, ObservingCrp2Handler>(L"CRP2");
    registrar.Command<CtocReceived, CtocHandler>(L"CTOC");
    registrar.Command<CsesReceived, CsesHandler>(L"CSES");
    registrar.Command<RawReceived<L"LOPT">, RecordingHandler>(L"LOPT");
    registrar.Command<RawReceived<L"PING">, RecordingHandler>(L"PING");
    registrar.Command<RawReceived<L"INVT">, RecordingHandler>(L"INVT");
}

class EnvelopeTest : public ::testing::Test {
protected:
    RecordingScreens seam;
    SessionHarness harness{&ObservedEnvelopes};
    ProtocolSession& session = harness.Session();
};

}  // namespace

// ---- bytes on the wire

TEST(EnvelopeBytes, Crp2CarriesACompleteInnerFrame) {
    Crp2Request dispatch(7);
    dispatch.Route = 0;
    LoutRequest lout(8);
    ASSERT_TRUE(dispatch.SetInner(lout));
    EXPECT_EQ(Serialized(dispatch), "CRP2 7 DP %00 8\r\nLOUT 8\r\n");

    Crp2Request chat(9);
    chat.Route = 1;
    chat.TargetId = L"sess 1";
    OptionRequest option(10);
    ASSERT_TRUE(chat.SetInner(option));
    EXPECT_EQ(Serialized(chat), "CRP2 9 SS sess%201 37\r\nLOPT 10 TXT 21\r\nmemo_wnd_show = false");

    Crp2Request fresh(3);
    EXPECT_EQ(Serialized(fresh), "CRP2 3 Unknown %00 0\r\n");
}

TEST(EnvelopeBytes, CtocCarriesTheInnerWithoutIdOrLineEnd) {
    CtocRequest ctoc(9);
    ctoc.TargetId = L"bob@x";
    ctoc.Kind = 1;
    InviteRequest invite(10);
    ASSERT_TRUE(ctoc.SetInner(invite));
    EXPECT_TRUE(invite.NoTrId);
    EXPECT_EQ(Serialized(ctoc), "CTOC 9 bob@x A 23\r\nINVT alice host 5005 ck");

    CtocRequest fresh(4);
    EXPECT_EQ(Serialized(fresh), "CTOC 4 %00 Unknown 0\r\n");
}

TEST(EnvelopeBytes, CsesWritesAPayloadOnlyForConn) {
    CsesRequest list(4);
    list.Op = 0;
    list.Route = 1;
    EXPECT_EQ(Serialized(list), "CSES 4 LIST SS %00 0\r\n");

    CsesRequest kill(5);
    kill.Op = 2;
    kill.Route = 1;
    kill.Id = L"s1";
    EXPECT_EQ(Serialized(kill), "CSES 5 KILL SS s1 0\r\n");

    CsesRequest conn(6);
    conn.Op = 3;
    conn.Route = 1;
    conn.Host = L"host";
    conn.Port = 65535;
    conn.Cookie = L"c k";
    EXPECT_EQ(Serialized(conn), "CSES 6 CONN SS %00 18\r\nhost 65535 c%20k\r\n");

    CsesRequest fresh(1);
    EXPECT_EQ(Serialized(fresh), "CSES 1 Unknown Unknown %00 0\r\n");
}

TEST(EnvelopeBytes, InnerThatCannotBeSerialisedIsRefused) {
    PendingRequests pending;
    Crp2Request crp2(1);
    RefusingRequest inner(2);
    EXPECT_FALSE(crp2.SetInner(inner));
    EXPECT_EQ(pending.Count(), 0u);
    CtocRequest ctoc(3);
    RefusingRequest other(4);
    EXPECT_FALSE(ctoc.SetInner(other));
}

// ---- pending entries of carried requests

TEST_F(EnvelopeTest, OptionInsideCrp2IsPendingUnderItsOwnIdAndRemovedByTheInnerDispatch) {
    harness.Connect(1);
    Crp2Request crp2;
    crp2.Route = 0;
    OptionRequest option(harness.Ids().NextId());
    ASSERT_TRUE(crp2.SetInner(option));
    ASSERT_EQ(session.Send(crp2), 1);
    g_crp2Id = crp2.TrId;
    g_innerId = option.TrId;
    ASSERT_NE(g_crp2Id, g_innerId);
    ASSERT_NE(harness.Pending().PendingAs<OptionRequest>(g_innerId, L"LOPT"), nullptr);
    const Crp2Request* kept = harness.Pending().PendingAs<Crp2Request>(g_crp2Id, L"CRP2");
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(Bytes(kept->Inner), Bytes(crp2.Inner));

    const std::string inner = "LOPT " + std::to_string(g_innerId) + "\r\n";
    harness.Receive("CRP2 " + std::to_string(g_crp2Id) + " DP %00 " + std::to_string(inner.size()) + "\r\n" + inner);
    ASSERT_EQ(harness.Handled().size(), 1u);
    EXPECT_EQ(harness.Handled()[0].Name, L"LOPT");
    EXPECT_EQ(harness.Handled()[0].Depth, 1);
    EXPECT_TRUE(g_afterInner.crp2);
    EXPECT_FALSE(g_afterInner.inner);
    EXPECT_EQ(harness.Pending().Count(), 0u);
}

TEST_F(EnvelopeTest, FailedCrp2ReplyShowsTheFailureAndDispatchesNothing) {
    harness.Connect(1);
    Crp2Request crp2(20);
    crp2.Route = 0;
    OptionRequest option(21);
    crp2.SetInner(option);
    session.Send(crp2);
    harness.Receive("309 20\r\n");
    EXPECT_TRUE(harness.Handled().empty());
    EXPECT_EQ(seam.Lines(), (std::vector<std::wstring>{L"Alert(FailureCodeStoppedCommunication)"}));
    EXPECT_EQ(harness.Pending().Find(20), nullptr);
    EXPECT_NE(harness.Pending().Find(21), nullptr);
}

TEST_F(EnvelopeTest, CtocInnerIsNeverPending) {
    harness.Connect(1);
    Crp2Request crp2(30);
    crp2.Route = 0;
    CtocRequest ctoc(31);
    ctoc.Kind = 1;
    ctoc.TargetId = L"bob";
    InviteRequest invite(32);
    ASSERT_TRUE(ctoc.SetInner(invite));
    ASSERT_TRUE(crp2.SetInner(ctoc));
    ASSERT_EQ(session.Send(crp2), 1);
    EXPECT_EQ(harness.SentText(), "CRP2 30 DP %00 41\r\nCTOC 31 bob A 23\r\nINVT alice host 5005 ck");
    EXPECT_NE(harness.Pending().Find(30), nullptr);
    EXPECT_NE(harness.Pending().Find(31), nullptr);
    EXPECT_EQ(harness.Pending().Find(32), nullptr);
}

// ---- carried frames

TEST(CtocReceived, RebuildsTheCarriedMessageAsAFrameWithIdZero) {
    struct Case {
        std::string frame;
        std::string rebuilt;
    };
    const Case cases[] = {
        {"CTOC 0 bob 8\r\nINVT a b", "INVT 0\r\na b"},
        {"CTOC 0 bob 4\r\nINVT", "INVT 0\r\n"},
        {"CTOC 0 bob 5\r\nINVT a b", "INVT 0\r\n"},
        {"CTOC 0 bob 6\r\nINVT a b", "INVT 0\r\na"},
    };
    for (const Case& c : cases) {
        TokenReader reader(c.frame.data(), static_cast<uint32_t>(c.frame.size()));
        CtocReceived message(0);
        message.ReadHeader(reader);
        message.ReadBody(reader);
        EXPECT_EQ(message.SenderId, L"bob");
        EXPECT_TRUE(message.Carries) << c.frame;
        EXPECT_EQ(Bytes(message.Frame), c.rebuilt) << c.frame;
    }
}

TEST(CtocReceived, CountThatDoesNotFitCarriesNothing) {
    TraceLines traces;
    const std::string frames[] = {
        "CTOC 0 bob 2\r\nINVT a b",   // smaller than the command itself
        "CTOC 0 bob -1\r\nINVT a b",  // negative
        "CTOC 0 bob 50\r\nINVT a b",  // past the frame
        "CTOC 0 bob 0\r\n",           // nothing carried at all
    };
    for (const std::string& frame : frames) {
        TokenReader reader(frame.data(), static_cast<uint32_t>(frame.size()));
        CtocReceived message(0);
        message.ReadHeader(reader);
        message.ReadBody(reader);
        EXPECT_FALSE(message.Carries) << frame;
        EXPECT_EQ(message.Frame.Size(), 0u) << frame;
    }
    EXPECT_EQ(traces.lines.size(), 4u);
}

TEST_F(EnvelopeTest, CtocDispatchesTheRebuiltFrame) {
    harness.Pending().Add(InviteRequest(0));
    harness.Receive("CTOC 0 bob 8\r\nINVT a b");
    ASSERT_EQ(harness.Handled().size(), 1u);
    EXPECT_EQ(harness.Handled()[0], (HandledMessage{L"INVT", 0, 100, L"", 1, "a b"}));
    // Its id 0 removed nothing.
    EXPECT_NE(harness.Pending().Find(0), nullptr);

    harness.ClearHandled();
    harness.Inject("CTOC 0 bob 50\r\nINVT a b");
    EXPECT_TRUE(harness.Handled().empty());
}

TEST_F(EnvelopeTest, CtocInsideCrp2ReachesTheInvitationTwoLevelsDown) {
    const std::string ctoc = "CTOC 0 bob 8\r\nINVT a b";
    harness.Receive("CRP2 0 DP %00 " + std::to_string(ctoc.size()) + "\r\n" + ctoc);
    ASSERT_EQ(harness.Handled().size(), 1u);
    EXPECT_EQ(harness.Handled()[0].Name, L"INVT");
    EXPECT_EQ(harness.Handled()[0].Depth, 2);
}

TEST_F(EnvelopeTest, Crp2CountIsClampedToTheFrame) {
    harness.Inject("CRP2 0 DP %00 100\r\nPING 5\r\n");
    harness.Inject("CRP2 0 DP %00 -3\r\nPING 6\r\n");
    harness.Inject("CRP2 0 DP %00 4\r\nPING 7\r\n");
    ASSERT_EQ(harness.Handled().size(), 2u);
    EXPECT_EQ(harness.Handled()[0].TrId, 5);
    EXPECT_EQ(harness.Handled()[0].Body, "");
    // Four bytes "PING" make a frame of their own without id.
    EXPECT_EQ(harness.Handled()[1].TrId, 0);
}

TEST_F(EnvelopeTest, ShortEnvelopeLineNeverTakesPayloadBytesForItsTokens) {
    harness.Inject("CRP2 0\r\nPING 5\r\n");
    ASSERT_EQ(harness.Handled().size(), 0u);
    EXPECT_EQ(EnvelopeSessionId(), L"");
}

TEST_F(EnvelopeTest, EnvelopeSessionIdKeepsTheLastCrp2Target) {
    harness.Receive("CRP2 0 SS s1 8\r\nPING 1\r\n");
    harness.Receive("PING 2\r\n");
    EXPECT_EQ(EnvelopeSessionId(), L"s1");
    harness.Receive("CRP2 0 DP %00 8\r\nPING 3\r\n");
    ASSERT_EQ(harness.Handled().size(), 3u);
    EXPECT_EQ(harness.Handled()[0].EnvelopeId, L"s1");
    EXPECT_EQ(harness.Handled()[1].EnvelopeId, L"s1");
    EXPECT_EQ(harness.Handled()[2].EnvelopeId, L"");
    EXPECT_EQ(EnvelopeSessionId(), L"");
}

TEST_F(EnvelopeTest, NestingIsBoundedSoHostileFramesCannotExhaustTheStack) {
    TraceLines traces;
    auto wrap = [](std::string inner, int levels) {
        for (int i = 0; i < levels; ++i) inner = "CRP2 0 DP %00 " + std::to_string(inner.size()) + "\r\n" + inner;
        return inner;
    };
    harness.Inject(wrap("PING 1\r\n", ProtocolSession::kMaxNesting - 1));
    ASSERT_EQ(harness.Handled().size(), 1u);
    EXPECT_EQ(harness.Handled()[0].Depth, ProtocolSession::kMaxNesting - 1);
    EXPECT_TRUE(traces.lines.empty());

    harness.Inject(wrap("PING 2\r\n", ProtocolSession::kMaxNesting));
    harness.Inject(wrap("PING 3\r\n", 5000));
    EXPECT_EQ(harness.Handled().size(), 1u);
    EXPECT_EQ(traces.lines.size(), 2u);
}

// ---- CSES

TEST(CsesReceived, ReadsEachOpsFields) {
    auto read = [](const std::string& frame) {
        auto message = std::make_unique<CsesReceived>(0);
        TokenReader reader(frame.data(), static_cast<uint32_t>(frame.size()));
        message->ReadHeader(reader);
        message->ReadBody(reader);
        return message;
    };
    auto conn = read("CSES 7 CONN 29\r\nSS sess1 x 65535 cookie%20y\r\n");
    EXPECT_EQ(conn->Op, 3);
    EXPECT_EQ(conn->Route, 1);
    EXPECT_EQ(conn->SessionId, L"sess1");
    EXPECT_EQ(conn->Text, L"x");
    EXPECT_EQ(conn->Port, 65535);
    EXPECT_EQ(conn->Cookie, L"cookie y");

    auto kill = read("CSES 7 KILL 7\r\nbye Y\r\n");
    EXPECT_EQ(kill->Op, 2);
    EXPECT_EQ(kill->KillText, L"bye");
    EXPECT_TRUE(kill->KillFlag);

    EXPECT_EQ(read("CSES 7 LIST 0\r\n")->Op, 0);
    EXPECT_EQ(read("CSES 7 INFO 0\r\n")->Op, 1);
    auto other = read("CSES 7 conn 29\r\nSS sess1 x 5 c\r\n");
    EXPECT_EQ(other->Op, 4);
    EXPECT_EQ(other->SessionId, L"");
}

TEST_F(EnvelopeTest, CsesHandlerActsOnListInfoAndKillOnly) {
    harness.Connect(1);
    CsesHandler handler;
    for (int op : {0, 1, 2}) {
        CsesReceived message(1);
        message.Op = op;
        EXPECT_TRUE(handler.Handle(&session, message)) << op;
    }
    CsesReceived unknown(1);
    EXPECT_FALSE(handler.Handle(&session, unknown));
    // No chat waits for this grant: nothing is entered and nothing is sent.
    CsesReceived conn(1);
    conn.Op = 3;
    EXPECT_FALSE(handler.Handle(&session, conn));
    EXPECT_TRUE(harness.Sent().empty());

    CsesReceived failed(1);
    failed.Op = 0;
    failed.Code = 270;
    EXPECT_FALSE(handler.Handle(&session, failed));
    EXPECT_EQ(seam.Lines(), (std::vector<std::wstring>{L"Alert(FailureCodeInvalidSsSession)"}));
}
