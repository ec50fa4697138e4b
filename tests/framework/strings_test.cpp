#include "framework/base/QeStrings.h"

#include <gtest/gtest.h>

namespace {

using namespace QeStrings;

TEST(StringsConversion, StopsAtTheFirstNul) {
    EXPECT_EQ(Utf8ToWide(std::string("ab\0cd", 5)), L"ab");
    EXPECT_EQ(WideToUtf8(std::wstring(L"\uac00\0x", 3)), "\xea\xb0\x80");
    EXPECT_EQ(AnsiToWide(std::string("\xb0\xa1\0\xb0\xa1", 5)), L"\uac00");
    EXPECT_EQ(WideToAnsi(std::wstring(L"a\0b", 3)), "a");
    EXPECT_EQ(Utf8ToWide(""), L"");
    EXPECT_EQ(WideToAnsi(L""), "");
}

TEST(StringsConversion, AnsiAndUtf8MeetInTheSameWideText) {
    const std::wstring hangul = L"\uac00\ub098\ub2e4";
    EXPECT_EQ(WideToAnsi(hangul), "\xb0\xa1\xb3\xaa\xb4\xd9");
    EXPECT_EQ(AnsiToWide(WideToAnsi(hangul)), Utf8ToWide(WideToUtf8(hangul)));
    // One bad byte in the middle costs one character, not the text.
    EXPECT_EQ(Utf8ToWide("\xea\xb0\x80\xff\xeb\x82\x98"), L"\uac00\uFFFD\ub098");
    EXPECT_EQ(WideToAnsi(L"\uac00\U0001F600\ub098"), "\xb0\xa1?\xb3\xaa");
}

TEST(StringsFormat, FormatsWideAndNarrowArguments) {
    std::wstring out;
    Format(out, L"%ls [%d] %s", L"\ub85c\uadf8\uc778 \uc2e4\ud328", 301, "\xea\xb0\x80");
    EXPECT_EQ(out, L"\ub85c\uadf8\uc778 \uc2e4\ud328 [301] \uac00");
    Format(out, L"#%02x%02x%02x", 255, 0, 16);
    EXPECT_EQ(out, L"#ff0010");
    Format(out, nullptr);
    EXPECT_EQ(out, L"");
}

TEST(StringsFormat, LongOutputIsCutAt1024AndTerminated) {
    std::wstring out = L"previous";
    const std::wstring exact(1024, L'x');
    Format(out, L"%ls", exact.c_str());
    EXPECT_EQ(out, exact);

    const std::wstring longText(2000, L'\uac00');
    Format(out, L"<%ls>", longText.c_str());
    ASSERT_EQ(out.size(), 1024u);
    EXPECT_EQ(out[0], L'<');
    EXPECT_EQ(out.substr(1), std::wstring(1023, L'\uac00'));
}

TEST(StringsFormat, HexByteIsTwoLowercaseDigits) {
    EXPECT_EQ(HexByte(0), L"00");
    EXPECT_EQ(HexByte(0x0d), L"0d");
    EXPECT_EQ(HexByte(0xAB), L"ab");
}

TEST(StringsTrim, TrimsOnlySpaceTabCrLf) {
    EXPECT_EQ(TrimRight(L" \t"), L"");
    EXPECT_EQ(Trim(L" a b "), L"a b");
    EXPECT_EQ(TrimLeft(L"\r\n\tx \n"), L"x \n");
    EXPECT_EQ(TrimRight(L"\r\n\tx \n"), L"\r\n\tx");
    EXPECT_EQ(Trim(L"\u3000x\v"), L"\u3000x\v");  // other white space is text
    EXPECT_EQ(Trim(L""), L"");
    EXPECT_EQ(TrimA("  Content-Length: 5\r\n"), "Content-Length: 5");
    EXPECT_EQ(TrimLeftA(" \t"), "");
    EXPECT_EQ(TrimRightA("a "), "a");
    EXPECT_EQ(MidA("abcdef", 2, 3), "cde");
    EXPECT_EQ(MidA("abc", 5, 1), "");
    EXPECT_EQ(MidA("abc", 1, std::string::npos), "bc");
}

TEST(StringsSearch, FindNoCaseReturnsPositionsInTheText) {
    const wchar_t* text = L"aab";
    EXPECT_EQ(FindNoCase(text, L"AB"), text + 1);
    const wchar_t* xyz = L"xyz";
    EXPECT_EQ(FindNoCase(xyz, L"YZ"), xyz + 1);
    EXPECT_EQ(FindNoCase(xyz, L"yzz"), nullptr);
    EXPECT_EQ(FindNoCase(xyz, L""), xyz);
    const wchar_t* empty = L"";
    EXPECT_EQ(FindNoCase(empty, L""), empty);
    EXPECT_EQ(FindNoCase(empty, L"a"), nullptr);
    // Case folding beyond ASCII.
    const wchar_t* greek = L"\u03b1\u03b2\u03b3";
    EXPECT_EQ(FindNoCase(greek, L"\u0392\u0393"), greek + 1);
    EXPECT_EQ(FindNoCase(nullptr, L"a"), nullptr);
}

TEST(StringsSearch, FindNoCaseAHonoursItsLength) {
    const char* response = "HTTP/1.1 200 OK\r\nA: b\r\n\r\nbody\r\n\r\n";
    EXPECT_EQ(FindNoCaseA(response, "\r\n\r\n", -1), response + 21);
    EXPECT_EQ(FindNoCaseA(response, "http/1.1", 8), response);
    EXPECT_EQ(FindNoCaseA(response, "http/1.1", 7), nullptr);
    EXPECT_EQ(FindNoCaseA(response, "BODY", 24), nullptr);
    EXPECT_EQ(FindNoCaseA(response, "BODY", 29), response + 25);
    // A byte buffer may hold NULs before the length ends.
    const char bytes[] = {'a', '\0', 'x', 'Y'};
    EXPECT_EQ(FindNoCaseA(bytes, "xy", 4), bytes + 2);
}

TEST(StringsSearch, FindAnyOfAndFindFirstOf) {
    const wchar_t* text = L"key=value;x";
    EXPECT_EQ(FindAnyOf(text, L";=", -1), text + 3);
    EXPECT_EQ(FindAnyOf(text, L";", 9), nullptr);
    EXPECT_EQ(FindAnyOf(text, L";", 10), text + 9);
    EXPECT_EQ(FindAnyOf(text, L"", -1), nullptr);
    EXPECT_EQ(FindAnyOf(L"", L"a", -1), nullptr);
    const wchar_t* ab = L"ab";
    EXPECT_EQ(FindAnyOf(ab, L"b", 100), ab + 1);  // the NUL ends the text before the length does
    EXPECT_EQ(FindAnyOf(ab, L"c", 100), nullptr);
    const wchar_t* path = L"Image\\\uac00.png";
    EXPECT_EQ(FindFirstOf(path, L"\\/"), path + 5);
    EXPECT_EQ(FindFirstOf(path, L"?"), nullptr);
}

TEST(StringsEdit, ReplaceAllRescansAcrossReplacements) {
    std::wstring out;
    ReplaceAll(out, L"a\r\n\r\nb", L"\r\n", L"\n");
    EXPECT_EQ(out, L"a\n\nb");
    // A replacement that joins with the text before it forms a new occurrence, which goes too.
    ReplaceAll(out, L"\r\r\n\n", L"\r\n", L"\n");
    EXPECT_EQ(out, L"\n\n");
    ReplaceAll(out, L"say \"hi\"", L"\"", L"");
    EXPECT_EQ(out, L"say hi");
    ReplaceAll(out, L"yyyy-MM", L"yyyy", L"2024");
    EXPECT_EQ(out, L"2024-MM");
}

TEST(StringsEdit, ReplaceAllEndsWhateverTheArguments) {
    std::wstring out;
    ReplaceAll(out, L"aXa", L"a", L"aa");  // the replacement holds the pattern
    EXPECT_EQ(out, L"aaXaa");
    ReplaceAll(out, L"abc", L"", L"z");
    EXPECT_EQ(out, L"abc");
    ReplaceAll(out, L"aab", L"ab", L"ba");
    EXPECT_EQ(out, L"baa");
}

TEST(StringsEdit, ToLowerHandlesHangulAndWideLetters) {
    std::wstring out;
    ToLower(out, L"Image\\LOGO.PNG");
    EXPECT_EQ(out, L"image\\logo.png");
    ToLower(out, L"\uac00\ub098.JPG");
    EXPECT_EQ(out, L"\uac00\ub098.jpg");
    ToLower(out, L"\u00c9\u0391\U0001F600");
    EXPECT_EQ(out, L"\u00e9\u03b1\U0001F600");
}

TEST(StringsEdit, SplitKeepsEmptyPieces) {
    std::vector<std::wstring> out{L"stale"};
    Split(out, L"a;b;", L";");
    EXPECT_EQ(out, (std::vector<std::wstring>{L"a", L"b", L""}));
    Split(out, L"abc", L";");
    EXPECT_EQ(out, (std::vector<std::wstring>{L"abc"}));
    Split(out, L"", L";");
    EXPECT_EQ(out, (std::vector<std::wstring>{L""}));
    Split(out, L";;", L";");
    EXPECT_EQ(out, (std::vector<std::wstring>{L"", L"", L""}));
    Split(out, L"a::b", L"::");
    EXPECT_EQ(out, (std::vector<std::wstring>{L"a", L"b"}));
    Split(out, L"ab", L"");
    EXPECT_EQ(out, (std::vector<std::wstring>{L"ab"}));
}

TEST(StringsEdit, JoinSkipsSeparatorsBeforeAnythingIsBuilt) {
    std::wstring out;
    Join(out, {L"", L"x"}, L",");
    EXPECT_EQ(out, L"x");
    Join(out, {L"x", L""}, L",");
    EXPECT_EQ(out, L"x,");
    Join(out, {L"a", L"b", L"c"}, L";");
    EXPECT_EQ(out, L"a;b;c");
    Join(out, {}, L";");
    EXPECT_EQ(out, L"");
}

TEST(StringsEscape, UrlEncodeAndDecodeRoundTrip) {
    std::wstring encoded, decoded;
    UrlEncode(encoded, L"50% off\n");
    EXPECT_EQ(encoded, L"50%25%20off%0a");
    UrlDecode(decoded, encoded);
    EXPECT_EQ(decoded, L"50% off\n");
    UrlEncode(encoded, L"\t\r\uac00+&");
    EXPECT_EQ(encoded, L"%09%0d\uac00+&");
    UrlDecode(decoded, encoded);
    EXPECT_EQ(decoded, L"\t\r\uac00+&");
    UrlDecode(decoded, L"%41%4a%4A");
    EXPECT_EQ(decoded, L"AJJ");
}

TEST(StringsEscape, UrlDecodeKeepsAPercentThatIsNoEscape) {
    std::wstring out;
    UrlDecode(out, L"100%");
    EXPECT_EQ(out, L"100%");
    UrlDecode(out, L"a%4");
    EXPECT_EQ(out, L"a%4");
    UrlDecode(out, L"%4g!");
    EXPECT_EQ(out, L"%4g!");
    UrlDecode(out, L"%%41");
    EXPECT_EQ(out, L"%A");
    UrlDecode(out, L"x%zz%20y");
    EXPECT_EQ(out, L"x%zz y");
    UrlDecode(out, L"a%00b");  // a decoded NUL adds nothing
    EXPECT_EQ(out, L"ab");
}

TEST(StringsPath, SplitPathParts) {
    std::wstring drive, dir, name, ext;
    SplitPath(L"C:\\Program Files\\Tevrik\\tevrik.exe", &drive, &dir, &name, &ext);
    EXPECT_EQ(drive, L"C:");
    EXPECT_EQ(dir, L"\\Program Files\\Tevrik\\");
    EXPECT_EQ(name, L"tevrik");
    EXPECT_EQ(ext, L".exe");

    SplitPath(L"Image/Skin.dat", &drive, &dir, &name, &ext);
    EXPECT_EQ(drive, L"");
    EXPECT_EQ(dir, L"Image/");
    EXPECT_EQ(name, L"Skin");
    EXPECT_EQ(ext, L".dat");

    // A dot inside a folder name is not an extension.
    SplitPath(L"v1.2\\README", &drive, &dir, &name, &ext);
    EXPECT_EQ(dir, L"v1.2\\");
    EXPECT_EQ(name, L"README");
    EXPECT_EQ(ext, L"");

    // Outputs may be absent, and a too-short path gives nothing.
    SplitPath(L"a.b", nullptr, nullptr, &name, nullptr);
    EXPECT_EQ(name, L"a");
    SplitPath(L"x", &drive, &dir, &name, &ext);
    EXPECT_TRUE(drive.empty() && dir.empty() && name.empty() && ext.empty());
}

TEST(StringsPath, GetFileExtensionOfLongAndHangulNames) {
    std::wstring ext;
    GetFileExtension(ext, L"Image\\logo.PNG");
    EXPECT_EQ(ext, L".PNG");
    GetFileExtension(ext, L"Image\\logo");
    EXPECT_EQ(ext, L"");
    GetFileExtension(ext, L"Sound\\\uc54c\ub9bc.wav");
    EXPECT_EQ(ext, L".wav");
    const std::wstring longName = L"Image\\" + std::wstring(5000, L'n') + L"." + std::wstring(600, L'e');
    GetFileExtension(ext, longName);
    EXPECT_EQ(ext, L"." + std::wstring(600, L'e'));
}

}  // namespace
