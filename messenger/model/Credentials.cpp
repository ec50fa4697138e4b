#include "messenger/model/Credentials.h"

#include <openssl/err.h>
#include <openssl/evp.h>

#include <array>
#include <cstring>
#include <vector>

#include "framework/base/CryptoDigest.h"
#include "framework/base/QeGuid.h"
#include "framework/base/QeRegistry.h"
#include "framework/base/QeStrings.h"
#include "framework/base/QeTrace.h"
#include "messenger/model/SettingsKey.h"
#include "platform/net/adapters.h"

namespace {

const wchar_t kPcidValue[] = L"LoginPcid";
const wchar_t kPasswordValue[] = L"LoginUserPassword";
constexpr size_t kPcidLength = 32;
constexpr size_t kKeyTextMinimum = 21;
constexpr uint32_t kClearedSize = 128;

void TraceCipherError() {
    char text[256];
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    QeTrace(L"Error: %s\n", text);
}

bool IsDigest(const std::string& text) {
    if (text.size() != 32) return false;
    for (char c : text) {
        const bool digit = c >= '0' && c <= '9';
        const bool lower = c >= 'a' && c <= 'f';
        if (!digit && !lower) return false;
    }
    return true;
}

bool AllZero(const uint8_t* bytes, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) {
        if (bytes[i] != 0) return false;
    }
    return true;
}

// One pass of the cipher: init, one update, final. The context is freed on every path.
int RunCipher(bool encrypt, uint8_t* out, int outCapacity, const uint8_t* in, int length, const uint8_t* key) {
    if (out == nullptr || key == nullptr || length < 0 || (in == nullptr && length > 0)) return -1;
    // Either direction may write one block more than it reads.
    if (outCapacity < length + kCipherBlockSize) return -1;
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    if (context == nullptr) {
        TraceCipherError();
        return -1;
    }
    int written = 0;
    int last = 0;
    bool ok = encrypt ? EVP_EncryptInit_ex(context, EVP_des_ede3(), nullptr, key, nullptr) == 1
                      : EVP_DecryptInit_ex(context, EVP_des_ede3(), nullptr, key, nullptr) == 1;
    if (ok) {
        ok = encrypt ? EVP_EncryptUpdate(context, out, &written, in, length) == 1
                     : EVP_DecryptUpdate(context, out, &written, in, length) == 1;
    }
    if (ok) {
        ok = encrypt ? EVP_EncryptFinal_ex(context, out + written, &last) == 1
                     : EVP_DecryptFinal_ex(context, out + written, &last) == 1;
    }
    if (!ok) TraceCipherError();
    EVP_CIPHER_CTX_free(context);
    return ok ? written + last : -1;
}

}  // namespace

void HashCredentials(std::wstring& digest, const std::wstring& login, const std::wstring& password) {
    const std::wstring suffix = std::wstring(L"@") + kPortalDomain;
    const wchar_t* found = QeStrings::FindNoCase(login.c_str(), suffix.c_str());
    const std::wstring loginPart = found != nullptr ? login.substr(0, static_cast<size_t>(found - login.c_str())) : login;
    const std::string input = QeStrings::WideToUtf8(password + loginPart);
    CryptoDigest md5;
    digest.clear();
    if (!md5.Compute(CALG_MD5, input.data(), static_cast<uint32_t>(input.size()))) return;
    md5.ToHex(digest);
}

void GetPcid(std::wstring& out) {
    out = QeRegistry::ReadString(kSettingsKeyPath, kPcidValue, L"");
    if (out.size() == kPcidLength) return;
    out = QeGuid().ToString(1);
    QeRegistry::WriteString(kSettingsKeyPath, kPcidValue, out);
}

void GetMacAddress(std::wstring& out) {
    out.clear();
    ULONG size = 0;
    if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size < sizeof(IP_ADAPTER_INFO)) return;
    std::vector<IP_ADAPTER_INFO> adapters(size / sizeof(IP_ADAPTER_INFO) + 1);
    size = static_cast<ULONG>(adapters.size() * sizeof(IP_ADAPTER_INFO));
    if (GetAdaptersInfo(adapters.data(), &size) != ERROR_SUCCESS) return;
    const IP_ADAPTER_INFO& first = adapters[0];
    if (first.AddressLength < 6) return;
    QeStrings::Format(out, L"%0.2X%0.2X%0.2X%0.2X%0.2X%0.2X", first.Address[0], first.Address[1], first.Address[2],
                      first.Address[3], first.Address[4], first.Address[5]);
}

std::string SavedPasswordKey(const std::wstring& macAddress) {
    std::string key = QeStrings::WideToAnsi(macAddress);
    while (key.size() < kKeyTextMinimum) key += kKeyFiller;
    return key;
}

namespace {

// The key of this device; always at least kCipherKeySize bytes.
std::string DeviceKey() {
    std::wstring mac;
    GetMacAddress(mac);
    return SavedPasswordKey(mac);
}

}  // namespace

bool SavePassword(const std::wstring& text) {
    QeRegistryKey key;
    if (!key.Create(kSettingsKeyPath, HKEY_CURRENT_USER)) return false;
    const std::string cipherKey = DeviceKey();
    const std::string plain = QeStrings::WideToAnsi(text);
    // Padding adds up to one block; what would not fit the buffers it is read back into is refused.
    if (plain.size() + kCipherBlockSize - plain.size() % kCipherBlockSize > kSavedPasswordLimit) return false;
    std::array<uint8_t, kSavedPasswordLimit + kCipherBlockSize> encrypted{};
    const int n = EncryptBytes(encrypted.data(), static_cast<int>(encrypted.size()),
                               reinterpret_cast<const uint8_t*>(plain.data()), static_cast<int>(plain.size()),
                               reinterpret_cast<const uint8_t*>(cipherKey.data()));
    if (n < 0) return false;
    return key.SetBinary(kPasswordValue, encrypted.data(), static_cast<uint32_t>(n));
}

void LoadSavedPassword(std::wstring& out) {
    out.clear();
    QeRegistryKey key;
    if (!key.Create(kSettingsKeyPath, HKEY_CURRENT_USER)) return;
    std::array<uint8_t, kSavedPasswordLimit> stored{};
    uint32_t size = static_cast<uint32_t>(stored.size());
    // A value larger than the buffer fails here, and so does a missing one.
    if (!key.QueryBinary(kPasswordValue, stored.data(), size) || size == 0 || size > stored.size()) return;
    // The cleared value: decrypting it would give garbage that passes the padding check now and then.
    if (AllZero(stored.data(), size)) return;
    const std::string cipherKey = DeviceKey();
    std::array<uint8_t, kSavedPasswordLimit + kCipherBlockSize> plain{};
    const int n = DecryptBytes(plain.data(), static_cast<int>(plain.size()), stored.data(), static_cast<int>(size),
                               reinterpret_cast<const uint8_t*>(cipherKey.data()));
    if (n < 0) return;
    const std::string text(reinterpret_cast<const char*>(plain.data()), static_cast<size_t>(n));
    // Another device's value, or one damaged on the way, may still decrypt: only a digest counts.
    if (!IsDigest(text)) return;
    out = QeStrings::AnsiToWide(text);
}

void ClearSavedPassword() {
    QeRegistryKey key;
    if (!key.Open(kSettingsKeyPath, HKEY_CURRENT_USER)) return;
    const std::array<uint8_t, kClearedSize> zeros{};
    key.SetBinary(kPasswordValue, zeros.data(), static_cast<uint32_t>(zeros.size()));
}

int EncryptBytes(uint8_t* out, int outCapacity, const uint8_t* in, int length, const uint8_t* key) {
    return RunCipher(true, out, outCapacity, in, length, key);
}

int DecryptBytes(uint8_t* out, int outCapacity, const uint8_t* in, int length, const uint8_t* key) {
    return RunCipher(false, out, outCapacity, in, length, key);
}
