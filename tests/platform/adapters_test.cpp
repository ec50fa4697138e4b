// The adapter list: its size protocol, its order and its agreement with the kernel's own view.
#include "platform/net/adapters.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string SysValue(const std::string& interface, const std::string& name) {
    std::ifstream in("/sys/class/net/" + interface + "/" + name);
    std::string value;
    std::getline(in, value);
    return value;
}

std::string AddressText(const IP_ADAPTER_INFO& adapter) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", adapter.Address[0], adapter.Address[1],
                  adapter.Address[2], adapter.Address[3], adapter.Address[4], adapter.Address[5]);
    return text;
}

}  // namespace

TEST(GetAdaptersInfo, SizeQueryThenFilledChainInIndexOrder) {
    EXPECT_EQ(GetAdaptersInfo(nullptr, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    ULONG size = 0;
    const DWORD first = GetAdaptersInfo(nullptr, &size);
    if (first == static_cast<DWORD>(ERROR_NO_DATA)) GTEST_SKIP() << "this machine has no adapter with an address";
    ASSERT_EQ(first, static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
    ASSERT_GT(size, 0u);
    ASSERT_EQ(size % sizeof(IP_ADAPTER_INFO), 0u);

    // One record short is still an overflow, and the size needed comes back again.
    std::vector<IP_ADAPTER_INFO> adapters(size / sizeof(IP_ADAPTER_INFO));
    ULONG small = size - 1;
    EXPECT_EQ(GetAdaptersInfo(adapters.data(), &small), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
    EXPECT_EQ(small, size);

    ULONG exact = size;
    ASSERT_EQ(GetAdaptersInfo(adapters.data(), &exact), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(exact, size);
    const IP_ADAPTER_INFO* previous = nullptr;
    size_t count = 0;
    for (const IP_ADAPTER_INFO* adapter = adapters.data(); adapter != nullptr; adapter = adapter->Next) {
        ++count;
        ASSERT_LE(count, adapters.size());
        const std::string name = adapter->AdapterName;
        EXPECT_EQ(adapter->AddressLength, 6u) << name;
        EXPECT_NE(AddressText(*adapter), "00:00:00:00:00:00") << name;
        // The kernel's own record of the interface.
        EXPECT_EQ(SysValue(name, "address"), AddressText(*adapter)) << name;
        EXPECT_EQ(SysValue(name, "ifindex"), std::to_string(adapter->Index)) << name;
        EXPECT_NE(name, "lo");
        if (previous != nullptr) {
            EXPECT_LT(previous->Index, adapter->Index);
        }
        previous = adapter;
    }
    EXPECT_EQ(count, adapters.size());
}

TEST(GetAdaptersInfo, FirstAdapterIsTheSameOnEveryCall) {
    ULONG size = 0;
    if (GetAdaptersInfo(nullptr, &size) != static_cast<DWORD>(ERROR_BUFFER_OVERFLOW)) GTEST_SKIP();
    std::vector<IP_ADAPTER_INFO> one(size / sizeof(IP_ADAPTER_INFO));
    std::vector<IP_ADAPTER_INFO> two(size / sizeof(IP_ADAPTER_INFO));
    ULONG a = size, b = size;
    ASSERT_EQ(GetAdaptersInfo(one.data(), &a), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(GetAdaptersInfo(two.data(), &b), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(AddressText(one[0]), AddressText(two[0]));
    EXPECT_EQ(one[0].Index, two[0].Index);
}
