// An IPv4 socket address built from a host text and a port.
#pragma once

#include <string>

#include "platform/win_types.h"
#include "platform/net/winsock.h"

class QeSocketAddress {
public:
    // Dotted text (every character a digit or a dot, the empty text included) goes through
    // inet_addr; anything else is looked up by name and the first address is taken. A name that
    // cannot be looked up leaves the address 0, which ws::connect refuses (Linux would take it for
    // this host); dotted text that is no address, and the empty text, give inet_addr's failure
    // value 255.255.255.255, which no TCP connect reaches.
    QeSocketAddress(const std::wstring& host, WORD port);

    ws::SOCKADDR_IN address;  // family AF_INET; port and address in network byte order
    std::wstring host;        // the text it was made from: TLS checks the server's certificate against it
};
