#include "framework/base/QeRegistry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace {

const std::wstring kKey = L"Software\\Quandell\\ZevivoZadoruvuv";

class QeRegistryTest : public ::testing::Test {
protected:
    // Drops the store held in memory so the next call reads what the file holds.
    static void Reload() { RegistryDropStore(); }

    testsupport::ScopedConfigHome m_home;
};

TEST_F(QeRegistryTest, ReadsOfMissingValuesGiveTheDefaultAndCreateNothing) {
    EXPECT_EQ(L"fallback", QeRegistry::ReadString(kKey, L"Id", L"fallback"));
    EXPECT_EQ(77u, QeRegistry::ReadDword(kKey, L"Auto", 77));
    QeRegistryKey key;
    EXPECT_FALSE(key.Open(kKey, HKEY_CURRENT_USER));
    EXPECT_FALSE(key.IsOpen());
    EXPECT_FALSE(testsupport::Exists(m_home.Path() + "/tevrik"));

    // The key exists but the value does not.
    ASSERT_TRUE(QeRegistry::WriteDword(kKey, L"Other", 1));
    EXPECT_EQ(L"fallback", QeRegistry::ReadString(kKey, L"Id", L"fallback"));
    EXPECT_EQ(77u, QeRegistry::ReadDword(kKey, L"Auto", 77));
}

TEST_F(QeRegistryTest, StringsAndNumbersSurviveAReload) {
    ASSERT_TRUE(QeRegistry::WriteString(kKey, L"Id", L"user\xD55C\xAE00 \U0001F600"));
    ASSERT_TRUE(QeRegistry::WriteString(kKey, L"Empty", L""));
    ASSERT_TRUE(QeRegistry::WriteDword(kKey, L"Auto", 0xDEADBEEF));
    Reload();
    EXPECT_EQ(L"user\xD55C\xAE00 \U0001F600", QeRegistry::ReadString(kKey, L"id", L"x"));
    // An empty text is a value of its own, not a missing one.
    EXPECT_EQ(L"", QeRegistry::ReadString(kKey, L"Empty", L"x"));
    EXPECT_EQ(0xDEADBEEFu, QeRegistry::ReadDword(kKey, L"AUTO", 0));
}

TEST_F(QeRegistryTest, StringsAreStoredAsUtf16WithoutTheirNul) {
    ASSERT_TRUE(QeRegistry::WriteString(kKey, L"Id", L"ab\U0001F600"));
    QeRegistryKey key;
    ASSERT_TRUE(key.Open(kKey, HKEY_CURRENT_USER));
    uint8_t bytes[16] = {};
    uint32_t length = sizeof bytes;
    ASSERT_TRUE(key.QueryBinary(L"Id", bytes, length));
    EXPECT_EQ(8u, length);
    const uint8_t expected[8] = {'a', 0, 'b', 0, 0x3D, 0xD8, 0x00, 0xDE};
    EXPECT_EQ(0, std::memcmp(expected, bytes, 8));
}

TEST_F(QeRegistryTest, StringsFillingTheWholeBufferReadBackWithoutOverrun) {
    std::wstring full;
    for (int i = 0; i < 4096; ++i) full += static_cast<wchar_t>(L'a' + i % 26);
    ASSERT_TRUE(QeRegistry::WriteString(kKey, L"Full", full));
    EXPECT_EQ(full, QeRegistry::ReadString(kKey, L"Full", L"x"));

    // One character more does not fit: the default.
    ASSERT_TRUE(QeRegistry::WriteString(kKey, L"TooLong", full + L"z"));
    EXPECT_EQ(L"x", QeRegistry::ReadString(kKey, L"TooLong", L"x"));

    // Text ends at the first NUL of the stored bytes, and an odd last byte is no character.
    QeRegistryKey key;
    ASSERT_TRUE(key.Create(kKey, HKEY_CURRENT_USER));
    const uint8_t withNul[] = {'h', 0, 'i', 0, 0, 0, 'x', 0};
    ASSERT_TRUE(key.SetBinary(L"WithNul", withNul, sizeof withNul));
    EXPECT_EQ(L"hi", key.QueryString(L"WithNul", L"d"));
    const uint8_t odd[] = {'h', 0, 'i'};
    ASSERT_TRUE(key.SetBinary(L"Odd", odd, sizeof odd));
    EXPECT_EQ(L"h", key.QueryString(L"Odd", L"d"));
}

TEST_F(QeRegistryTest, DwordsReadWhateverIsStoredWhenItFits) {
    QeRegistryKey key;
    ASSERT_TRUE(key.Create(kKey, HKEY_CURRENT_USER));
    // "ab" is stored as 61 00 62 00: four bytes, read as a number.
    ASSERT_TRUE(key.SetString(L"Two", L"ab"));
    EXPECT_EQ(0x00620061u, key.QueryDword(L"Two", 5));
    ASSERT_TRUE(key.SetString(L"Three", L"abc"));
    EXPECT_EQ(5u, key.QueryDword(L"Three", 5));
    // Bytes a short value lacks are zero.
    const uint8_t one = 0x7F;
    ASSERT_TRUE(key.SetBinary(L"One", &one, 1));
    EXPECT_EQ(0x7Fu, key.QueryDword(L"One", 5));
    const uint8_t three[] = {1, 2, 3};
    ASSERT_TRUE(key.SetBinary(L"ThreeBytes", three, 3));
    EXPECT_EQ(0x030201u, key.QueryDword(L"ThreeBytes", 5));
    ASSERT_TRUE(key.SetBinary(L"None", nullptr, 0));
    EXPECT_EQ(0u, key.QueryDword(L"None", 5));
}

TEST_F(QeRegistryTest, BinaryValuesLargerThanTheBufferReportTheirSize) {
    std::vector<uint8_t> secret(300);
    for (size_t i = 0; i < secret.size(); ++i) secret[i] = static_cast<uint8_t>(i * 7);
    {
        QeRegistryKey key;
        ASSERT_TRUE(key.Create(kKey, HKEY_CURRENT_USER));
        ASSERT_TRUE(key.SetBinary(L"Password", secret.data(), static_cast<uint32_t>(secret.size())));
    }
    Reload();
    QeRegistryKey key;
    ASSERT_TRUE(key.Open(kKey, HKEY_CURRENT_USER));
    std::vector<uint8_t> buffer(128, 0xEE);
    uint32_t length = static_cast<uint32_t>(buffer.size());
    EXPECT_FALSE(key.QueryBinary(L"Password", buffer.data(), length));
    EXPECT_EQ(300u, length);
    EXPECT_EQ(std::vector<uint8_t>(128, 0xEE), buffer);

    buffer.assign(length, 0);
    EXPECT_TRUE(key.QueryBinary(L"Password", buffer.data(), length));
    EXPECT_EQ(secret, buffer);
}

TEST_F(QeRegistryTest, AKeyThatIsNotOpenRefusesEverything) {
    QeRegistryKey key;
    EXPECT_FALSE(key.SetString(L"A", L"b"));
    EXPECT_FALSE(key.SetDword(L"A", 1));
    EXPECT_FALSE(key.SetBinary(L"A", "x", 1));
    EXPECT_EQ(L"d", key.QueryString(L"A", L"d"));
    EXPECT_EQ(3u, key.QueryDword(L"A", 3));
    uint32_t length = 0;
    EXPECT_FALSE(key.QueryBinary(L"A", nullptr, length));

    // Re-opening another key closes the first one; a failed open leaves none.
    ASSERT_TRUE(key.Create(L"Software\\One", HKEY_CURRENT_USER));
    ASSERT_TRUE(key.Create(L"Software\\Two", HKEY_CURRENT_USER));
    ASSERT_TRUE(key.SetDword(L"V", 2));
    EXPECT_EQ(0u, QeRegistry::ReadDword(L"Software\\One", L"V", 0));
    EXPECT_EQ(2u, QeRegistry::ReadDword(L"Software\\Two", L"V", 0));
    EXPECT_FALSE(key.Open(L"Software\\Three", HKEY_CURRENT_USER));
    EXPECT_FALSE(key.IsOpen());
}

}  // namespace
