#include "framework/base/CryptoDigest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::wstring Hex(ALG_ID algorithm, const char* text) {
    CryptoDigest digest;
    if (!digest.Compute(algorithm, text, static_cast<uint32_t>(std::strlen(text)))) return L"(failed)";
    std::wstring out;
    return digest.ToHex(out);
}

TEST(CryptoDigestTest, PublishedVectors) {
    EXPECT_EQ(L"d41d8cd98f00b204e9800998ecf8427e", Hex(CALG_MD5, ""));
    EXPECT_EQ(L"900150983cd24fb0d6963f7d28e17f72", Hex(CALG_MD5, "abc"));
    EXPECT_EQ(L"9e107d9d372bb6826bd81d3542a419d6", Hex(CALG_MD5, "The quick brown fox jumps over the lazy dog"));
    EXPECT_EQ(L"da39a3ee5e6b4b0d3255bfef95601890afd80709", Hex(CALG_SHA1, ""));
    EXPECT_EQ(L"a9993e364706816aba3e25717850c26c9cd0d89d", Hex(CALG_SHA1, "abc"));
    EXPECT_EQ(L"84983e441c3bd26ebaae4aa1f95129e5e54670f1",
              Hex(CALG_SHA1, "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"));

    // Bytes are hashed as they are, NULs included; no bytes may come as a null pointer.
    CryptoDigest digest;
    const char withNul[] = {'a', '\0', 'b'};
    ASSERT_TRUE(digest.Compute(CALG_MD5, withNul, 3));
    EXPECT_EQ(16u, digest.DigestSize());
    ASSERT_TRUE(digest.Compute(CALG_MD5, nullptr, 0));
    std::wstring out;
    EXPECT_EQ(L"d41d8cd98f00b204e9800998ecf8427e", digest.ToHex(out));
    EXPECT_FALSE(digest.Compute(CALG_MD5, nullptr, 5));
    EXPECT_EQ(L"", digest.ToHex(out));
}

TEST(CryptoDigestTest, EachComputeStartsAfresh) {
    CryptoDigest digest;
    std::wstring out = L"stale";
    EXPECT_EQ(CALG_MD5, digest.Algorithm());
    EXPECT_EQ(L"", digest.ToHex(out));
    EXPECT_EQ(0u, digest.DigestSize());

    ASSERT_TRUE(digest.Compute(CALG_SHA1, "abc", 3));
    EXPECT_EQ(40u, digest.ToHex(out).size());
    // A second digest on the same object is that of its own bytes alone.
    ASSERT_TRUE(digest.Compute(CALG_MD5, "", 0));
    EXPECT_EQ(L"d41d8cd98f00b204e9800998ecf8427e", digest.ToHex(out));
    EXPECT_EQ(16u, digest.DigestSize());
    ASSERT_TRUE(digest.Compute(CALG_MD5, "abc", 3));
    EXPECT_EQ(L"900150983cd24fb0d6963f7d28e17f72", digest.ToHex(out));

    // An unknown algorithm leaves no digest behind, not even the earlier one.
    EXPECT_FALSE(digest.Compute(0x8005, "abc", 3));
    EXPECT_EQ(0x8005u, digest.Algorithm());
    EXPECT_EQ(0u, digest.DigestSize());
    EXPECT_EQ(L"", digest.ToHex(out));
    EXPECT_FALSE(digest.Compute(0, "abc", 3));
    EXPECT_EQ(L"", digest.ToHex(out));

    ASSERT_TRUE(digest.Compute(CALG_SHA1, "", 0));
    EXPECT_EQ(L"da39a3ee5e6b4b0d3255bfef95601890afd80709", digest.ToHex(out));
}

TEST(CryptoDigestTest, StartAndStopAlwaysSucceedAndDigestsWorkEitherWay) {
    EXPECT_EQ(L"900150983cd24fb0d6963f7d28e17f72", Hex(CALG_MD5, "abc"));
    EXPECT_TRUE(QeCryptoStart());
    EXPECT_EQ(L"900150983cd24fb0d6963f7d28e17f72", Hex(CALG_MD5, "abc"));
    QeCryptoStop();
    EXPECT_TRUE(AcquireCryptContext());
    EXPECT_TRUE(ReleaseCryptContext());
    EXPECT_EQ(L"a9993e364706816aba3e25717850c26c9cd0d89d", Hex(CALG_SHA1, "abc"));
}

}  // namespace
