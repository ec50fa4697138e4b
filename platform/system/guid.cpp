#include "platform/system/guid.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>

HRESULT CoCreateGuid(GUID* guid) {
    if (guid == nullptr) return E_POINTER;
    unsigned char bytes[16];
    size_t filled = 0;
    while (filled < sizeof bytes) {
        const ssize_t n = getrandom(bytes + filled, sizeof bytes - filled, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            return E_FAIL;
        }
        filled += static_cast<size_t>(n);
    }
    GUID made;
    std::memcpy(&made.Data1, bytes, 4);
    std::memcpy(&made.Data2, bytes + 4, 2);
    std::memcpy(&made.Data3, bytes + 6, 2);
    std::memcpy(made.Data4, bytes + 8, 8);
    made.Data3 = static_cast<WORD>((made.Data3 & 0x0FFF) | 0x4000);
    made.Data4[0] = static_cast<BYTE>((made.Data4[0] & 0x3F) | 0x80);
    *guid = made;
    return S_OK;
}
