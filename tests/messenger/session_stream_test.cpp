// The byte stream of a whole sign-in, as the service sends it, cut into arbitrary reads: however
// the bytes arrive, the same frames are dispatched in the same order with the same contents.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "messenger/protocol/Envelopes.h"
#include "messenger/protocol/SharedMessages.h"
#include "tests/support/SessionHarness.h"

namespace {

void SignInCommands(CommandRegistrar& registrar) {
    registrar.Command<Crp2Received, Crp2Handler>(L"CRP2");
    registrar.Command<CtocReceived, CtocHandler>(L"CTOC");
    registrar.Command<RawReceived<L"CSES">, RecordingHandler>(L"CSES");
    registrar.Command<RawReceived<L"PVER">, RecordingHandler>(L"PVER");
    registrar.Command<RawReceived<L"AUTH">, RecordingHandler>(L"AUTH");
    registrar.Command<RawReceived<L"REQS">, RecordingHandler>(L"REQS");
    registrar.Command<RawReceived<L"LIN2">, RecordingHandler>(L"LIN2");
    registrar.Command<RawReceived<L"LSTA">, RecordingHandler>(L"LSTA");
    registrar.Command<RawReceived<L"LOPT">, RecordingHandler>(L"LOPT");
    registrar.Command<RawReceived<L"NTFY">, RecordingHandler>(L"NTFY");
    registrar.Command<RawReceived<L"PING">, RecordingHandler>(L"PING");
    registrar.Command<RawReceived<L"MESG">, RecordingHandler>(L"MESG");
    registrar.Command<RawReceived<L"INVT">, RecordingHandler>(L"INVT");
    registrar.Command<RawReceived<L"TICK">, RecordingHandler>(L"TICK");
}

// A payload frame: the line with its byte count, then the payload.
std::string WithPayload(const std::string& line, const std::string& payload) {
    return line + " " + std::to_string(payload.size()) + "\r\n" + payload;
}

// What the service sends during a sign-in and the first minute after it, both connections in a row.
std::string RecordedSignIn() {
    std::string s;
    // Login server.
    s += "PVER 1 N\r\n";
    s += "AUTH 2 9f8e7d6c\r\n";
    s += "REQS 3 x session.host 5005 ticket%20one\r\n";
    // Session server.
    s += WithPayload("LIN2 1", "N 0 t3 t4 \xed\x99\x8d\xea\xb8\xb8\xeb\x8f\x99 gil%20dong a b c d e f g N tick t16\r\n");
    s += WithPayload("LSTA 2 1 1",
                     "G 0 %EC%B9%9C%EA%B5%AC\r\nB k1 bob@x 1 O \xeb\xb0\xa5 bob\r\nB k2 eve@x 1 F eve eve\r\n");
    s += WithPayload("CRP2 4 DP %00", "LOPT 3\r\n");
    s += "NTFY 0 bob@x O\r\n";
    s += "TICK 0 fresh%20tick\r\n";
    s += "PING 0\r\n";
    s += WithPayload("CRP2 0 SS sess1", "MESG 0 bob@x MSG 0%090%090%09hello%20there\r\n");
    s += WithPayload("CRP2 0 DP %00", WithPayload("CTOC 0 eve@x", "INVT eve@x chat.host 5006 c00kie"));
    s += WithPayload("CSES 5 CONN", "SS sess2 x 5006 c00kie\r\n");
    s += "301 6\r\n";
    s += WithPayload("CSES 7 LIST", "");
    return s;
}

struct Outcome {
    std::vector<std::string> delivered;
    std::vector<HandledMessage> handled;
    std::string queued;
};

// One run on a fresh session: the stream arrives in the given pieces.
Outcome Feed(const std::string& stream, const std::vector<size_t>& cuts, bool bytewise = false) {
    SessionHarness harness(&SignInCommands);
    harness.Pending().Add(PingRequest(6));
    if (bytewise) {
        harness.ReceiveBytewise(stream);
    } else {
        size_t from = 0;
        for (size_t cut : cuts) {
            harness.Receive(std::string_view(stream).substr(from, cut - from));
            from = cut;
        }
        harness.Receive(std::string_view(stream).substr(from));
    }
    return {harness.Delivered(), harness.Handled(), harness.Queued()};
}

}  // namespace

TEST(SessionStream, WholeSignInDispatchesEveryFrame) {
    const Outcome whole = Feed(RecordedSignIn(), {});
    EXPECT_EQ(whole.delivered.size(), 14u);
    EXPECT_TRUE(whole.queued.empty());
    std::vector<std::wstring> names;
    for (const HandledMessage& m : whole.handled) names.push_back(m.Name);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"PVER", L"AUTH", L"REQS", L"LIN2", L"LSTA", L"LOPT", L"NTFY", L"TICK",
                                                L"PING", L"MESG", L"INVT", L"CSES", L"PING", L"CSES"}));
    // The error reply went to the pending request's command with its code.
    EXPECT_EQ(whole.handled[12], (HandledMessage{L"PING", 6, 301, L"", 0, ""}));
    EXPECT_EQ(whole.handled[9].EnvelopeId, L"sess1");
    EXPECT_EQ(whole.handled[10].Body, "eve@x chat.host 5006 c00kie");
    EXPECT_EQ(whole.handled[10].Depth, 2);
}

TEST(SessionStream, ByteAtATimeDispatchesAsWhole) {
    const std::string stream = RecordedSignIn();
    const Outcome whole = Feed(stream, {});
    const Outcome bytewise = Feed(stream, {}, true);
    EXPECT_EQ(bytewise.delivered, whole.delivered);
    EXPECT_EQ(bytewise.handled, whole.handled);
    EXPECT_TRUE(bytewise.queued.empty());
}

TEST(SessionStream, EverySplitPointDispatchesAsWhole) {
    const std::string stream = RecordedSignIn();
    const Outcome whole = Feed(stream, {});
    for (size_t cut = 1; cut < stream.size(); ++cut) {
        const Outcome split = Feed(stream, {cut});
        ASSERT_EQ(split.delivered, whole.delivered) << "split at " << cut;
        ASSERT_EQ(split.handled, whole.handled) << "split at " << cut;
    }
}

TEST(SessionStream, EveryFrameSplitInThreeDispatchesAsWhole) {
    // Each frame on its own, cut at every pair of points: the frame waits in the queue over two reads.
    const std::string stream = RecordedSignIn();
    const Outcome whole = Feed(stream, {});
    size_t start = 0;
    for (const std::string& frame : whole.delivered) {
        for (size_t a = 1; a < frame.size(); ++a) {
            for (size_t b = a + 1; b < frame.size(); b += 3) {
                const Outcome split = Feed(stream, {start + a, start + b});
                ASSERT_EQ(split.handled, whole.handled) << "cuts at " << start + a << ", " << start + b;
            }
        }
        start += frame.size();
    }
}
