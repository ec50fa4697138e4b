#include "platform/system/text.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

TEST(Utf8Text, RoundTripsEveryPlane) {
    const std::wstring text = L"a\u00e9\uac00\U0001F600z";
    const std::string utf8 = TextWideToUtf8(text);
    EXPECT_EQ(utf8, "a\xc3\xa9\xea\xb0\x80\xf0\x9f\x98\x80z");
    EXPECT_EQ(TextUtf8ToWide(utf8), text);
}

TEST(Utf8Text, InvalidBytesBecomeReplacementAndTheRestIsKept) {
    // A cut two-byte sequence, a stray continuation byte, a cut three-byte sequence before ASCII.
    EXPECT_EQ(TextUtf8ToWide("a\xc3(b"), L"a\uFFFD(b");
    EXPECT_EQ(TextUtf8ToWide("x\x80y"), L"x\uFFFDy");
    EXPECT_EQ(TextUtf8ToWide("\xe2\x82z\xea\xb0\x80"), L"\uFFFDz\uac00");
    // Truncated at the very end.
    EXPECT_EQ(TextUtf8ToWide("ok\xf0\x9f\x98"), L"ok\uFFFD");
}

TEST(Utf8Text, RefusesOverlongSurrogateAndOutOfRangeForms) {
    EXPECT_EQ(TextUtf8ToWide("\xc0\xaf"), L"\uFFFD\uFFFD");          // overlong "/"
    EXPECT_EQ(TextUtf8ToWide("\xe0\x80\xaf"), L"\uFFFD\uFFFD\uFFFD");  // overlong three-byte form
    EXPECT_EQ(TextUtf8ToWide("\xed\xa0\x80"), L"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
    EXPECT_EQ(TextUtf8ToWide("\xf4\x90\x80\x80"), L"\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(TextUtf8ToWide("\xf4\x8f\xbf\xbf"), std::wstring(1, static_cast<wchar_t>(0x10FFFF)));
}

TEST(Utf8Text, KeepsEmbeddedNulsAndEncodesImpossibleCodePointsAsReplacement) {
    EXPECT_EQ(TextUtf8ToWide(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
    std::wstring bad;
    bad += static_cast<wchar_t>(0xD800);
    bad += static_cast<wchar_t>(0x110000);
    EXPECT_EQ(TextWideToUtf8(bad), "\xef\xbf\xbd\xef\xbf\xbd");
}

TEST(AnsiText, HangulRoundTripsThroughCp949) {
    EXPECT_EQ(TextWideToAnsi(L"\uac00"), "\xb0\xa1");
    EXPECT_EQ(TextAnsiToWide("\xb0\xa1"), L"\uac00");
    const std::wstring text = L"\ud55c\uad6d\uc5b4 ABC \uba54\uc2e0\uc800";
    EXPECT_EQ(TextAnsiToWide(TextWideToAnsi(text)), text);
    // Hangul syllables outside the KS X 1001 set come from CP949's extension area.
    EXPECT_EQ(TextAnsiToWide(TextWideToAnsi(L"\uac02")), L"\uac02");
}

TEST(AnsiText, UnmappableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(TextWideToAnsi(L"a\U0001F600b\uac00"), "a?b\xb0\xa1");
    EXPECT_EQ(TextWideToAnsi(L"\u0e01\u0e02"), "??");
}

TEST(AnsiText, InvalidBytesBecomeReplacementAndTheRestIsKept) {
    EXPECT_EQ(TextAnsiToWide("a\xb0"), L"a\uFFFD");  // lead byte cut off at the end
    EXPECT_EQ(TextAnsiToWide("\xff" "b\xb0\xa1"), L"\uFFFDb\uac00");
    // A lead byte with a trail the code page does not pair with it, as the last two bytes.
    EXPECT_EQ(TextAnsiToWide("a\xa2\xe8"), L"a\uFFFD");
}

TEST(AnsiText, ThreadsConvertAtTheSameTime) {
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            const std::wstring text = std::wstring(50, static_cast<wchar_t>(0xAC00 + t)) + L"x\U0001F600";
            for (int i = 0; i < 500; ++i) {
                if (TextAnsiToWide(TextWideToAnsi(text)) != text.substr(0, 51) + L"?") ++failures[t];
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

TEST(Utf16Text, SurrogatePairsBecomeOneCodePoint) {
    const std::wstring text = L"A\uac00\U0001F600";
    const std::string bytes = TextWideToUtf16Le(text);
    EXPECT_EQ(bytes, std::string("A\0\x00\xac\x3d\xd8\x00\xde", 8));
    EXPECT_EQ(TextUtf16LeToWide(bytes), text);
}

TEST(Utf16Text, LoneSurrogatesAndOddBytesBecomeReplacement) {
    EXPECT_EQ(TextUtf16LeToWide(std::string("\x00\xdc" "a\0", 4)), L"\uFFFDa");
    EXPECT_EQ(TextUtf16LeToWide(std::string("\x3d\xd8" "a\0", 4)), L"\uFFFDa");
    EXPECT_EQ(TextUtf16LeToWide(std::string("\x3d\xd8", 2)), L"\uFFFD");
    EXPECT_EQ(TextUtf16LeToWide(std::string("a\0b", 3)), L"a\uFFFD");
}

TEST(Utf16Text, DecoderJoinsAPairSplitBetweenPieces) {
    Utf16LeDecoder decoder;
    std::wstring out;
    const uint16_t first[] = {u'x', 0xD83D};
    const uint16_t second[] = {0xDE00, u'y'};
    decoder.Feed(first, 2, out);
    EXPECT_EQ(out, L"x");
    decoder.Feed(second, 2, out);
    decoder.Finish(out);
    EXPECT_EQ(out, L"x\U0001F600y");
}

}  // namespace
