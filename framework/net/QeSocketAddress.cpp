#include "framework/net/QeSocketAddress.h"

#include <cstring>

#include "framework/base/QeStrings.h"

QeSocketAddress::QeSocketAddress(const std::wstring& hostText, WORD port) : address{}, host(hostText) {
    address.sin_family = AF_INET;
    address.sin_port = ws::htons(port);
    std::string text = QeStrings::WideToAnsi(hostText);
    bool dotted = true;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || c == '.')) dotted = false;
    if (dotted) {
        address.sin_addr.s_addr = ws::inet_addr(text.c_str());
        return;
    }
    ws::HOSTENT* entry = ws::gethostbyname(text.c_str());
    if (entry && entry->h_length == 4 && entry->h_addr_list && entry->h_addr_list[0])
        std::memcpy(&address.sin_addr.s_addr, entry->h_addr_list[0], 4);
}
