// A GUID and its two text forms.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system/guid.h"

class QeGuid {
public:
    // A fresh random GUID; all zero when the platform could not make one.
    QeGuid();
    // The GUID whose 16 bytes in memory are these (tests use it for fixed values).
    explicit QeGuid(const uint8_t (&bytes)[16]);

    // Form 0: "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" over the words and bytes of the GUID.
    // Form 1: 32 hexadecimal digits, the 16 bytes read as four little-endian 32-bit words.
    // Lowercase; any other form gives an empty text.
    std::wstring ToString(int form) const;

    const GUID& Value() const { return m_guid; }

private:
    GUID m_guid;
};
