#include "framework/base/QeStream.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/system/text.h"
#include "tests/framework/temp_dir.h"

namespace {

class StreamFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.Valid()); }
    TempDir m_dir;
};

// --- memory streams

TEST(MemoryReader, ReadsViewsAndReportsShortReads) {
    const char data[] = "0123456789";
    QeMemoryReader reader(data, 10);
    char out[16] = {};
    EXPECT_TRUE(reader.Read(out, 6));
    EXPECT_EQ(reader.LastCount(), 6u);
    EXPECT_EQ(std::string(out, 6), "012345");
    EXPECT_EQ(reader.Tell(), 6u);
    EXPECT_EQ(reader.Data(), reinterpret_cast<const uint8_t*>(data));  // a view, not a copy

    std::memset(out, 0, sizeof(out));
    EXPECT_FALSE(reader.Read(out, 10));  // 4 left
    EXPECT_EQ(reader.LastCount(), 4u);
    EXPECT_EQ(std::string(out), "6789");
    EXPECT_FALSE(reader.Read(out, 1));
    EXPECT_EQ(reader.LastCount(), 0u);
    EXPECT_TRUE(reader.Read(out, 0));
}

TEST(MemoryReader, SeekStaysInsideTheBuffer) {
    const char data[] = "abcdef";
    QeMemoryReader reader(data, 6);
    char c = 0;
    EXPECT_TRUE(reader.Seek(0, 2));
    EXPECT_EQ(reader.Tell(), 6u);
    EXPECT_FALSE(reader.Read(&c, 1));

    EXPECT_TRUE(reader.Seek(2, 0));
    EXPECT_FALSE(reader.Seek(1, 2));
    EXPECT_EQ(reader.Tell(), 2u);
    EXPECT_FALSE(reader.Seek(-3, 1));
    EXPECT_EQ(reader.Tell(), 2u);
    EXPECT_TRUE(reader.Seek(-2, 2));
    EXPECT_TRUE(reader.Read(&c, 1));
    EXPECT_EQ(c, 'e');
    EXPECT_FALSE(reader.Seek(INT32_MIN, 1));
    EXPECT_FALSE(reader.Seek(INT32_MAX, 2));
    EXPECT_EQ(reader.Tell(), 5u);
    EXPECT_TRUE(reader.Seek(3, 7));  // an unknown origin goes back to the start
    EXPECT_EQ(reader.Tell(), 0u);
}

TEST(MemoryReader, PeekLeavesThePositionAndRetargeting) {
    const char data[] = "\x89PNG\r\n";
    QeMemoryReader reader;
    char out[4] = {};
    EXPECT_FALSE(reader.Read(out, 1));
    EXPECT_TRUE(reader.Seek(0, 2));

    reader.SetBuffer(data, 6);
    EXPECT_TRUE(reader.Peek(out, 4));
    EXPECT_EQ(std::string(out, 4), "\x89PNG");
    EXPECT_EQ(reader.Tell(), 0u);
    EXPECT_TRUE(reader.Seek(4, 0));
    EXPECT_FALSE(reader.Peek(out, 4));
    EXPECT_EQ(reader.LastCount(), 2u);
    EXPECT_EQ(reader.Tell(), 4u);
}

TEST(MemoryWriter, AppendsOwnsAndCopies) {
    QeMemoryWriter writer;
    EXPECT_EQ(writer.Data(), nullptr);
    EXPECT_TRUE(writer.Write("abc", 3));
    EXPECT_EQ(writer.LastCount(), 3u);
    EXPECT_TRUE(writer.Write("de", 2));
    EXPECT_TRUE(writer.Write(nullptr, 0));
    EXPECT_EQ(writer.Tell(), 5u);
    EXPECT_FALSE(writer.Seek(0, 0));
    EXPECT_EQ(writer.Tell(), 5u);
    ASSERT_NE(writer.Data(), nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(writer.Data()), writer.Size()), "abcde");

    QeMemoryWriter copy = writer;
    writer.Clear();
    EXPECT_EQ(writer.Size(), 0u);
    EXPECT_EQ(writer.Data(), nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(copy.Data()), copy.Size()), "abcde");
}

TEST(MemoryWriter, AStreamOfEitherKindThroughItsBase) {
    QeMemoryWriter writer;
    QeOutputStream& out = writer;
    EXPECT_TRUE(out.Write("xyz", 3));
    QeMemoryReader reader(writer.Data(), writer.Size());
    QeStream& in = reader;
    char buffer[3];
    EXPECT_TRUE(in.Read(buffer, 3));
    EXPECT_EQ(std::string(buffer, 3), "xyz");
}

// --- file streams

TEST_F(StreamFiles, WriterCreatesTruncatesAndAppends) {
    const std::wstring path = m_dir.Path(L"\ud30c\uc77c.bin");
    QeFileWriter writer;
    ASSERT_TRUE(writer.Open(path, 0));
    EXPECT_TRUE(writer.Write("hello", 5));
    EXPECT_EQ(writer.Tell(), 5u);
    writer.Close();
    EXPECT_FALSE(writer.IsOpen());

    ASSERT_TRUE(writer.Open(path, 1));
    EXPECT_TRUE(writer.Write(" world", 6));
    writer.Close();
    EXPECT_EQ(m_dir.ReadBytes("\xed\x8c\x8c\xec\x9d\xbc.bin"), "hello world");

    ASSERT_TRUE(writer.Open(path, 0));
    writer.Close();
    EXPECT_EQ(m_dir.ReadBytes("\xed\x8c\x8c\xec\x9d\xbc.bin"), "");

    EXPECT_FALSE(writer.Open(path, 2));
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_FALSE(writer.Open(m_dir.Path(L"missing\\x.bin"), 0));
}

TEST_F(StreamFiles, ReaderPeeksSeeksAndReadsShort) {
    m_dir.WriteBytes("data.bin", "GIF89a-rest");
    QeFileReader reader;
    ASSERT_TRUE(reader.Open(m_dir.Path(L"data.bin")));
    char out[16] = {};
    EXPECT_TRUE(reader.Seek(1, 0));
    EXPECT_TRUE(reader.Peek(out, 4));
    EXPECT_EQ(std::string(out, 4), "IF89");
    EXPECT_EQ(reader.Tell(), 1u);

    EXPECT_TRUE(reader.Seek(-4, 2));
    EXPECT_FALSE(reader.Read(out, 10));
    EXPECT_EQ(reader.LastCount(), 4u);
    EXPECT_EQ(std::string(out, 4), "rest");
    EXPECT_TRUE(reader.Seek(0, 9));  // an unknown origin moves nothing
    EXPECT_EQ(reader.Tell(), 11u);
    EXPECT_FALSE(reader.Seek(-20, 1));
}

TEST_F(StreamFiles, ClosedStreamsFailWithoutCrashing) {
    m_dir.WriteBytes("a.bin", "abcd");
    QeFileReader reader;
    ASSERT_TRUE(reader.Open(m_dir.Path(L"a.bin")));
    char out[4];
    EXPECT_TRUE(reader.Read(out, 2));
    EXPECT_EQ(reader.LastCount(), 2u);
    reader.Close();
    EXPECT_FALSE(reader.Read(out, 2));
    EXPECT_EQ(reader.LastCount(), 0u);
    EXPECT_FALSE(reader.Peek(out, 2));
    EXPECT_FALSE(reader.Seek(0, 0));
    EXPECT_EQ(reader.Tell(), 0u);

    EXPECT_FALSE(reader.Open(m_dir.Path(L"none.bin")));
    EXPECT_FALSE(reader.Read(out, 1));

    QeFileWriter writer;
    EXPECT_FALSE(writer.Write("x", 1));
    EXPECT_EQ(writer.LastCount(), 0u);
    EXPECT_FALSE(writer.Seek(0, 2));
    EXPECT_EQ(writer.Tell(), 0u);
}

// --- whole files

TEST_F(StreamFiles, ShortAndMissingFilesReadAsEmpty) {
    m_dir.WriteBytes("two.txt", "ab");
    m_dir.WriteBytes("bom.txt", "\xef\xbb\xbf");
    m_dir.WriteBytes("empty.txt", "");
    EXPECT_EQ(ReadTextFile(m_dir.Path(L"two.txt")), L"");
    EXPECT_EQ(ReadTextFile(m_dir.Path(L"bom.txt")), L"");
    EXPECT_EQ(ReadTextFile(m_dir.Path(L"empty.txt")), L"");
    EXPECT_EQ(ReadTextFile(m_dir.Path(L"missing.txt")), L"");
    EXPECT_EQ(ReadNarrowTextFile(m_dir.Path(L"missing.txt")), "");
    EXPECT_EQ(ReadNarrowTextFile(m_dir.Path(L"two.txt")), "ab");
    EXPECT_EQ(QeFileSize(m_dir.Path(L"missing.txt")), 0u);
    EXPECT_EQ(QeFileSize(m_dir.Path(L"two.txt")), 2u);
}

TEST_F(StreamFiles, Utf8WithMarkAndAnsiGiveTheSameText) {
    const std::wstring text = L"<Tevrik>\r\n  <Title>\uba54\uc2e0\uc800 \uac00\ub098</Title>\r\n</Tevrik>";
    m_dir.WriteBytes("utf8.txt", "\xef\xbb\xbf" + TextWideToUtf8(text));
    m_dir.WriteBytes("ansi.txt", TextWideToAnsi(text));
    EXPECT_EQ(ReadTextFile(m_dir.Path(L"utf8.txt")), text);
    EXPECT_EQ(ReadTextFile(m_dir.Path(L"ansi.txt")), text);
    // A bad byte costs one character.
    m_dir.WriteBytes("bad.txt", "\xef\xbb\xbf" "a\xff" "b");
    EXPECT_EQ(ReadTextFile(m_dir.Path(L"bad.txt")), L"a\uFFFDb");
}

TEST_F(StreamFiles, LargeUtf8AcrossChunksKeepsCharactersWhole) {
    // A three-byte character straddles the first 8191-byte chunk.
    std::string body(8190, 'a');
    body += "\xea\xb0\x80" "tail";
    m_dir.WriteBytes("big.txt", "\xef\xbb\xbf" + body);
    EXPECT_EQ(ReadTextFile(m_dir.Path(L"big.txt")), std::wstring(8190, L'a') + L"\uac00tail");
}

TEST_F(StreamFiles, NulDropsTheRestOfItsChunkOnly) {
    std::string bytes(8191, 'x');
    bytes[10] = '\0';
    bytes += "second";
    m_dir.WriteBytes("nul.txt", bytes);
    EXPECT_EQ(ReadNarrowTextFile(m_dir.Path(L"nul.txt")), std::string(10, 'x') + "second");
    EXPECT_EQ(ReadTextFile(m_dir.Path(L"nul.txt")), std::wstring(10, L'x') + L"second");
}

TEST_F(StreamFiles, Utf16WithAPairAcrossTheChunkBoundaryReadsBackUnchanged) {
    // After the two-byte mark each chunk holds 8191 code units; the pair takes units 8190 and 8191.
    std::wstring text;
    for (int i = 0; i < 8190; ++i) text += static_cast<wchar_t>(i % 2 ? L'\uac00' + i % 100 : L'a' + i % 26);
    text += L'\U0001F600';
    for (int i = 0; i < 9000; ++i) text += static_cast<wchar_t>(L'\ub098' + i % 50);
    text += L"\U00020000end";
    const std::string bytes = "\xff\xfe" + TextWideToUtf16Le(text);
    ASSERT_EQ(static_cast<unsigned char>(bytes[2 + 16380]), 0x3d);  // high surrogate ends chunk one
    ASSERT_EQ(static_cast<unsigned char>(bytes[2 + 16383]), 0xde);  // low surrogate opens chunk two
    m_dir.WriteBytes("utf16.txt", bytes);
    const std::wstring read = ReadTextFile(m_dir.Path(L"utf16.txt"));
    EXPECT_EQ(read.size(), text.size());
    EXPECT_TRUE(read == text);
}

TEST_F(StreamFiles, Utf16DamageBecomesReplacementCharacters) {
    // A lone low surrogate, and a file that ends inside a code unit.
    m_dir.WriteBytes("odd.txt", std::string("\xff\xfe" "a\0\x00\xdc" "b\0c", 9));
    EXPECT_EQ(ReadTextFile(m_dir.Path(L"odd.txt")), L"a\uFFFDb\uFFFD");
    // A high surrogate that ends the file.
    m_dir.WriteBytes("cut.txt", std::string("\xff\xfe" "a\0\x3d\xd8", 6));
    EXPECT_EQ(ReadTextFile(m_dir.Path(L"cut.txt")), L"a\uFFFD");
    // Big-endian text has no mark of its own here and reads as 8-bit text.
    m_dir.WriteBytes("be.txt", std::string("\xfe\xff\0a", 4));
    EXPECT_EQ(ReadTextFile(m_dir.Path(L"be.txt")), L"\uFFFD\uFFFD");
}

}  // namespace
