#include "framework/base/QeGuid.h"

#include <cstring>

#include "framework/base/QeStrings.h"

QeGuid::QeGuid() {
    std::memset(&m_guid, 0, sizeof m_guid);
    CoCreateGuid(&m_guid);
}

QeGuid::QeGuid(const uint8_t (&bytes)[16]) {
    m_guid.Data1 = static_cast<DWORD>(bytes[0]) | static_cast<DWORD>(bytes[1]) << 8 |
                   static_cast<DWORD>(bytes[2]) << 16 | static_cast<DWORD>(bytes[3]) << 24;
    m_guid.Data2 = static_cast<WORD>(bytes[4] | bytes[5] << 8);
    m_guid.Data3 = static_cast<WORD>(bytes[6] | bytes[7] << 8);
    std::memcpy(m_guid.Data4, bytes + 8, 8);
}

std::wstring QeGuid::ToString(int form) const {
    std::wstring out;
    const BYTE* d = m_guid.Data4;
    if (form == 0) {
        QeStrings::Format(out, L"%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x", m_guid.Data1, m_guid.Data2,
                          m_guid.Data3, d[0], d[1], d[2], d[3], d[4], d[5], d[6], d[7]);
    } else if (form == 1) {
        const uint32_t second = static_cast<uint32_t>(m_guid.Data2) | static_cast<uint32_t>(m_guid.Data3) << 16;
        const uint32_t third = static_cast<uint32_t>(d[0]) | static_cast<uint32_t>(d[1]) << 8 |
                               static_cast<uint32_t>(d[2]) << 16 | static_cast<uint32_t>(d[3]) << 24;
        const uint32_t fourth = static_cast<uint32_t>(d[4]) | static_cast<uint32_t>(d[5]) << 8 |
                                static_cast<uint32_t>(d[6]) << 16 | static_cast<uint32_t>(d[7]) << 24;
        QeStrings::Format(out, L"%08x%08x%08x%08x", m_guid.Data1, second, third, fourth);
    }
    return out;
}
