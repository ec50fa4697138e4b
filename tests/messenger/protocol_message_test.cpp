#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "messenger/protocol/MessageHandler.h"
#include "tests/messenger/wire_bytes.h"
#include "tests/support/RecordingScreens.h"
#include "messenger/protocol/ProtocolMessage.h"
#include "messenger/protocol/SharedMessages.h"
#include "messenger/protocol/TrIdGenerator.h"

namespace {

// A request with a body of two tokens, as the later commands have.
class TestRequest final : public ConcreteRequest<TestRequest> {
public:
    TestRequest() : ConcreteRequest(L"TEST") {}
    bool WriteBody(QeMemoryWriter& writer) override {
        WriteToken(writer, First);
        WriteNumber(writer, Second);
        WriteCrLf(writer);
        return true;
    }
    std::wstring First = L"a b";
    uint32_t Second = 40000;
};

// A payload command: its count is the last token of the line and the payload follows raw.
class PayloadRequest final : public ConcreteRequest<PayloadRequest> {
public:
    explicit PayloadRequest(int32_t trId) : ConcreteRequest(L"LSTA", trId) {}
    bool WriteBody(QeMemoryWriter& writer) override {
        QeMemoryWriter payload;
        WriteToken(payload, L"line one");
        WriteCrLf(payload);
        WriteToken(payload, L"두");
        WriteToken(payload, L"");
        WriteCrLf(payload);
        WriteToken(writer, L"FULL");
        WritePayload(writer, payload);
        return true;
    }
};

class FailingRequest final : public ConcreteRequest<FailingRequest> {
public:
    FailingRequest() : ConcreteRequest(L"FAIL", 3) {}
    bool WriteBody(QeMemoryWriter&) override { return false; }
};

template <class Received>
std::unique_ptr<Received> ReadFrame(const std::string& frame) {
    TokenReader reader(frame.data(), static_cast<uint32_t>(frame.size()));
    ProtocolMessage header;
    header.ReadHeader(reader);
    auto message = std::make_unique<Received>(header.TrId);
    EXPECT_EQ(message->Name, header.Name);
    EXPECT_TRUE(message->ReadBody(reader));
    return message;
}

}  // namespace

TEST(TransactionIds, RequestsDrawConsecutiveIdsFromTheGenerator) {
    TrIdGenerator generator;
    PingRequest first;
    LoutRequest second;
    EXPECT_EQ(first.TrId, 1);
    EXPECT_EQ(second.TrId, 2);
    EXPECT_EQ(generator.LastId, 2);
    // An explicit id draws nothing.
    PingRequest answer(42);
    EXPECT_EQ(answer.TrId, 42);
    EXPECT_EQ(generator.NextId(), 3);
}

TEST(TransactionIds, WrapFromTheLargestIdToOne) {
    TrIdGenerator generator;
    generator.LastId = 2147483646;
    EXPECT_EQ(generator.NextId(), 2147483647);
    EXPECT_EQ(generator.NextId(), 1);
    EXPECT_EQ(generator.NextId(), 2);
    // A counter that was set negative never hands out 0 or a negative id.
    generator.LastId = -1;
    EXPECT_EQ(generator.NextId(), 1);
}

TEST(TransactionIds, WithoutAGeneratorARequestHasNoId) {
    ASSERT_EQ(TrIdGenerator::Instance(), nullptr);
    PongRequest request;
    EXPECT_EQ(request.TrId, 0);
}

TEST(RequestSerialisation, HeaderWithAndWithoutTheId) {
    TestRequest request;
    request.TrId = 12;
    EXPECT_TRUE(request.Serialize());
    EXPECT_EQ(Bytes(request.Buffer), "TEST 12 a%20b 40000\r\n");

    TestRequest carried;
    carried.TrId = 12;
    carried.NoTrId = true;
    EXPECT_TRUE(carried.Serialize());
    EXPECT_EQ(Bytes(carried.Buffer), "TEST a%20b 40000\r\n");

    TestRequest negative;
    negative.TrId = -5;
    negative.Serialize();
    EXPECT_EQ(Bytes(negative.Buffer), "TEST -5 a%20b 40000\r\n");
}

TEST(RequestSerialisation, BodilessRequestsAreCommandIdAndCrLf) {
    LoutRequest lout(1);
    PingRequest ping(7);
    PongRequest pong(2147483647);
    RessRequest ress(0);
    for (RequestMessage* request : std::initializer_list<RequestMessage*>{&lout, &ping, &pong, &ress}) {
        EXPECT_TRUE(request->Serialize());
    }
    EXPECT_EQ(Bytes(lout.Buffer), "LOUT 1\r\n");
    EXPECT_EQ(Bytes(ping.Buffer), "PING 7\r\n");
    EXPECT_EQ(Bytes(pong.Buffer), "PONG 2147483647\r\n");
    EXPECT_EQ(Bytes(ress.Buffer), "RESS 0\r\n");
}

TEST(RequestSerialisation, PayloadCountIsTheLastTokenAndThePayloadFollowsRaw) {
    PayloadRequest request(8);
    EXPECT_TRUE(request.Serialize());
    const std::string payload = "line%20one\r\n\xEB\x91\x90 %00\r\n";
    EXPECT_EQ(Bytes(request.Buffer), "LSTA 8 FULL " + std::to_string(payload.size()) + "\r\n" + payload);
}

TEST(RequestSerialisation, SerialiseReportsTheBodysFailureAndDoesNotEmptyTheBuffer) {
    FailingRequest failing;
    EXPECT_FALSE(failing.Serialize());
    EXPECT_EQ(Bytes(failing.Buffer), "FAIL 3");

    PingRequest twice(4);
    twice.Serialize();
    twice.Serialize();
    EXPECT_EQ(Bytes(twice.Buffer), "PING 4\r\nPING 4\r\n");
}

TEST(RequestClone, CarriesBytesNameIdFlagAndFields) {
    TestRequest request;
    request.TrId = 77;
    request.First = L"원본";
    request.Serialize();
    request.NoTrId = true;

    std::unique_ptr<RequestMessage> clone = request.Clone();
    ASSERT_NE(clone, nullptr);
    auto* copy = dynamic_cast<TestRequest*>(clone.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Name, L"TEST");
    EXPECT_EQ(copy->TrId, 77);
    EXPECT_TRUE(copy->NoTrId);
    EXPECT_EQ(copy->First, L"원본");
    EXPECT_EQ(copy->Second, 40000u);
    EXPECT_EQ(Bytes(copy->Buffer), Bytes(request.Buffer));
    // The copy owns its bytes: changing one buffer leaves the other alone.
    EXPECT_NE(copy->Buffer.Data(), request.Buffer.Data());
    request.Buffer.Clear();
    EXPECT_EQ(Bytes(copy->Buffer), "TEST 77 \xEC\x9B\x90\xEB\xB3\xB8 40000\r\n");

    // A request never serialised clones with an empty buffer.
    PingRequest fresh(3);
    std::unique_ptr<RequestMessage> freshClone = fresh.Clone();
    EXPECT_EQ(freshClone->Buffer.Size(), 0u);
    EXPECT_NE(dynamic_cast<PingRequest*>(freshClone.get()), nullptr);
}

TEST(ReceivedMessages, BodilessFramesKeepCodeAndDefaults) {
    auto ping = ReadFrame<PingReceived>("PING 7\r\n");
    EXPECT_EQ(ping->Name, L"PING");
    EXPECT_EQ(ping->TrId, 7);
    EXPECT_EQ(ping->Code, 100);
    // Received messages are never sent again.
    EXPECT_EQ(ping->Clone(), nullptr);
    QeMemoryWriter writer;
    EXPECT_FALSE(ping->WriteBody(writer));
    EXPECT_EQ(writer.Size(), 0u);

    // Tokens after the header of a body-less command are left alone.
    auto alrm = ReadFrame<AlrmReceived>("ALRM 3 extra tokens\r\n");
    EXPECT_EQ(alrm->Code, 100);
}

TEST(ReceivedMessages, OneAndTwoTokenBodies) {
    auto auth = ReadFrame<AuthReceived>("AUTH 2 tok%20en\r\n");
    EXPECT_EQ(auth->TrId, 2);
    EXPECT_EQ(auth->Text, L"tok en");

    auto tick = ReadFrame<TickReceived>("TICK 0 \xED\x8B\xB0\xEC\xBC\x93\r\n");
    EXPECT_EQ(tick->Text, L"티켓");

    auto nnik = ReadFrame<NnikReceived>("NNIK 0 kim@example.com %ea%b9%80%20%25\r\n");
    EXPECT_EQ(nnik->First, L"kim@example.com");
    EXPECT_EQ(nnik->Second, L"\u00ea\u00b9\u0080 %");

    // A short body reads as empty texts.
    auto quit = ReadFrame<QuitReceived>("QUIT 5 lee\r\n");
    EXPECT_EQ(quit->First, L"lee");
    EXPECT_EQ(quit->Second, L"");
    auto inck = ReadFrame<InckReceived>("INCK 6");
    EXPECT_EQ(inck->First, L"");
    EXPECT_EQ(inck->Second, L"");
    EXPECT_EQ(inck->Code, 100);
}

TEST(ReceivedMessages, HeaderOfAnErrorReplyAndOfAnEmptyFrame) {
    const std::string frame = "301 12\r\n";
    TokenReader reader(frame.data(), static_cast<uint32_t>(frame.size()));
    ProtocolMessage header;
    EXPECT_TRUE(header.ReadHeader(reader));
    EXPECT_EQ(header.Name, L"301");
    EXPECT_EQ(header.TrId, 12);

    TokenReader empty;
    ProtocolMessage nothing(L"stale", 9);
    nothing.ReadHeader(empty);
    EXPECT_EQ(nothing.Name, L"");
    EXPECT_EQ(nothing.TrId, 0);
}

TEST(CodeCheck, SuccessIsHandledAndAnyOtherCodeIsShown) {
    RecordingScreens screens;
    CodeCheckHandler handler;

    LoptReceived success(4);
    EXPECT_TRUE(handler.Handle(nullptr, success));
    EXPECT_EQ(screens.Count("Alert"), 0u);

    PnakReceived failure(5);
    failure.Code = 301;
    EXPECT_FALSE(handler.Handle(nullptr, failure));
    EXPECT_EQ(screens.Lines(),
              (std::vector<std::wstring>{L"Alert(입력하신 비밀번호를 확인하시고, 다시 로그인을 시도해 주세요.)"}));
}
