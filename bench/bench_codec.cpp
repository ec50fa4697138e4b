// Speed of the token codec: reading typical 40-byte protocol lines token by token, and writing a
// request. The reading target is at least 5 million lines per second on one core.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "messenger/protocol/ProtocolMessage.h"
#include "messenger/protocol/TokenCodec.h"
#include "messenger/protocol/TokenSets.h"

namespace {

// Lines of 40 bytes each, CR LF included, as they arrive from the service.
const char* const kAsciiLines[] = {
    "NTFY 0 kim.minsu@example.com O 0 %00 1\r\n",
    "JOIN 0 park@example.com park Pak %00 2\r\n",
    "ADSB 418 REQST lee.jiwoo@example.com Y\r\n",
    "PING 1234567 abcdefghij klmnop qrstuvw\r\n",
};

// The same length with escapes and Korean text, as chat and nickname lines have.
const char* const kMixedLines[] = {
    "NNIK 0 kim@example.com \xEA\xB9\x80%20\xEB\xAF\xBC\xEC\x88\x98 ok\r\n",
    "MESG 7 l@example.com MSG 0%090%090%09h\r\n",
    "NTFY 0 choi@example.com A 1 away%20n 1\r\n",
    "QUIT 5 jung@example.com \xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 x%21\r\n",
};

std::vector<std::string> MakeLines(const char* const* lines, size_t count) {
    std::vector<std::string> out;
    for (size_t i = 0; i < count; ++i) out.emplace_back(lines[i]);
    return out;
}

void TokeniseLines(benchmark::State& state, const std::vector<std::string>& lines) {
    std::wstring token;
    int64_t count = 0;
    size_t bytes = 0;
    for (auto _ : state) {
        for (const std::string& line : lines) {
            TokenReader reader(line.data(), static_cast<uint32_t>(line.size()));
            int32_t id = 0;
            reader.ReadToken(token);
            reader.ReadInt(id);
            benchmark::DoNotOptimize(id);
            while (!reader.AtEnd()) {
                reader.ReadToken(token);
                benchmark::DoNotOptimize(token.data());
            }
            bytes += line.size();
        }
        count += static_cast<int64_t>(lines.size());
    }
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(count), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

void BM_TokeniseAsciiLines(benchmark::State& state) {
    static const std::vector<std::string> lines = MakeLines(kAsciiLines, std::size(kAsciiLines));
    TokeniseLines(state, lines);
}
BENCHMARK(BM_TokeniseAsciiLines);

void BM_TokeniseMixedLines(benchmark::State& state) {
    static const std::vector<std::string> lines = MakeLines(kMixedLines, std::size(kMixedLines));
    TokeniseLines(state, lines);
}
BENCHMARK(BM_TokeniseMixedLines);

class BenchRequest final : public ConcreteRequest<BenchRequest> {
public:
    BenchRequest() : ConcreteRequest(L"NTFY", 12345) {}
    bool WriteBody(QeMemoryWriter& writer) override {
        WriteToken(writer, LoginId);
        WriteToken(writer, PresenceLetterToken(Presence));
        WriteToken(writer, TypingStateToken(0));
        WriteToken(writer, Text);
        WriteToken(writer, TailCodeToken(0));
        WriteCrLf(writer);
        return true;
    }
    std::wstring LoginId = L"kim.minsu@example.com";
    int Presence = 1;
    std::wstring Text = L"회의 중 %";
};

void BM_WriteRequest(benchmark::State& state) {
    int64_t count = 0;
    for (auto _ : state) {
        BenchRequest request;
        request.Serialize();
        benchmark::DoNotOptimize(request.Buffer.Data());
        ++count;
    }
    state.counters["requests/s"] = benchmark::Counter(static_cast<double>(count), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WriteRequest);

}  // namespace
