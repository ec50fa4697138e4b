#include "framework/base/QeMarkup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "framework/base/QePathTable.h"
#include "platform/system/text.h"
#include "tests/framework/temp_dir.h"
#include "tests/support/Golden.h"

namespace {

// One line per element: its name ("-" when it has none), its attributes and its text; children
// indented below it.
void DumpInto(const QeMarkupElement& element, int depth, std::wstring& out) {
    out += std::wstring(static_cast<size_t>(depth) * 2, L' ');
    out += depth == 0 ? L"#document" : element.Name().empty() ? L"-" : element.Name();
    for (const auto& [name, value] : element.Attributes()) out += L" " + name + L"=[" + value + L"]";
    if (!element.Text().empty()) out += L" \"" + element.Text() + L"\"";
    out += L"\n";
    for (const auto& child : element.Children()) DumpInto(*child, depth + 1, out);
}

// How many levels of elements lie below the element.
int Depth(const QeMarkupElement& element) {
    int deepest = 0;
    for (const auto& child : element.Children()) deepest = std::max(deepest, 1 + Depth(*child));
    return deepest;
}

std::wstring Dump(const QeMarkupElement& element) {
    std::wstring out;
    DumpInto(element, 0, out);
    return out;
}

// Parses the text as the loader hands it over: UTF-16LE code units.
bool ParseText(QeMarkupDocument& document, const std::wstring& text) {
    const std::string units = TextWideToUtf16Le(text);
    QeMemoryReader reader(units.data(), static_cast<uint32_t>(units.size()));
    return document.Parse(reader);
}

bool ParseBytes(QeMarkupDocument& document, const std::string& bytes) {
    QeMemoryReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    return document.Parse(reader);
}

// The bytes of a literal, NULs included, without its terminator.
template <size_t N>
std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

struct Golden {
    const wchar_t* input;
    bool parses;
    const wchar_t* tree;
};

TEST(MarkupParseTest, GoldenTrees) {
    const Golden cases[] = {
        {L"<Skin><Rect>0, 0, 240, 320</Rect></Skin>", true,
         L"#document\n  Skin\n    Rect \"0, 0, 240, 320\"\n"},
        // Declarations and comments become unnamed children and disturb nothing after them.
        {L"<?xml version=\"1.0\"?>\r\n<!-- the skin -->\r\n<Tevrik><A>1</A></Tevrik>", true,
         L"#document\n  -\n  -\n  Tevrik\n    A \"1\"\n"},
        // A comment ends at its first ">"; the rest is top-level text, which is ignored.
        {L"<!-- a > b --><X>1</X>", true, L"#document\n  -\n  X \"1\"\n"},
        // Line breaks are dropped, each piece is trimmed, pieces are joined with nothing between.
        {L"<T>a\r\nb</T>", true, L"#document\n  T \"ab\"\n"},
        {L"<T>\n  one two \n<C/>\t three\n</T>", true, L"#document\n  T \"one twothree\"\n    C\n"},
        // Any end tag closes the open element.
        {L"<A><B>x</Other> y </A>", true, L"#document\n  A \"y\"\n    B \"x\"\n"},
        {L"<E a=\"x y\" b=2/>", true, L"#document\n  E a=[x y] b=[2]\n"},
        {L"<E a=1 a=2></E>", true, L"#document\n  E a=[1]\n"},
        {L"<E\ta=1\tb=\"q\"c=3></E>", true, L"#document\n  E a=[1] b=[q] c=[3]\n"},
        {L"<E a=\"open to the end></E>", true, L"#document\n  E a=[open to the end]\n"},
        {L"<E a=x\"y b= c=\" z \"></E>", true, L"#document\n  E a=[xy] b=[] c=[z]\n"},
        // "=" must not be the first character of what remains: it belongs to the name then.
        {L"<E =x k=v></E>", true, L"#document\n  E =x k=[v]\n"},
        {L"<E  k = v></E>", true, L"#document\n  E k=[]\n"},
        {L"<Br/><Br /><Hr attr/>", true, L"#document\n  Br\n  Br\n  Hr\n"},
        // Text around top-level elements is ignored.
        {L"junk<A/>more<B/>tail", true, L"#document\n  A\n  B\n"},
        // The end of the stream, a tag without ">" and "<>" all end the document.
        {L"<A>x</A><B", true, L"#document\n  A \"x\"\n"},
        {L"<A/><><B/>", true, L"#document\n  A\n"},
        {L"", true, L"#document\n"},
        {L"no tags at all", true, L"#document\n"},
        // Inside an element "<>" opens an unnamed element.
        {L"<A><>t</></A>", true, L"#document\n  A\n    - \"t\"\n"},
        {L"<A><?pi?><!x>t</A>", true, L"#document\n  A \"t\"\n    -\n    -\n"},
        {L"<K>\xD55C\xAE00 \U0001F600</K>", true, L"#document\n  K \"\xD55C\xAE00 \U0001F600\"\n"},
        // An element left open fails the parse; what was read stays.
        {L"<A><B>x</B>", false, L"#document\n  A\n    B \"x\"\n"},
        {L"<A><B>x</B", false, L"#document\n  A\n    B \"x\"\n"},
        {L"<A>text", false, L"#document\n  A\n"},
    };
    TempDir dir;
    for (const Golden& c : cases) {
        SCOPED_TRACE(TextWideToUtf8(c.input));
        QeMarkupDocument document;
        EXPECT_EQ(c.parses, ParseText(document, c.input));
        EXPECT_EQ(std::wstring(c.tree), Dump(document));
        // A file read whole parses as its text from a stream does; an empty one is no document.
        if (*c.input == L'\0') continue;
        dir.WriteBytes("golden.dat", "\xFF\xFE" + TextWideToUtf16Le(c.input));
        QeMarkupDocument loaded;
        EXPECT_EQ(c.parses, loaded.Load(dir.Path(L"golden.dat")));
        EXPECT_EQ(std::wstring(c.tree), Dump(loaded));
    }
}

TEST(MarkupParseTest, CodeUnitsAreReadAsUtf16) {
    QeMarkupDocument document;
    // A lone high surrogate right before "<" does not swallow the tag; a lone low one reads as U+FFFD;
    // an odd last byte is no code unit.
    const std::string bytes = Bytes("<\0A\0>\0x\0\x3D\xD8<\0/\0A\0>\0") + Bytes("<\0B\0>\0\x00\xDC<\0/\0>\0!");
    EXPECT_TRUE(ParseBytes(document, bytes));
    EXPECT_EQ(L"#document\n  A \"x\xFFFD\"\n  B \"\xFFFD\"\n", Dump(document));

    QeMarkupDocument surrogates;
    EXPECT_TRUE(ParseBytes(surrogates, Bytes("<\0E\0>\0\x3D\xD8\x00\xDE<\0/\0E\0>\0")));
    EXPECT_EQ(L"#document\n  E \"\U0001F600\"\n", Dump(surrogates));
}

TEST(MarkupParseTest, NestingIsCappedInsteadOfOverflowingTheStack) {
    auto nested = [](int levels) {
        std::wstring text;
        for (int i = 0; i < levels; ++i) text += L"<a>";
        text += L"deep";
        for (int i = 0; i < levels; ++i) text += L"</a>";
        return text;
    };
    QeMarkupDocument deepest;
    EXPECT_TRUE(ParseText(deepest, nested(QeMarkupDocument::kMaxDepth)));
    const QeMarkupElement* element = &deepest;
    int depth = 0;
    while (!element->Children().empty()) {
        element = element->Children()[0].get();
        ++depth;
    }
    EXPECT_EQ(QeMarkupDocument::kMaxDepth, depth);
    EXPECT_EQ(L"deep", element->Text());

    QeMarkupDocument tooDeep;
    EXPECT_FALSE(ParseText(tooDeep, nested(QeMarkupDocument::kMaxDepth + 1)));
    EXPECT_EQ(Depth(tooDeep), QeMarkupDocument::kMaxDepth) << "what a refused parse keeps stays within the cap";
    // Far deeper than any stack would take one frame a level.
    QeMarkupDocument hostile;
    EXPECT_FALSE(ParseText(hostile, std::wstring(200000, L'<').replace(0, 0, L"<a>") + L">"));
    std::wstring unnamed;
    for (int i = 0; i < 100000; ++i) unnamed += L"<>";
    QeMarkupDocument inside;
    EXPECT_FALSE(ParseText(inside, L"<a>" + unnamed));
    // Empty elements and declarations at the deepest level are fine; one more level is not.
    QeMarkupDocument leaves;
    std::wstring text = nested(QeMarkupDocument::kMaxDepth - 1);
    text.insert(text.find(L"deep"), L"<leaf/><!-- c -->");
    EXPECT_TRUE(ParseText(leaves, text));
}

// The markup fuzzer's seeds and the inputs it once failed on, each as the fuzzer reads it.
TEST(MarkupParseTest, TheFuzzerCorpusStaysWithinTheNestingCap) {
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(SourcePath("fuzz/corpus/markup"))) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        QeMarkupDocument document;
        ParseBytes(document, bytes);
        EXPECT_LE(Depth(document), QeMarkupDocument::kMaxDepth) << entry.path().filename();
        ++files;
    }
    EXPECT_GT(files, 0u);
}

TEST(MarkupElementTest, LookUpsAndEdits) {
    QeMarkupDocument document;
    ASSERT_TRUE(ParseText(document, L"<Tevrik><Login><_Rect>1, 2, 3, 4</_Rect><Id><_Rect>5</_Rect></Id></Login>"
                                    L"<Login><Other/></Login></Tevrik>"));
    EXPECT_EQ(L"1, 2, 3, 4", document.FindChild2(L"Tevrik", L"Login")->FindChild(L"_Rect")->Text());
    EXPECT_EQ(L"5", document.FindChild4(L"Tevrik", L"Login", L"Id", L"_Rect")->Text());
    EXPECT_NE(nullptr, document.FindChild3(L"Tevrik", L"Login", L"Id"));
    // The first of two equal names; names are case-sensitive; a missing step gives null.
    EXPECT_EQ(nullptr, document.FindChild3(L"Tevrik", L"Login", L"Other"));
    EXPECT_EQ(nullptr, document.FindChild(L"tevrik"));
    EXPECT_EQ(nullptr, document.FindChild4(L"Tevrik", L"Nope", L"Id", L"_Rect"));
    EXPECT_EQ(nullptr, document.FindChild(L""));

    QeMarkupElement element;
    element.AddAttribute(L"a", L"1");
    element.AddAttribute(L"a", L"2");
    element.AddAttribute(L"A", L"3");
    EXPECT_EQ(2u, element.Attributes().size());
    EXPECT_EQ(L"1", element.Attributes().at(L"a"));
    element.SetName(L"N");
    element.SetText(L"t");
    element.AddChild()->AddChild();
    element.Clear();
    EXPECT_TRUE(element.Attributes().empty());
    EXPECT_TRUE(element.Children().empty());
    EXPECT_EQ(L"N", element.Name());
    EXPECT_EQ(L"t", element.Text());
}

const std::wstring kSkin = L"<?xml version=\"1.0\"?>\r\n<!-- \xC2A4\xD0A8 -->\r\n<Tevrik>\r\n"
                           L"  <Login title=\"\xB85C\xADF8\xC778\">\r\n    <_Rect>0, 0, 240, 320</_Rect>\r\n"
                           L"    <_BackColor>#ff8000</_BackColor>\r\n    <Label>\xC544\xC774\xB514\r\n"
                           L"\xC785\xB825</Label>\r\n  </Login>\r\n</Tevrik>\r\n";
const std::wstring kSkinTree = L"#document\n  -\n  -\n  Tevrik\n    Login title=[\xB85C\xADF8\xC778]\n"
                               L"      _Rect \"0, 0, 240, 320\"\n      _BackColor \"#ff8000\"\n"
                               L"      Label \"\xC544\xC774\xB514\xC785\xB825\"\n";

class MarkupLoadTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.Valid()); }
    TempDir m_dir;
};

TEST_F(MarkupLoadTest, TheThreeEncodingsGiveTheSameTree) {
    const std::string utf8 = "\xEF\xBB\xBF" + TextWideToUtf8(kSkin);
    const std::string utf16 = "\xFF\xFE" + TextWideToUtf16Le(kSkin);
    const std::string ansi = TextWideToAnsi(kSkin);
    ASSERT_EQ(kSkin, TextAnsiToWide(ansi));  // the text is within the code page
    m_dir.WriteBytes("utf8.dat", utf8);
    m_dir.WriteBytes("utf16.dat", utf16);
    m_dir.WriteBytes("ansi.dat", ansi);
    for (const wchar_t* name : {L"utf8.dat", L"utf16.dat", L"ansi.dat"}) {
        SCOPED_TRACE(TextWideToUtf8(name));
        QeMarkupDocument document;
        EXPECT_TRUE(document.Load(m_dir.Path(name)));
        EXPECT_EQ(kSkinTree, Dump(document));
        const QeMarkupElement* login = document.FindChild2(L"Tevrik", L"Login");
        ASSERT_NE(nullptr, login);
        const RECT rect = ParseRect(login->FindChild(L"_Rect"));
        EXPECT_EQ(0, rect.left);
        EXPECT_EQ(0, rect.top);
        EXPECT_EQ(240, rect.right);
        EXPECT_EQ(320, rect.bottom);
        EXPECT_EQ(0x0080FFu, ParseColor(login->FindChild(L"_BackColor")));
    }
}

TEST_F(MarkupLoadTest, RelativeNamesResolveAgainstTheProgramFolder) {
    m_dir.WriteBytes("Skin.dat", TextWideToUtf8(L"<Tevrik><A>1</A></Tevrik>"));
    ASSERT_TRUE(QePathTableStart());
    QePathTable::Instance()->SetRoot(2, m_dir.Path(L""));
    QeMarkupDocument document;
    EXPECT_TRUE(document.Load(L"Skin.dat"));
    EXPECT_EQ(L"#document\n  Tevrik\n    A \"1\"\n", Dump(document));
    QePathTableStop();
}

TEST_F(MarkupLoadTest, MissingEmptyAndUnclosedFilesFail) {
    QeMarkupDocument missing;
    EXPECT_FALSE(missing.Load(m_dir.Path(L"none.dat")));
    m_dir.WriteBytes("empty.dat", "");
    QeMarkupDocument empty;
    EXPECT_FALSE(empty.Load(m_dir.Path(L"empty.dat")));
    m_dir.WriteBytes("bom.dat", "\xEF\xBB\xBF");
    QeMarkupDocument bomOnly;
    EXPECT_FALSE(bomOnly.Load(m_dir.Path(L"bom.dat")));

    m_dir.WriteBytes("open.dat", "<Tevrik><A>1</A>\r\n<B>2</B>\r\n");
    QeMarkupDocument open;
    EXPECT_FALSE(open.Load(m_dir.Path(L"open.dat")));
    EXPECT_EQ(L"#document\n  Tevrik\n    A \"1\"\n    B \"2\"\n", Dump(open));

    // Text without any element is no failure: the document is merely empty.
    m_dir.WriteBytes("plain.dat", "just words");
    QeMarkupDocument plain;
    EXPECT_TRUE(plain.Load(m_dir.Path(L"plain.dat")));
    EXPECT_TRUE(plain.Children().empty());
}

TEST(SkinValueTest, Colors) {
    EXPECT_EQ(0x0000FFu, ParseColor(L"#ff0000"));
    EXPECT_EQ(0x00FF00u, ParseColor(L"#00ff00"));
    EXPECT_EQ(0xFF0000u, ParseColor(L"#0000FF"));
    EXPECT_EQ(0x563412u, ParseColor(L"#123456"));
    EXPECT_EQ(0x000012u, ParseColor(L"#12"));
    EXPECT_EQ(0x000001u, ParseColor(L"#1g2233"));     // "1", then "g" is no digit
    EXPECT_EQ(0x030201u, ParseColor(L"# 1 2 3"));     // white space before each number
    EXPECT_EQ(0x0000FFu, ParseColor(L"#-1"));         // a sign counts toward the two characters
    EXPECT_EQ(0u, ParseColor(L"ff0000"));
    EXPECT_EQ(0u, ParseColor(L" #ff0000"));
    EXPECT_EQ(0u, ParseColor(L""));
    EXPECT_EQ(0u, ParseColor(static_cast<const QeMarkupElement*>(nullptr)));
}

TEST(SkinValueTest, SizesAndRects) {
    auto size = [](const wchar_t* text) {
        const SIZE s = ParseSize(text);
        return std::make_pair(s.cx, s.cy);
    };
    EXPECT_EQ(std::make_pair(1, 2), size(L"1,2"));
    EXPECT_EQ(std::make_pair(1, 2), size(L"1, 2"));
    EXPECT_EQ(std::make_pair(1, 2), size(L"  1,\r\n\t 2 trailing"));
    EXPECT_EQ(std::make_pair(-3, 4), size(L"-3, +4"));
    EXPECT_EQ(std::make_pair(1, 0), size(L"1 , 2"));  // the comma must follow the number
    EXPECT_EQ(std::make_pair(7, 0), size(L"7,x"));
    EXPECT_EQ(std::make_pair(0, 0), size(L"x, 2"));
    EXPECT_EQ(std::make_pair(0, 0), size(L""));
    EXPECT_EQ(std::make_pair(INT32_MAX, INT32_MIN), size(L"99999999999, -99999999999"));

    auto rect = [](const wchar_t* text) {
        const RECT r = ParseRect(text);
        return std::vector<LONG>{r.left, r.top, r.right, r.bottom};
    };
    EXPECT_EQ(std::vector<LONG>({0, 0, 240, 320}), rect(L"0, 0, 240, 320"));
    EXPECT_EQ(std::vector<LONG>({10, 20, 40, 60}), rect(L"10,20,30,40"));
    EXPECT_EQ(std::vector<LONG>({1, 2, 1, 2}), rect(L"1, 2"));
    EXPECT_EQ(std::vector<LONG>({1, 2, 4, 2}), rect(L"1, 2, 3; 4"));
    EXPECT_EQ(std::vector<LONG>({-5, -5, 5, 5}), rect(L"-5, -5, 10, 10"));
    EXPECT_EQ(std::vector<LONG>({INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN}),
              rect(L"2147483647, -2147483648, 10, -10"));
    EXPECT_EQ(std::vector<LONG>({0, 0, 0, 0}), rect(L"garbage"));
}

TEST(SkinValueTest, NumbersAndTruth) {
    EXPECT_EQ(42, ParseInt(L"42"));
    EXPECT_EQ(-7, ParseInt(L" -7"));
    EXPECT_EQ(12, ParseInt(L"12px"));
    EXPECT_EQ(0, ParseInt(L"px12"));
    EXPECT_EQ(0, ParseInt(L""));
    EXPECT_EQ(INT32_MAX, ParseInt(L"99999999999"));
    EXPECT_EQ(0, ParseInt(static_cast<const QeMarkupElement*>(nullptr)));

    EXPECT_TRUE(ParseBool(L"True"));
    for (const wchar_t* text : {L"TRUE", L"true", L" True", L"True ", L"1", L""}) {
        EXPECT_FALSE(ParseBool(text)) << TextWideToUtf8(text);
    }
    EXPECT_FALSE(ParseBool(static_cast<const QeMarkupElement*>(nullptr)));

    QeMarkupDocument document;
    ASSERT_TRUE(ParseText(document, L"<V><Flag>True</Flag><Count> 3 </Count><Size>4, 5</Size></V>"));
    EXPECT_TRUE(ParseBool(document.FindChild2(L"V", L"Flag")));
    EXPECT_EQ(3, ParseInt(document.FindChild2(L"V", L"Count")));
    EXPECT_EQ(5, ParseSize(document.FindChild2(L"V", L"Size")).cy);
}

}  // namespace
