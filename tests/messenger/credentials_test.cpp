// The credential digest, the PC id and the kept digest with its cipher.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/base/QeRegistry.h"
#include "framework/base/QeStrings.h"
#include "messenger/model/Credentials.h"
#include "platform/net/adapters.h"
#include "tests/support/TraceLog.h"
#include "tests/support/temp_folder.h"
#include "tools/service/Directory.h"

namespace {

const wchar_t kKey[] = L"Software\\Quandell\\ZevivoZadoruvuv";
const std::wstring kDigest = L"46868402329ead93f08c779481a35b08";

std::wstring Hash(const std::wstring& login, const std::wstring& password) {
    std::wstring digest;
    HashCredentials(digest, login, password);
    return digest;
}

std::vector<uint8_t> StoredPassword() {
    QeRegistryKey key;
    std::vector<uint8_t> bytes(1024);
    uint32_t size = static_cast<uint32_t>(bytes.size());
    if (!key.Open(kKey, HKEY_CURRENT_USER) || !key.QueryBinary(L"LoginUserPassword", bytes.data(), size)) return {};
    bytes.resize(size);
    return bytes;
}

void StorePassword(const std::vector<uint8_t>& bytes) {
    QeRegistryKey key;
    ASSERT_TRUE(key.Create(kKey, HKEY_CURRENT_USER));
    ASSERT_TRUE(key.SetBinary(L"LoginUserPassword", bytes.data(), static_cast<uint32_t>(bytes.size())));
}

std::wstring Loaded() {
    std::wstring text = L"not touched";
    LoadSavedPassword(text);
    return text;
}

std::string DeviceKey() {
    std::wstring mac;
    GetMacAddress(mac);
    return SavedPasswordKey(mac);
}

std::vector<uint8_t> Encrypt(const std::string& plain, const std::string& key) {
    std::vector<uint8_t> out(plain.size() + kCipherBlockSize);
    const int n = EncryptBytes(out.data(), static_cast<int>(out.size()), reinterpret_cast<const uint8_t*>(plain.data()),
                               static_cast<int>(plain.size()), reinterpret_cast<const uint8_t*>(key.data()));
    EXPECT_GE(n, 0);
    out.resize(n < 0 ? 0 : static_cast<size_t>(n));
    return out;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

class CredentialsTest : public ::testing::Test {
protected:
    testsupport::ScopedConfigHome home;
};

}  // namespace

TEST(HashCredentials, PortalDomainIsCutWithoutRegardToCaseOtherDomainsStay) {
    EXPECT_EQ(Hash(L"a@tevrik.example", L"pa"), kDigest);  // MD5 of "paa"
    EXPECT_EQ(Hash(L"a@TEVRIK.Example", L"pa"), kDigest);
    EXPECT_EQ(Hash(L"A@tevrik.example", L"pa"), L"76db30f163f81c70c67886773136c49e");  // the id keeps its case
    EXPECT_EQ(Hash(L"a@other.example", L"pa"), L"7375176d99cc2c7c2a5eba0af339c556");    // "paa@other.example"
    // Only "@" and the whole domain count: a domain that merely ends like it is another domain.
    EXPECT_EQ(Hash(L"a@xtevrik.example", L"pa"), Hash(L"", L"paa@xtevrik.example"));
    // The text is digested as UTF-8.
    EXPECT_EQ(Hash(L"a@tevrik.example", L"비번"), L"d8d2d1ec7e34cee5a089655ca05ef918");
}

TEST(HashCredentials, AgreesWithTheLocalService) {
    for (const char* login : {"a@tevrik.example", "B@Tevrik.Example", "c@other.example", "plain"}) {
        for (const char* password : {"pa", "", "비밀 번호"}) {
            EXPECT_EQ(QeStrings::WideToUtf8(Hash(QeStrings::Utf8ToWide(login), QeStrings::Utf8ToWide(password))),
                      tevrik_service::CredentialDigest(login, password))
                << login << " / " << password;
        }
    }
}

TEST_F(CredentialsTest, PcidIsMadeOnceAndKept) {
    std::wstring first;
    GetPcid(first);
    ASSERT_EQ(first.size(), 32u);
    EXPECT_EQ(first.find_first_not_of(L"0123456789abcdef"), std::wstring::npos) << first;
    EXPECT_EQ(QeRegistry::ReadString(kKey, L"LoginPcid", L""), first);
    std::wstring second;
    GetPcid(second);
    EXPECT_EQ(second, first);
}

TEST_F(CredentialsTest, PcidOfAnotherLengthIsReplacedAndWrittenBack) {
    for (size_t length : {31u, 33u, 0u}) {
        const std::wstring old(length, L'a');
        ASSERT_TRUE(QeRegistry::WriteString(kKey, L"LoginPcid", old));
        std::wstring pcid;
        GetPcid(pcid);
        EXPECT_EQ(pcid.size(), 32u) << length;
        if (length > 0) {
            EXPECT_NE(pcid.substr(0, length), old) << length;
        }
        EXPECT_EQ(QeRegistry::ReadString(kKey, L"LoginPcid", L""), pcid) << length;
    }
    const std::wstring kept(32, L'b');
    ASSERT_TRUE(QeRegistry::WriteString(kKey, L"LoginPcid", kept));
    std::wstring pcid;
    GetPcid(pcid);
    EXPECT_EQ(pcid, kept);
}

TEST(GetMacAddress, IsTheFirstAdaptersSixBytesInCapitals) {
    std::wstring mac;
    GetMacAddress(mac);
    ULONG size = 0;
    if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW) {
        EXPECT_EQ(mac, L"");
        return;
    }
    std::vector<IP_ADAPTER_INFO> adapters(size / sizeof(IP_ADAPTER_INFO));
    ASSERT_EQ(GetAdaptersInfo(adapters.data(), &size), static_cast<DWORD>(ERROR_SUCCESS));
    std::wstring expected;
    for (int i = 0; i < 6; ++i) {
        wchar_t two[3];
        swprintf(two, 3, L"%02X", adapters[0].Address[i]);
        expected += two;
    }
    EXPECT_EQ(mac, expected);
    EXPECT_EQ(mac.size(), 12u);
}

TEST(SavedPasswordKey, AddressIsLengthenedWithTheFiller) {
    const std::string filler = kKeyFiller;
    ASSERT_EQ(filler.size(), 8u);
    EXPECT_EQ(SavedPasswordKey(L"0A1B2C3D4E5F"), "0A1B2C3D4E5F" + filler + filler);  // 28
    // Without an adapter the key is the filler alone.
    EXPECT_EQ(SavedPasswordKey(L""), filler + filler + filler);  // 24
    EXPECT_GE(DeviceKey().size(), static_cast<size_t>(kCipherKeySize));
}

TEST(Cipher, TripleDesEcbWithBlockPadding) {
    const std::string key = std::string(kKeyFiller) + kKeyFiller + kKeyFiller;
    const std::string digest = "0123456789abcdef0123456789abcdef";
    const std::vector<uint8_t> encrypted = Encrypt(digest, key);
    // 32 bytes and one whole block of padding; the repeated plain blocks show the ECB mode.
    ASSERT_EQ(encrypted.size(), 40u);
    EXPECT_EQ(Hex(encrypted), "554471f8d5634cc6fff6b7c34e7fcd91554471f8d5634cc6fff6b7c34e7fcd911bb8d9233565f35b");

    std::vector<uint8_t> plain(encrypted.size() + kCipherBlockSize);
    const int n = DecryptBytes(plain.data(), static_cast<int>(plain.size()), encrypted.data(),
                               static_cast<int>(encrypted.size()), reinterpret_cast<const uint8_t*>(key.data()));
    ASSERT_EQ(n, 32);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(plain.data()), 32), digest);
}

TEST(Cipher, FailuresAreTracedAndGiveMinusOne) {
    const std::string key(24, 'k');
    TraceLog trace;
    uint8_t out[64];
    // Not a whole number of blocks: the final step fails.
    const uint8_t odd[13] = {1, 2, 3};
    EXPECT_EQ(DecryptBytes(out, sizeof out, odd, sizeof odd, reinterpret_cast<const uint8_t*>(key.data())), -1);
    EXPECT_EQ(trace.Text().rfind(L"Error: ", 0), 0u) << trace.Text();
    // A buffer that could be overrun is refused before any work.
    const uint8_t block[16] = {};
    EXPECT_EQ(EncryptBytes(out, 16, block, 16, reinterpret_cast<const uint8_t*>(key.data())), -1);
    EXPECT_EQ(DecryptBytes(out, 16, block, 16, reinterpret_cast<const uint8_t*>(key.data())), -1);
    EXPECT_EQ(EncryptBytes(nullptr, 64, block, 16, reinterpret_cast<const uint8_t*>(key.data())), -1);
    EXPECT_EQ(EncryptBytes(out, 64, block, -1, reinterpret_cast<const uint8_t*>(key.data())), -1);
}

TEST_F(CredentialsTest, KeptDigestIsStoredEncryptedAsFortyBytesAndComesBack) {
    EXPECT_EQ(Loaded(), L"") << "nothing kept yet";
    ASSERT_TRUE(SavePassword(kDigest));
    const std::vector<uint8_t> stored = StoredPassword();
    ASSERT_EQ(stored.size(), 40u);
    EXPECT_EQ(stored, Encrypt(QeStrings::WideToUtf8(kDigest), DeviceKey()));
    EXPECT_EQ(Loaded(), kDigest);
}

TEST_F(CredentialsTest, ClearedValueIsOneHundredTwentyEightZerosAndLoadsEmptyWithoutDecrypting) {
    ASSERT_TRUE(SavePassword(kDigest));
    ClearSavedPassword();
    EXPECT_EQ(StoredPassword(), std::vector<uint8_t>(128, 0));
    TraceLog trace;
    EXPECT_EQ(Loaded(), L"");
    // Decrypting zeros would fail the padding check (and trace it) nearly every time.
    EXPECT_EQ(trace.Text(), L"");
    // Zeros of any length are the cleared value too.
    StorePassword(std::vector<uint8_t>(40, 0));
    EXPECT_EQ(Loaded(), L"");
    EXPECT_EQ(trace.Text(), L"");
}

TEST_F(CredentialsTest, ClearingWithoutAKeyCreatesNothing) {
    ClearSavedPassword();
    QeRegistryKey key;
    EXPECT_FALSE(key.Open(kKey, HKEY_CURRENT_USER));
}

TEST_F(CredentialsTest, OnlyADigestIsAcceptedAfterDecrypting) {
    // Each decrypts cleanly with this device's key but is no digest.
    for (const char* text : {"hello", "46868402329EAD93F08C779481A35B08", "46868402329ead93f08c779481a35b0",
                             "46868402329ead93f08c779481a35b080", "46868402329ead93f08c779481a35b0g"}) {
        StorePassword(Encrypt(text, DeviceKey()));
        EXPECT_EQ(Loaded(), L"") << text;
    }
    // Another device's key: the padding check fails, or garbage comes out; either way nothing.
    StorePassword(Encrypt(QeStrings::WideToUtf8(kDigest), "another device's key text"));
    EXPECT_EQ(Loaded(), L"");
    // Not a whole block.
    StorePassword({1, 2, 3});
    EXPECT_EQ(Loaded(), L"");
}

TEST_F(CredentialsTest, ValuesOverTheBufferLoadEmptyAndTooLongTextsAreNotSaved) {
    std::vector<uint8_t> big = Encrypt(std::string(256, 'a'), DeviceKey());
    ASSERT_EQ(big.size(), 264u);
    StorePassword(big);
    EXPECT_EQ(Loaded(), L"");

    ASSERT_TRUE(SavePassword(kDigest));
    // 256 bytes would need 264 once padded: refused, and the kept value stays.
    EXPECT_FALSE(SavePassword(std::wstring(256, L'a')));
    EXPECT_EQ(Loaded(), kDigest);
    // 255 bytes pad to exactly 256.
    EXPECT_TRUE(SavePassword(std::wstring(255, L'a')));
    EXPECT_EQ(StoredPassword().size(), 256u);
}
