#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "platform/system/crt.h"
#include "platform/system/guid.h"
#include "platform/system/systime.h"

namespace {

TEST(CoCreateGuidTest, GivesDistinctVersion4Guids) {
    std::set<std::string> seen;
    for (int i = 0; i < 64; ++i) {
        GUID guid{};
        ASSERT_EQ(S_OK, CoCreateGuid(&guid));
        EXPECT_EQ(0x4000, guid.Data3 & 0xF000);
        EXPECT_EQ(0x80, guid.Data4[0] & 0xC0);
        seen.insert(std::string(reinterpret_cast<const char*>(&guid), sizeof guid));
    }
    EXPECT_EQ(64u, seen.size());
    EXPECT_EQ(E_POINTER, CoCreateGuid(nullptr));
}

class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            m_hadOld = true;
            m_old = old;
        }
        Set(zone);
    }
    ~ScopedTimeZone() {
        if (m_hadOld) {
            setenv("TZ", m_old.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
    }
    void Set(const char* zone) { setenv("TZ", zone, 1); }

private:
    bool m_hadOld = false;
    std::string m_old;
};

TEST(LocalTimeTest, FollowsTheZoneNamedNow) {
    ScopedTimeZone zone("UTC0");
    SYSTEMTIME time{};
    // 2024-02-29 23:59:58.999 UTC, a Thursday.
    LocalTimeAt(1709251198, 999999999, &time);
    EXPECT_EQ(2024, time.wYear);
    EXPECT_EQ(2, time.wMonth);
    EXPECT_EQ(29, time.wDay);
    EXPECT_EQ(4, time.wDayOfWeek);
    EXPECT_EQ(23, time.wHour);
    EXPECT_EQ(59, time.wMinute);
    EXPECT_EQ(58, time.wSecond);
    EXPECT_EQ(999, time.wMilliseconds);

    // Changing TZ while the program runs moves the same moment into the next day.
    zone.Set("KST-9");
    LocalTimeAt(1709251198, 0, &time);
    EXPECT_EQ(3, time.wMonth);
    EXPECT_EQ(1, time.wDay);
    EXPECT_EQ(8, time.wHour);
    EXPECT_EQ(0, time.wMilliseconds);
}

TEST(LocalTimeTest, NowHasFieldsInRange) {
    SYSTEMTIME time{};
    GetLocalTime(&time);
    EXPECT_GE(time.wYear, 2024);
    EXPECT_GE(time.wMonth, 1);
    EXPECT_LE(time.wMonth, 12);
    EXPECT_GE(time.wDay, 1);
    EXPECT_LE(time.wDay, 31);
    EXPECT_LE(time.wHour, 23);
    EXPECT_LE(time.wMinute, 59);
    EXPECT_LE(time.wSecond, 59);
    EXPECT_LE(time.wMilliseconds, 999);
    GetLocalTime(nullptr);  // no crash
}

TEST(WtolTest, ReadsTheLeadingNumberAndSaturates) {
    EXPECT_EQ(42, _wtol(L"  42abc"));
    EXPECT_EQ(-17, _wtol(L"\t-17"));
    EXPECT_EQ(5, _wtol(L"+5"));
    EXPECT_EQ(7, _wtol(L"007"));
    EXPECT_EQ(0, _wtol(L""));
    EXPECT_EQ(0, _wtol(L"x1"));
    EXPECT_EQ(0, _wtol(L"- 1"));
    EXPECT_EQ(0, _wtol(nullptr));
    EXPECT_EQ(INT32_MAX, _wtol(L"2147483647"));
    EXPECT_EQ(INT32_MAX, _wtol(L"2147483648"));
    EXPECT_EQ(INT32_MAX, _wtol(L"99999999999999999999999999"));
    EXPECT_EQ(INT32_MIN, _wtol(L"-2147483648"));
    EXPECT_EQ(INT32_MIN, _wtol(L"-99999999999999999999999999"));
}

// The whole pages inside the block become resident; the partial pages at its ends and what the
// block held stay as they were.
TEST(CommitPagesTest, GivesTheWholePagesInsideTheBlockAndKeepsTheirContent) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    constexpr size_t kPages = 16;
    auto* block = static_cast<unsigned char*>(
        mmap(nullptr, kPages * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(block, MAP_FAILED);
    std::memcpy(block + 5 * page + 7, "kept", 4);
    CommitPages(block + 100, kPages * page - 200);
    unsigned char resident[kPages] = {};
    ASSERT_EQ(mincore(block, kPages * page, resident), 0);
    std::string map;
    for (unsigned char pageResident : resident) map += (pageResident & 1) != 0 ? '#' : '.';
    EXPECT_EQ(map, "." + std::string(kPages - 2, '#') + ".");
    EXPECT_EQ(std::memcmp(block + 5 * page + 7, "kept", 4), 0);
    EXPECT_EQ(block[page], 0);
    CommitPages(nullptr, page);
    munmap(block, kPages * page);
}

}  // namespace
