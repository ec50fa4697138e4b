// What the client sends and keeps instead of the password: the credential digest, the device's PC
// id, the adapter address that the kept digest's key is made from, and the kept digest itself,
// encrypted, in the registry.
#pragma once

#include <cstdint>
#include <string>

// The portal's own mail domain: a login in it enters the digest without its "@" and domain.
inline constexpr wchar_t kPortalDomain[] = L"tevrik.example";
// Appended to the adapter address until the key text is long enough for the cipher's 24 bytes.
inline constexpr char kKeyFiller[] = "QeKeyPad";
// The registry's buffers for the kept value: a longer value is not ours and loads as empty.
inline constexpr uint32_t kSavedPasswordLimit = 256;
// Bytes of the three-key triple-DES key, and of its block.
inline constexpr int kCipherKeySize = 24;
inline constexpr int kCipherBlockSize = 8;

// 32 lowercase hexadecimal digits: MD5 over UTF-8 of the password followed by the login part (the
// login cut before "@" + kPortalDomain, found without regard to case; any other login whole).
void HashCredentials(std::wstring& digest, const std::wstring& login, const std::wstring& password);

// The PC id kept as "LoginPcid"; a value that is not 32 characters long is replaced by a fresh
// one, which is written back.
void GetPcid(std::wstring& out);

// The first adapter's address as twelve uppercase hexadecimal digits; empty without an adapter.
void GetMacAddress(std::wstring& out);

// The kept digest's key text for an adapter address text: the address (ANSI), lengthened with the
// filler until it holds at least 21 characters. The cipher takes its first 24 bytes.
std::string SavedPasswordKey(const std::wstring& macAddress);

// Encrypts the text (ANSI) and keeps it as "LoginUserPassword". False when the key cannot be made
// or written, when encryption fails, or when the encrypted text would exceed kSavedPasswordLimit.
bool SavePassword(const std::wstring& text);
// The kept digest, or empty: for no value, a cleared value (all zero bytes, not decrypted at all),
// a value over kSavedPasswordLimit, one that does not decrypt with this device's key, and one that
// decrypts to anything but 32 lowercase hexadecimal digits.
void LoadSavedPassword(std::wstring& out);
// Overwrites the kept value with 128 zero bytes.
void ClearSavedPassword();

// Triple DES (three keys, ECB, standard block padding) over `length` bytes of `in`, with a key of
// kCipherKeySize bytes. Out must hold outCapacity bytes, at least length + kCipherBlockSize.
// Returns the bytes written, or -1 (with the library's error traced, or a capacity too small).
int EncryptBytes(uint8_t* out, int outCapacity, const uint8_t* in, int length, const uint8_t* key);
int DecryptBytes(uint8_t* out, int outCapacity, const uint8_t* in, int length, const uint8_t* key);
