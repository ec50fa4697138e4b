// The network adapters of the device, as the one call the program asks them with: each adapter
// with a six-byte hardware address, loopback left out, in the order of the interface index (so the
// first adapter stays the same from run to run while the hardware does).
#pragma once

#include "platform/win_types.h"

#ifndef ERROR_SUCCESS
#define ERROR_SUCCESS 0L
#endif
#ifndef ERROR_INVALID_PARAMETER
#define ERROR_INVALID_PARAMETER 87L
#endif
#ifndef ERROR_BUFFER_OVERFLOW
#define ERROR_BUFFER_OVERFLOW 111L
#endif
#ifndef ERROR_NO_DATA
#define ERROR_NO_DATA 232L
#endif

inline constexpr UINT MAX_ADAPTER_NAME_LENGTH = 256;
inline constexpr UINT MAX_ADAPTER_ADDRESS_LENGTH = 8;

struct IP_ADAPTER_INFO {
    IP_ADAPTER_INFO* Next;
    DWORD ComboIndex;
    char AdapterName[MAX_ADAPTER_NAME_LENGTH + 4];  // the interface name, NUL-terminated
    UINT AddressLength;                             // 6
    BYTE Address[MAX_ADAPTER_ADDRESS_LENGTH];
    DWORD Index;                                    // the interface index
};
using PIP_ADAPTER_INFO = IP_ADAPTER_INFO*;

// Fills `info` with a chain of records, one per adapter, first the lowest interface index.
// - ERROR_INVALID_PARAMETER when size is null;
// - ERROR_NO_DATA when the device has no such adapter (or the interfaces cannot be listed);
// - ERROR_BUFFER_OVERFLOW, with *size set to the bytes needed, when info is null or *size is
//   smaller than that;
// - ERROR_SUCCESS (0) otherwise, with *size left as it was.
DWORD GetAdaptersInfo(IP_ADAPTER_INFO* info, ULONG* size);
