#include "platform/system/file.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/system/debug.h"
#include "platform/system/module.h"

namespace {

class WideFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tevrik-file-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }
    // The program's form of a path inside the private folder.
    std::wstring Wide(const std::wstring& name) const { return PathFromNative(m_dir) + L"\\" + name; }

    std::string m_dir;
};

TEST_F(WideFiles, BackslashPathsWithHangulNamesReachTheFileSystemAsUtf8) {
    const std::wstring folder = Wide(L"\uc0ac\uc9c4");
    ASSERT_EQ(mkdir((m_dir + "/\xec\x82\xac\xec\xa7\x84").c_str(), 0700), 0);
    const std::wstring path = folder + L"\\\uac00.txt";
    FILE* f = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(f, nullptr);
    std::fputs("hello", f);
    std::fclose(f);

    struct stat st {};
    ASSERT_EQ(stat((m_dir + "/\xec\x82\xac\xec\xa7\x84/\xea\xb0\x80.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 5);

    const std::wstring renamed = folder + L"\\\ub098.txt";
    EXPECT_EQ(_wrename(path.c_str(), renamed.c_str()), 0);
    EXPECT_EQ(_wfopen(path.c_str(), L"rb"), nullptr);
    EXPECT_EQ(_wremove(renamed.c_str()), 0);
    EXPECT_EQ(_wremove(renamed.c_str()), -1);
}

TEST_F(WideFiles, NullArgumentsFailInsteadOfCrashing) {
    EXPECT_EQ(_wfopen(nullptr, L"rb"), nullptr);
    EXPECT_EQ(_wfopen(Wide(L"x").c_str(), nullptr), nullptr);
    EXPECT_EQ(_wremove(nullptr), -1);
    EXPECT_EQ(_wrename(nullptr, L"x"), -1);
}

TEST(ModulePath, NamesTheRunningProgramWithBackslashes) {
    const std::wstring path = ModuleFileName();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.find(L'/'), std::wstring::npos);
    EXPECT_EQ(path.front(), L'\\');
    EXPECT_NE(path.find(L"platform_tests"), std::wstring::npos);

    wchar_t buffer[1024];
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, 1024), path.size());
    EXPECT_EQ(std::wstring(buffer), path);

    wchar_t small[5];
    EXPECT_EQ(GetModuleFileNameW(nullptr, small, 5), 5u);
    EXPECT_EQ(std::wstring(small), path.substr(0, 4));
    EXPECT_EQ(GetModuleFileNameW(nullptr, nullptr, 5), 0u);
}

TEST(DebugOutput, WritesUtf8ToStandardError) {
    ::testing::internal::CaptureStderr();
    OutputDebugStringW(L"[QE+] \uac00\n");
    OutputDebugStringW(nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "[QE+] \xea\xb0\x80\n");
}

TEST(DebugOutput, LinesFromManyThreadsStayWhole) {
    constexpr int kThreads = 8;
    constexpr int kLines = 200;
    ::testing::internal::CaptureStderr();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            const std::wstring line = std::wstring(400, static_cast<wchar_t>(L'\uac00' + t)) + L"\n";
            for (int i = 0; i < kLines; ++i) OutputDebugStringW(line.c_str());
        });
    }
    for (std::thread& thread : threads) thread.join();
    std::istringstream captured(::testing::internal::GetCapturedStderr());
    int count = 0;
    for (std::string line; std::getline(captured, line); ++count) {
        ASSERT_EQ(line.size(), 1200u);
        std::string same;
        for (int i = 0; i < 400; ++i) same += line.substr(0, 3);
        EXPECT_EQ(line, same);
    }
    EXPECT_EQ(count, kThreads * kLines);
}

}  // namespace
