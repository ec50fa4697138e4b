// Fresh GUIDs: random version 4 identifiers in the platform's layout.
#pragma once

#include "platform/win_types.h"

using HRESULT = LONG;
#ifndef S_OK
#define S_OK (static_cast<HRESULT>(0))
#endif
#ifndef E_FAIL
#define E_FAIL (static_cast<HRESULT>(0x80004005u))
#endif
#ifndef E_POINTER
#define E_POINTER (static_cast<HRESULT>(0x80004003u))
#endif

// A 32-bit word, two 16-bit words and eight bytes; in memory the words are little-endian.
struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};

// 122 random bits from the kernel with the version (4) and variant (10xx) bits set. On failure the
// GUID is left as it was and E_FAIL comes back.
HRESULT CoCreateGuid(GUID* guid);
