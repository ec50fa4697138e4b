#include "platform/net/adapters.h"

#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

struct Adapter {
    unsigned index = 0;
    char name[IF_NAMESIZE + 1] = {};
    BYTE address[6] = {};
};

bool IsZero(const BYTE* bytes, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (bytes[i] != 0) return false;
    }
    return true;
}

std::vector<Adapter> ListAdapters() {
    std::vector<Adapter> adapters;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return adapters;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_PACKET) continue;
        if ((entry->ifa_flags & IFF_LOOPBACK) != 0) continue;
        const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
        // Only a six-byte address identifies a device; an all-zero one identifies nothing.
        if (link->sll_halen != 6 || IsZero(link->sll_addr, 6)) continue;
        const unsigned index = static_cast<unsigned>(link->sll_ifindex);
        const bool known = std::any_of(adapters.begin(), adapters.end(),
                                       [index](const Adapter& a) { return a.index == index; });
        if (known) continue;
        Adapter adapter;
        adapter.index = index;
        std::strncpy(adapter.name, entry->ifa_name != nullptr ? entry->ifa_name : "", IF_NAMESIZE);
        std::memcpy(adapter.address, link->sll_addr, 6);
        adapters.push_back(adapter);
    }
    freeifaddrs(list);
    std::sort(adapters.begin(), adapters.end(), [](const Adapter& a, const Adapter& b) { return a.index < b.index; });
    return adapters;
}

}  // namespace

DWORD GetAdaptersInfo(IP_ADAPTER_INFO* info, ULONG* size) {
    if (size == nullptr) return ERROR_INVALID_PARAMETER;
    const std::vector<Adapter> adapters = ListAdapters();
    if (adapters.empty()) return ERROR_NO_DATA;
    const size_t needed = adapters.size() * sizeof(IP_ADAPTER_INFO);
    if (info == nullptr || *size < needed) {
        *size = static_cast<ULONG>(needed);
        return ERROR_BUFFER_OVERFLOW;
    }
    for (size_t i = 0; i < adapters.size(); ++i) {
        IP_ADAPTER_INFO& record = info[i];
        std::memset(&record, 0, sizeof record);
        record.Next = i + 1 < adapters.size() ? &info[i + 1] : nullptr;
        record.ComboIndex = adapters[i].index;
        std::memcpy(record.AdapterName, adapters[i].name, sizeof adapters[i].name);
        record.AddressLength = 6;
        std::memcpy(record.Address, adapters[i].address, 6);
        record.Index = adapters[i].index;
    }
    return ERROR_SUCCESS;
}
