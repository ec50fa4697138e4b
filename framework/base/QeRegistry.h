// Settings kept as registry values under HKEY_CURRENT_USER.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system/registry.h"

// One open registry key; closed when the object goes. Failures come back as false or as the
// caller's default; nothing is traced.
class QeRegistryKey {
public:
    QeRegistryKey() = default;
    virtual ~QeRegistryKey();
    QeRegistryKey(const QeRegistryKey&) = delete;
    QeRegistryKey& operator=(const QeRegistryKey&) = delete;

    // Opens the key, creating every missing key on the path. A key already open is closed first.
    bool Create(const std::wstring& subKey, HKEY root);
    // Opens an existing key; false when it does not exist.
    bool Open(const std::wstring& subKey, HKEY root);
    void Close();
    bool IsOpen() const { return m_key != nullptr; }

    // Text is stored as UTF-16LE without a terminating NUL.
    bool SetString(const std::wstring& name, const std::wstring& text);
    bool SetDword(const std::wstring& name, uint32_t value);
    bool SetBinary(const std::wstring& name, const void* bytes, uint32_t length);

    // The stored bytes read as UTF-16LE text up to the first NUL, whatever their type; the default
    // when the value is missing or longer than 8192 bytes.
    std::wstring QueryString(const std::wstring& name, const std::wstring& defaultValue);
    // The first 4 bytes read as a little-endian number, bytes the value lacks being zero; the
    // default when the value is missing or longer than 4 bytes.
    uint32_t QueryDword(const std::wstring& name, uint32_t defaultValue);
    // The value into the caller's buffer; length holds the buffer's size and comes back as the
    // value's size (also when the buffer is too small, which gives false).
    bool QueryBinary(const std::wstring& name, void* buffer, uint32_t& length);

private:
    HKEY m_key = nullptr;
};

// One-call reads and writes of a value under HKEY_CURRENT_USER. Reads never create a key.
class QeRegistry {
public:
    static bool WriteString(const std::wstring& keyPath, const std::wstring& name, const std::wstring& text);
    static bool WriteDword(const std::wstring& keyPath, const std::wstring& name, uint32_t value);
    static std::wstring ReadString(const std::wstring& keyPath, const std::wstring& name,
                                   const std::wstring& defaultValue);
    static uint32_t ReadDword(const std::wstring& keyPath, const std::wstring& name, uint32_t defaultValue);
};
