// The signed-in user. Filled by the login screen and the sign-in replies; kept after log-out until
// the next sign-in overwrites it. Its users read and write the fields directly.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "framework/base/QeSingleton.h"

class AccountInfo : public QeSingleton<AccountInfo> {
public:
    std::wstring Id;      // own login id, with its mail domain
    std::wstring Digest;  // credential digest sent at sign-in
    uint8_t AppearOffline = 0;
    uint8_t Flag61 = 0;
    std::wstring Ticket;     // for the session server
    uint32_t LoginKind = 2;  // "N" 0, "C" 1, else 2
    uint8_t LoginFlag = 0;
    std::wstring Text3;
    std::wstring Text4;
    uint32_t Status = 7;  // own presence code
    std::wstring Name;
    std::wstring Nickname;
    std::array<std::wstring, 7> Texts7to13;
    uint8_t LoginFlag14 = 0;
    std::wstring TickText;
    std::wstring Text16;
};
