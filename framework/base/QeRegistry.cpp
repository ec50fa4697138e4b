#include "framework/base/QeRegistry.h"

#include <cstring>

#include "platform/system/text.h"

namespace {
constexpr DWORD kStringBufferBytes = 8192;
}

QeRegistryKey::~QeRegistryKey() { Close(); }

void QeRegistryKey::Close() {
    if (m_key != nullptr) {
        RegCloseKey(m_key);
        m_key = nullptr;
    }
}

bool QeRegistryKey::Create(const std::wstring& subKey, HKEY root) {
    Close();
    return RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr) ==
           ERROR_SUCCESS;
}

bool QeRegistryKey::Open(const std::wstring& subKey, HKEY root) {
    Close();
    return RegOpenKeyExW(root, subKey.c_str(), 0, KEY_ALL_ACCESS, &m_key) == ERROR_SUCCESS;
}

bool QeRegistryKey::SetString(const std::wstring& name, const std::wstring& text) {
    if (m_key == nullptr) return false;
    // Up to the first NUL, as a C string would have been stored.
    const std::string bytes = TextWideToUtf16Le(std::wstring_view(text.c_str()));
    return RegSetValueExW(m_key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

bool QeRegistryKey::SetDword(const std::wstring& name, uint32_t value) {
    if (m_key == nullptr) return false;
    const BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                           static_cast<BYTE>(value >> 24)};
    return RegSetValueExW(m_key, name.c_str(), 0, REG_DWORD, bytes, sizeof bytes) == ERROR_SUCCESS;
}

bool QeRegistryKey::SetBinary(const std::wstring& name, const void* bytes, uint32_t length) {
    if (m_key == nullptr) return false;
    return RegSetValueExW(m_key, name.c_str(), 0, REG_BINARY, static_cast<const BYTE*>(bytes), length) ==
           ERROR_SUCCESS;
}

std::wstring QeRegistryKey::QueryString(const std::wstring& name, const std::wstring& defaultValue) {
    if (m_key == nullptr) return defaultValue;
    BYTE buffer[kStringBufferBytes] = {};
    DWORD size = sizeof buffer;
    if (RegQueryValueExW(m_key, name.c_str(), nullptr, nullptr, buffer, &size) != ERROR_SUCCESS) return defaultValue;
    // Only the bytes the value has: a value that fills the whole buffer has no NUL after it.
    size_t units = 0;
    const size_t available = size / 2;
    while (units < available && (buffer[units * 2] != 0 || buffer[units * 2 + 1] != 0)) ++units;
    return TextUtf16LeToWide(std::string_view(reinterpret_cast<const char*>(buffer), units * 2));
}

uint32_t QeRegistryKey::QueryDword(const std::wstring& name, uint32_t defaultValue) {
    if (m_key == nullptr) return defaultValue;
    BYTE bytes[4] = {};
    DWORD size = sizeof bytes;
    if (RegQueryValueExW(m_key, name.c_str(), nullptr, nullptr, bytes, &size) != ERROR_SUCCESS) return defaultValue;
    // A shorter value leaves the rest of the zeroed bytes as they were.
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

bool QeRegistryKey::QueryBinary(const std::wstring& name, void* buffer, uint32_t& length) {
    if (m_key == nullptr) return false;
    DWORD size = length;
    const bool ok =
        RegQueryValueExW(m_key, name.c_str(), nullptr, nullptr, static_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS;
    length = size;
    return ok;
}

bool QeRegistry::WriteString(const std::wstring& keyPath, const std::wstring& name, const std::wstring& text) {
    QeRegistryKey key;
    return key.Create(keyPath, HKEY_CURRENT_USER) && key.SetString(name, text);
}

bool QeRegistry::WriteDword(const std::wstring& keyPath, const std::wstring& name, uint32_t value) {
    QeRegistryKey key;
    return key.Create(keyPath, HKEY_CURRENT_USER) && key.SetDword(name, value);
}

std::wstring QeRegistry::ReadString(const std::wstring& keyPath, const std::wstring& name,
                                    const std::wstring& defaultValue) {
    QeRegistryKey key;
    if (!key.Open(keyPath, HKEY_CURRENT_USER)) return defaultValue;
    return key.QueryString(name, defaultValue);
}

uint32_t QeRegistry::ReadDword(const std::wstring& keyPath, const std::wstring& name, uint32_t defaultValue) {
    QeRegistryKey key;
    if (!key.Open(keyPath, HKEY_CURRENT_USER)) return defaultValue;
    return key.QueryDword(name, defaultValue);
}
