#include <gtest/gtest.h>

#include <cwctype>
#include <random>
#include <string>
#include <vector>

#include "framework/base/QeStrings.h"
#include "messenger/protocol/TokenCodec.h"
#include "messenger/protocol/TokenSets.h"
#include "tests/messenger/wire_bytes.h"

namespace {

std::string Written(const std::wstring& text) {
    QeMemoryWriter writer;
    WriteToken(writer, text);
    return Bytes(writer);
}

std::vector<std::wstring> AllTokens(const std::string& bytes) {
    TokenReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    std::vector<std::wstring> tokens;
    while (!reader.AtEnd()) {
        std::wstring token;
        reader.ReadToken(token);
        tokens.push_back(token);
    }
    return tokens;
}

std::wstring FirstToken(const std::string& bytes) {
    TokenReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    std::wstring token;
    reader.ReadToken(token);
    return token;
}

int32_t FirstInt(const std::string& bytes) {
    TokenReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    int32_t value = -12345;
    reader.ReadInt(value);
    return value;
}

}  // namespace

TEST(TokenWriting, EscapesExactlyTheFiveCharactersInLowerCaseHex) {
    EXPECT_EQ(Written(L"a b%"), "a%20b%25");
    EXPECT_EQ(Written(L"\t\r\n"), "%09%0d%0a");
    EXPECT_EQ(Written(L"!\"#&+/:;=?@[]{}~"), "!\"#&+/:;=?@[]{}~");
    // Korean goes out as raw UTF-8; only the blank between the words is escaped.
    EXPECT_EQ(Written(L"안녕 하세요"), "\xEC\x95\x88\xEB\x85\x95%20\xED\x95\x98\xEC\x84\xB8\xEC\x9A\x94");
    EXPECT_EQ(Written(L"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST(TokenWriting, EmptyTextIsPercentZeroZeroAndTextEndsAtNul) {
    EXPECT_EQ(Written(L""), "%00");
    EXPECT_EQ(Written(std::wstring(L"ab\0cd", 5)), "ab");
    EXPECT_EQ(Written(std::wstring(L"\0x", 2)), "%00");
}

TEST(TokenWriting, CodePointsThatAreNotCharactersGoOutAsReplacement) {
    EXPECT_EQ(Written(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(Written(std::wstring(1, static_cast<wchar_t>(0x110000))), "\xEF\xBF\xBD");
    EXPECT_EQ(Written(std::wstring(1, static_cast<wchar_t>(-1))), "\xEF\xBF\xBD");
}

TEST(TokenWriting, LongTextsAreWrittenWhole) {
    // Longer than the writer's internal chunk, with escapes and multi-byte characters at its edges.
    std::wstring text;
    std::string expected;
    for (int i = 0; i < 400; ++i) {
        text += L"가 %";
        expected += "\xEA\xB0\x80%20%25";
    }
    EXPECT_EQ(Written(text), expected);
    EXPECT_EQ(FirstToken(expected), text);
}

TEST(TokenWriting, SpacesSeparateTokensButNotAtLineStarts) {
    QeMemoryWriter writer;
    WriteToken(writer, L"LIN2");
    WriteSignedNumber(writer, 3);
    WriteToken(writer, L"");
    WriteCrLf(writer);
    WriteToken(writer, L"ticket");
    WriteNumber(writer, 4000000000u);
    WriteSignedNumber(writer, -2147483647 - 1);
    WriteCrLf(writer);
    WriteCrLf(writer);
    WriteNumber(writer, 0);
    EXPECT_EQ(Bytes(writer), "LIN2 3 %00\r\nticket 4000000000 -2147483648\r\n\r\n0");
}

TEST(TokenWriting, PayloadCountIsTheLastTokenAndTheBytesFollowRaw) {
    QeMemoryWriter payload;
    WriteToken(payload, L"a b");
    WriteCrLf(payload);
    payload.Write("\r\n% raw", 7);

    QeMemoryWriter line;
    WriteToken(line, L"LSTA");
    WriteSignedNumber(line, 9);
    WritePayload(line, payload);
    EXPECT_EQ(Bytes(line), "LSTA 9 14\r\na%20b\r\n\r\n% raw");

    QeMemoryWriter empty;
    QeMemoryWriter emptyLine;
    WriteToken(emptyLine, L"CSES");
    WritePayload(emptyLine, empty);
    EXPECT_EQ(Bytes(emptyLine), "CSES 0\r\n");
}

TEST(TokenWriting, NumbersAsText) {
    EXPECT_EQ(NumberToWString(0), L"0");
    EXPECT_EQ(NumberToWString(4294967295u), L"4294967295");
    EXPECT_EQ(SignedNumberToWString(-2147483647 - 1), L"-2147483648");
    EXPECT_EQ(SignedNumberToWString(2147483647), L"2147483647");
    EXPECT_EQ(SignedNumberToWString(-7), L"-7");
}

TEST(TokenReading, EscapesAreUndone) {
    EXPECT_EQ(FirstToken("a%20b%25"), L"a b%");
    EXPECT_EQ(FirstToken("%00"), L"");
    EXPECT_EQ(FirstInt("%00"), 0);
    // Any two-digit escape reads, in either case, although writing makes only five.
    EXPECT_EQ(FirstToken("%41%4a%4A"), L"AJJ");
    EXPECT_EQ(FirstToken("x%00y"), L"xy");
    // The value is a character code, not a byte: %e9 is U+00E9.
    EXPECT_EQ(FirstToken("%e9"), L"\u00e9");
}

TEST(TokenReading, PercentWithoutTwoHexDigitsStaysLiteral) {
    EXPECT_EQ(FirstToken("%"), L"%");
    EXPECT_EQ(FirstToken("50%"), L"50%");
    EXPECT_EQ(FirstToken("%4"), L"%4");
    EXPECT_EQ(FirstToken("%zz"), L"%zz");
    EXPECT_EQ(FirstToken("%4g1"), L"%4g1");
    // The literal "%" does not swallow the escape right after it.
    EXPECT_EQ(FirstToken("%%41"), L"%A");
    // Only ASCII digits count: a full-width digit is no hex digit.
    EXPECT_EQ(FirstToken("%\xEF\xBC\x91" "1"), L"%\uFF111");
}

TEST(TokenReading, SeparatorsAndCarriageReturns) {
    EXPECT_EQ(AllTokens("A  B"), (std::vector<std::wstring>{L"A", L"", L"B"}));
    EXPECT_EQ(AllTokens("A\r\nB"), (std::vector<std::wstring>{L"A", L"B"}));
    EXPECT_EQ(AllTokens("A\tB\nC D"), (std::vector<std::wstring>{L"A", L"B", L"C", L"D"}));
    // CR is dropped wherever it stands, also inside a token and inside a multi-byte character.
    EXPECT_EQ(FirstToken("a\rb\r"), L"ab");
    EXPECT_EQ(FirstToken("\xEA\r\xB0\x80"), L"가");
    // Leading separators are not skipped.
    EXPECT_EQ(AllTokens(" x"), (std::vector<std::wstring>{L"", L"x"}));
}

TEST(TokenReading, PastTheEndGivesEmptyTextsAndZeros) {
    const std::string bytes = "PING 7";
    TokenReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    std::wstring name;
    int32_t id = 0;
    reader.ReadToken(name);
    reader.ReadInt(id);
    EXPECT_EQ(name, L"PING");
    EXPECT_EQ(id, 7);
    EXPECT_TRUE(reader.AtEnd());
    std::wstring text = L"stale";
    int32_t number = 99;
    uint16_t port = 99;
    reader.ReadToken(text);
    reader.ReadInt(number);
    reader.ReadShort(port);
    EXPECT_EQ(text, L"");
    EXPECT_EQ(number, 0);
    EXPECT_EQ(port, 0);
    reader.ReadLine(text);
    EXPECT_EQ(text, L"");
    reader.ReadAll(text);
    EXPECT_EQ(text, L"");

    TokenReader nothing;
    nothing.ReadToken(text);
    nothing.ReadLine(text);
    nothing.ReadAll(text);
    nothing.ReadInt(number);
    EXPECT_EQ(text, L"");
    EXPECT_EQ(number, 0);
}

TEST(TokenReading, InvalidUtf8BecomesReplacementAndTheTokenGoesOn) {
    EXPECT_EQ(FirstToken("a\xFF" "b"), L"a\uFFFDb");
    EXPECT_EQ(FirstToken("\xC0\xAF"), L"\uFFFD\uFFFD");              // overlong
    EXPECT_EQ(FirstToken("\xED\xA0\x80z"), L"\uFFFD\uFFFD\uFFFDz");  // surrogate
    EXPECT_EQ(FirstToken("\xF4\x90\x80\x80"), L"\uFFFD\uFFFD\uFFFD\uFFFD");  // past U+10FFFF
    // A truncated sequence is one replacement, and the byte that broke it starts over.
    EXPECT_EQ(FirstToken("\xEA\xB0" "A"), L"\uFFFDA");
    EXPECT_EQ(FirstToken("\xEA\xB0"), L"\uFFFD");
    EXPECT_EQ(FirstToken("\xEA\xEA\xB0\x80"), L"\uFFFD가");
    EXPECT_EQ(FirstToken("\x80"), L"\uFFFD");
    // The token after a broken one is read normally.
    EXPECT_EQ(AllTokens("\xFE x"), (std::vector<std::wstring>{L"\uFFFD", L"x"}));
}

TEST(TokenReading, IntegersParseLeadingDigitsAndClampTo32Bits) {
    EXPECT_EQ(FirstInt("42"), 42);
    EXPECT_EQ(FirstInt("-42"), -42);
    EXPECT_EQ(FirstInt("+42"), 42);
    EXPECT_EQ(FirstInt("12abc"), 12);
    EXPECT_EQ(FirstInt("abc"), 0);
    EXPECT_EQ(FirstInt("-"), 0);
    EXPECT_EQ(FirstInt(""), 0);
    EXPECT_EQ(FirstInt("007"), 7);
    EXPECT_EQ(FirstInt("2147483647"), 2147483647);
    EXPECT_EQ(FirstInt("2147483648"), 2147483647);
    EXPECT_EQ(FirstInt("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(FirstInt("-2147483649"), -2147483647 - 1);
    EXPECT_EQ(FirstInt("99999999999999999999999999999"), 2147483647);
    EXPECT_EQ(FirstInt("-99999999999999999999999999999"), -2147483647 - 1);
    // Numbers behind escapes and CRs read as the text they decode to.
    EXPECT_EQ(FirstInt("%31%32"), 12);
    EXPECT_EQ(FirstInt("1\r2"), 12);
    EXPECT_EQ(FirstInt("5\xEA\xB0\x80"), 5);
}

TEST(TokenReading, ShortKeepsTheLow16BitsUnsigned) {
    const std::string bytes = "40000 65535 65536 70000 -1 5004";
    TokenReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    uint16_t values[6] = {};
    for (uint16_t& value : values) reader.ReadShort(value);
    EXPECT_EQ(values[0], 40000);
    EXPECT_EQ(values[1], 65535);
    EXPECT_EQ(values[2], 0);
    EXPECT_EQ(values[3], 4464);
    EXPECT_EQ(values[4], 65535);
    EXPECT_EQ(values[5], 5004);
}

TEST(TokenReading, LinesAndTheRest) {
    const std::string bytes = "first line%20x\r\nsecond\r\n\r\nrest a\r\nb%41";
    TokenReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    std::wstring text;
    reader.ReadLine(text);
    EXPECT_EQ(text, L"first line x");
    reader.ReadLine(text);
    EXPECT_EQ(text, L"second");
    reader.ReadLine(text);
    EXPECT_EQ(text, L"");
    reader.ReadToken(text);
    EXPECT_EQ(text, L"rest");
    reader.ReadAll(text);
    EXPECT_EQ(text, L"a\r\nbA");  // ReadAll keeps CR
    EXPECT_TRUE(reader.AtEnd());

    const std::string noLf = "tail\r";
    TokenReader last(noLf.data(), static_cast<uint32_t>(noLf.size()));
    last.ReadLine(text);
    EXPECT_EQ(text, L"tail");
    EXPECT_TRUE(last.AtEnd());
}

TEST(TokenReading, RawBytesAfterALineAndStreamAccess) {
    const std::string bytes = "CRP2 4 DP %00 5\r\nPING 7tail";
    TokenReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    std::wstring text;
    int32_t count = 0;
    reader.ReadToken(text);
    reader.ReadToken(text);
    reader.ReadToken(text);
    reader.ReadToken(text);
    reader.ReadInt(count);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(reader.Current()), 6), "PING 7");
    EXPECT_EQ(reader.Skip(6), 6u);
    EXPECT_EQ(reader.Remaining(), 4u);
    EXPECT_EQ(reader.Skip(100), 4u);
    EXPECT_TRUE(reader.AtEnd());

    EXPECT_TRUE(reader.Seek(0, 0));
    char head[4];
    EXPECT_TRUE(reader.Read(head, 4));
    EXPECT_EQ(std::string(head, 4), "CRP2");
    EXPECT_EQ(reader.Tell(), 4u);
    EXPECT_FALSE(reader.Seek(-5, 1));
    EXPECT_FALSE(reader.Seek(1, 2));
    EXPECT_EQ(reader.Tell(), 4u);
    EXPECT_TRUE(reader.Seek(-4, 2));
    char tail[8];
    EXPECT_FALSE(reader.Read(tail, 8));
    EXPECT_EQ(reader.LastCount(), 4u);
    EXPECT_EQ(std::string(tail, 4), "tail");
}

TEST(TokenReading, LineAndPayloadSplitAtTheLinesLf) {
    auto payloadOf = [](const LineAndPayload& parts) {
        return parts.payload == nullptr ? std::string("<none>")
                                        : std::string(reinterpret_cast<const char*>(parts.payload), parts.payloadSize);
    };
    {
        // A short line takes no payload bytes as tokens.
        const std::string bytes = "CRP2 4\r\nDP\r\nPING 7";
        TokenReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
        std::wstring command;
        reader.ReadToken(command);
        LineAndPayload parts = SplitAtLine(reader);
        std::wstring token;
        parts.line.ReadToken(token);
        EXPECT_EQ(token, L"4");
        EXPECT_TRUE(parts.line.AtEnd());
        EXPECT_EQ(payloadOf(parts), "DP\r\nPING 7");
    }
    {
        // The header's last token ended at the LF: all that is left is payload.
        const std::string bytes = "CRP2 4\nPING";
        TokenReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
        std::wstring token;
        reader.ReadToken(token);
        reader.ReadToken(token);
        LineAndPayload parts = SplitAtLine(reader);
        EXPECT_TRUE(parts.line.AtEnd());
        EXPECT_EQ(payloadOf(parts), "PING");
    }
    {
        // No LF at all: a line and no payload.
        const std::string bytes = "CRP2 DP x 9";
        TokenReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
        std::wstring token;
        reader.ReadToken(token);
        LineAndPayload parts = SplitAtLine(reader);
        EXPECT_EQ(parts.line.Size(), 6u);
        EXPECT_EQ(payloadOf(parts), "<none>");
        TokenReader empty;
        EXPECT_EQ(payloadOf(SplitAtLine(empty)), "<none>");
    }
    EXPECT_EQ(ClampCount(-3, 10), 0u);
    EXPECT_EQ(ClampCount(4, 10), 4u);
    EXPECT_EQ(ClampCount(40, 10), 10u);
}

TEST(TokenReading, SkipSeparatorsStopsAtTheNextToken) {
    const std::string bytes = " \t\r\nab \r\n";
    TokenReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    EXPECT_TRUE(reader.SkipSeparators());
    std::wstring token;
    reader.ReadToken(token);
    EXPECT_EQ(token, L"ab");
    EXPECT_FALSE(reader.SkipSeparators());
    EXPECT_TRUE(reader.AtEnd());
}

TEST(TokenRoundTrip, RandomTextsComeBackUnchanged) {
    // Characters chosen to hit every path: the five escaped ones, "%" next to hex digits, ASCII,
    // Latin-1, Korean, and characters outside the basic plane.
    const std::wstring alphabet = L"%% \t\r\nab09AFaf%41<>+/~\u00e9\u00ff\uac00\ud55c\uae00\u3131\uFFFD\U0001F600\U00010000";
    std::mt19937 random(20240521);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<size_t> length(0, 24);
    for (int round = 0; round < 5000; ++round) {
        std::vector<std::wstring> texts;
        QeMemoryWriter writer;
        const int count = 1 + round % 5;
        for (int i = 0; i < count; ++i) {
            std::wstring text;
            const size_t n = round % 17 == 0 ? 0 : length(random);
            for (size_t k = 0; k < n; ++k) text += alphabet[pick(random)];
            texts.push_back(text);
            WriteToken(writer, text);
            if (i % 2 == 1) WriteCrLf(writer);
        }
        // Into a new text each time, and into one text that keeps the room of the longer ones.
        TokenReader reader(writer.Data(), writer.Size());
        TokenReader again(writer.Data(), writer.Size());
        std::wstring reused;
        for (const std::wstring& expected : texts) {
            std::wstring text;
            reader.ReadToken(text);
            ASSERT_EQ(text, expected) << "round " << round;
            again.ReadToken(reused);
            ASSERT_EQ(reused, expected) << "round " << round;
        }
        ASSERT_TRUE(reader.AtEnd()) << "round " << round;
    }
    // The fixed corner cases.
    for (const std::wstring text : {L"", L"%", L"%%", L"%00", L"%25", L" ", L"한국어", L"a\tb"}) {
        EXPECT_EQ(FirstToken(Written(text)), text);
    }
}

TEST(TokenReading, AgreesWithAByteByByteSplitWhereverSpecialBytesFall) {
    // Long tokens are scanned in blocks; separators, CR, "%" and multi-byte characters may fall at
    // any offset of a block. A plain split of the same bytes, decoded alike, must give the same.
    const uint8_t alphabet[] = {'a', 'a', 'a', 'Z', '0', '4', '1', ' ', '\t', '\n', '\r', '%', 0xEA, 0xB0, 0x80, 0xFF};
    std::mt19937 random(77);
    std::uniform_int_distribution<size_t> pick(0, sizeof(alphabet) - 1);
    std::uniform_int_distribution<int> plainRun(0, 40);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        const size_t size = static_cast<size_t>(round % 97);
        while (bytes.size() < size) {
            // Long plain stretches so separators land deep inside 16-byte blocks too.
            bytes.append(static_cast<size_t>(plainRun(random)), 'x');
            bytes += static_cast<char>(alphabet[pick(random)]);
        }
        std::vector<std::wstring> expected;
        std::string current;
        auto finish = [&expected](const std::string& raw) {
            std::wstring text;
            AppendUtf8AsWide(text, reinterpret_cast<const uint8_t*>(raw.data()), raw.size());
            UnescapeToken(text);
            expected.push_back(text);
        };
        size_t i = 0;
        for (; i < bytes.size(); ++i) {
            const char c = bytes[i];
            if (c == ' ' || c == '\t' || c == '\n') {
                finish(current);
                current.clear();
            } else if (c != '\r') {
                current += c;
            }
        }
        if (!bytes.empty() && bytes.back() != ' ' && bytes.back() != '\t' && bytes.back() != '\n') finish(current);
        ASSERT_EQ(AllTokens(bytes), expected) << "round " << round;
    }
}

TEST(TokenRoundTrip, EncodeTokenMatchesWriteToken) {
    EXPECT_EQ(EncodeToken(L"a b"), "a%20b");
    EXPECT_EQ(EncodeToken(L""), "%00");
    QeMemoryWriter writer;
    WriteToken(writer, L"x");
    WriteToken(writer, L"가 %");
    EXPECT_EQ(Bytes(writer), "x " + EncodeToken(L"가 %"));
}

TEST(TokenRoundTrip, ReadingAgreesWithTheFrameworkConversions) {
    // The reader's own fast decoding must give what the framework's UTF-8 and escape helpers give.
    const std::string samples[] = {"plain", "a%20b%25", "\xEA\xB0\x80%0a", "%41%4a", "100%", "\xEC\x95\x88"};
    for (const std::string& sample : samples) {
        std::wstring expected;
        UrlDecode(expected, QeStrings::Utf8ToWide(sample));
        EXPECT_EQ(FirstToken(sample), expected) << sample;
    }
}

TEST(StyledText, JoinsFourPartsWithTabs) {
    EXPECT_EQ(JoinStyledText(L"", 9, 0, L"hi"), L"0\t9\t0\thi");
    EXPECT_EQ(JoinStyledText(L"Gulim", 12, kFontBold | kFontStrikeOut, L"a b"), L"Gulim\t12\tBS\ta b");
    EXPECT_EQ(JoinStyledText(L"", 0, 0, L""), L"0\t0\t0\t");
    // It travels as one token: the TABs are escaped on the wire.
    EXPECT_EQ(Written(JoinStyledText(L"", 9, 0, L"hi")), "0%099%090%09hi");
}

// Every set as the protocol defines it, written out: the writer gives exactly these tokens for 0..n-1
// and "Unknown" for anything else; the parser reads each token back to its value and anything else,
// the same token in the other case included, as the set's "other".
TEST(TokenSets, EachSetIsExactlyItsTable) {
    using Writer = const wchar_t* (*)(int);
    using Parser = int (*)(std::wstring_view);
    struct Set {
        const char* name;
        Writer write;  // null: parser only
        Parser parse;  // null: writer only
        std::vector<std::wstring> tokens;
        int other;
    };
    const Set sets[] = {
        {"AuthMethod", AuthMethodToken, nullptr, {L"MD5", L"OTP"}, 0},
        {"ListKind", ListKindToken, ParseListKind, {L"FL", L"AL", L"BL", L"RL"}, 4},
        {"PresenceLetter", PresenceLetterToken, ParsePresenceLetter, {L"O", L"A", L"M", L"P", L"B", L"X", L"F"}, 7},
        {"RequestState", RequestStateToken, ParseRequestState, {L"REQST", L"ACCPT", L"REJCT"}, 3},
        {"RouteKind", RouteKindToken, ParseRouteKind, {L"DP", L"SS"}, 2},
        {"TypingState", TypingStateToken, ParseTypingState, {L"0", L"1", L"2"}, 3},
        {"TailCode", TailCodeToken, nullptr, {L"1", L"2"}, 0},  // its parser reads "2" as 2: below
        {"SessionOp", SessionOpToken, ParseSessionOp, {L"LIST", L"INFO", L"KILL", L"CONN"}, 4},
        {"CtocKind", CtocKindToken, nullptr, {L"U", L"A", L"N"}, 0},
        {"Charset", CharsetToken, nullptr, {L"ANSI", L"UTF8"}, 0},
        {"EnterKind", EnterKindToken, nullptr, {L"P", L"C"}, 0},
        {"MessageKind", MessageKindToken, ParseMessageKind, {L"TYPING", L"MSG", L"AWAYMSG"}, 3},
        {"ContentType", ContentTypeToken, ParseContentType, {L"text", L"html", L"rtf", L"flsh"}, 4},
        {"MemoRequestKind", MemoRequestKindToken, ParseMemoRequestKind,
         {L"MEMOLST2", L"MEMOCNT2", L"MEMOGET2", L"MEMOREL1", L"MEMODEL1", L"MEMOSPM1"}, 6},
        {"MemoListType", MemoListTypeToken, nullptr, {L"1", L"3"}, 0},
        {"MemoBox", MemoBoxToken, ParseMemoBox, {L"R", L"S", L"A"}, 3},
        {"MemoEvent", MemoEventToken, ParseMemoEvent, {L"NW", L"FW", L"RE", L"AL"}, 4},
        {"UpgradeAnswer", nullptr, ParseUpgradeAnswer, {L"Y", L"N", L"F"}, 3},
        {"LoginKind", nullptr, ParseLoginKind, {L"N", L"C"}, 2},
    };
    const auto otherCase = [](std::wstring token) {
        for (wchar_t& c : token) c = std::iswupper(c) ? std::towlower(c) : std::towupper(c);
        return token;
    };
    for (const Set& set : sets) {
        const int count = static_cast<int>(set.tokens.size());
        for (int value = 0; value < count; ++value) {
            if (set.write != nullptr) {
                EXPECT_EQ(set.write(value), set.tokens[value]) << set.name << " " << value;
            }
            if (set.parse != nullptr) {
                EXPECT_EQ(set.parse(set.tokens[value]), value) << set.name;
                const std::wstring flipped = otherCase(set.tokens[value]);
                if (flipped != set.tokens[value]) {
                    EXPECT_EQ(set.parse(flipped), set.other) << set.name;
                }
            }
        }
        if (set.write != nullptr) {
            for (int outside : {count, count + 1, -1, 1 << 20}) {
                EXPECT_STREQ(set.write(outside), L"Unknown") << set.name << " " << outside;
            }
        }
        if (set.parse != nullptr) {
            for (const wchar_t* outside : {L"", L"Unknown", L"%00", L"Q"}) {
                EXPECT_EQ(set.parse(outside), set.other) << set.name;
            }
        }
    }
    EXPECT_STREQ(Bool01Token(5), L"1");
    EXPECT_STREQ(Bool01Token(0), L"0");
    EXPECT_STREQ(BoolYNToken(-1), L"Y");
    EXPECT_STREQ(BoolYNToken(0), L"N");
}

TEST(TokenSets, ParsersGiveTheOtherValueOutsideTheirTable) {
    EXPECT_EQ(ParsePresenceLetter(L"X"), 5);
    EXPECT_EQ(ParsePresenceLetter(L"Unknown"), 7);
    EXPECT_EQ(ParsePresenceLetter(L"o"), 7);  // case-sensitive
    EXPECT_EQ(ParsePresenceLetter(L""), 7);
    EXPECT_EQ(ParseTailCode(L"1"), 0);
    EXPECT_EQ(ParseTailCode(L"2"), 2);
    EXPECT_EQ(ParseTailCode(L""), 2);
    EXPECT_EQ(ParseListKind(L"BL"), 2);
    EXPECT_EQ(ParseListKind(L"bl"), 4);
    EXPECT_EQ(ParseRequestState(L"ACCPT"), 1);
    EXPECT_EQ(ParseRequestState(L"ACCEPT"), 3);
    EXPECT_EQ(ParseRouteKind(L"SS"), 1);
    EXPECT_EQ(ParseRouteKind(L"XX"), 2);
    EXPECT_EQ(ParseTypingState(L"1"), 1);
    EXPECT_EQ(ParseTypingState(L"3"), 3);
    EXPECT_EQ(ParseSessionOp(L"KILL"), 2);
    EXPECT_EQ(ParseSessionOp(L"kill"), 4);
    EXPECT_EQ(ParseMessageKind(L"MSG"), 1);
    EXPECT_EQ(ParseMessageKind(L"MSG "), 3);
    EXPECT_EQ(ParseContentType(L"rtf"), 2);
    EXPECT_EQ(ParseContentType(L"TEXT"), 4);
    EXPECT_EQ(ParseMemoRequestKind(L"MEMOGET2"), 2);
    EXPECT_EQ(ParseMemoRequestKind(L"MEMOGET"), 6);
    EXPECT_EQ(ParseMemoBox(L"S"), 1);
    EXPECT_EQ(ParseMemoBox(L"Z"), 3);
    EXPECT_EQ(ParseMemoEvent(L"RE"), 2);
    EXPECT_EQ(ParseMemoEvent(L"XX"), 4);
    EXPECT_EQ(ParseUpgradeAnswer(L"Y"), 0);
    EXPECT_EQ(ParseUpgradeAnswer(L"N"), 1);
    EXPECT_EQ(ParseUpgradeAnswer(L"F"), 2);
    EXPECT_EQ(ParseUpgradeAnswer(L"y"), 3);
    EXPECT_EQ(ParseLoginKind(L"C"), 1);
    EXPECT_EQ(ParseLoginKind(L"Q"), 2);
    EXPECT_TRUE(ParseBool01(L"1"));
    EXPECT_FALSE(ParseBool01(L"Y"));
    EXPECT_FALSE(ParseBool01(L"01"));
    EXPECT_TRUE(ParseBoolYN(L"Y"));
    EXPECT_FALSE(ParseBoolYN(L"1"));
    EXPECT_FALSE(ParseBoolYN(L"y"));
}

TEST(TokenSets, FontStyleLettersAndFlags) {
    EXPECT_EQ(FontStyleLetters(0), L"");
    EXPECT_EQ(FontStyleLetters(kFontBold | kFontItalic | kFontUnderline | kFontStrikeOut), L"BIUS");
    EXPECT_EQ(FontStyleLetters(kFontStrikeOut | kFontItalic), L"IS");
    EXPECT_EQ(FontStyleLetters(0xF0), L"");
    for (uint32_t style = 0; style < 16; ++style) EXPECT_EQ(ParseFontStyle(FontStyleLetters(style)), style);
    EXPECT_EQ(ParseFontStyle(L"SxxB"), kFontBold | kFontStrikeOut);
    EXPECT_EQ(ParseFontStyle(L"0"), 0u);
    EXPECT_EQ(ParseFontStyle(L"bius"), 0u);

    EXPECT_EQ(ParseFlags(L"1010"), 1u | 4u);
    EXPECT_EQ(ParseFlags(L"0001"), 8u);
    EXPECT_EQ(ParseFlags(L"1111"), 15u);
    EXPECT_EQ(ParseFlags(L"0000"), 0u);
    // Missing places count as "0"; places past the fourth are ignored.
    EXPECT_EQ(ParseFlags(L"1"), 1u);
    EXPECT_EQ(ParseFlags(L"01"), 2u);
    EXPECT_EQ(ParseFlags(L""), 0u);
    EXPECT_EQ(ParseFlags(L"00001"), 0u);
    EXPECT_EQ(ParseFlags(L"1Y1"), 5u);
}
