#include "platform/system/shell.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/system/file.h"
#include "platform/system/text.h"
#include "tests/support/temp_folder.h"

namespace {

using testsupport::Exists;
using testsupport::ReadBytes;
using testsupport::TempFolder;
using testsupport::WriteBytes;

// Checks the condition until it holds, for at most the bound.
bool WaitUntil(const std::function<bool()>& condition, double seconds = 10.0) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

SHELLEXECUTEINFOW Info(LPCWSTR verb, LPCWSTR file) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = verb;
    info.lpFile = file;
    info.nShow = SW_SHOWNORMAL;
    return info;
}

class ShellOpen : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_dir.Path().empty());
        ASSERT_TRUE(WriteBytes(m_dir.File("pkg.cab"), std::string("package")));
        m_file = PathFromNative(m_dir.File("pkg.cab"));
    }
    void TearDown() override { SetShellLauncher(nullptr); }

    void Record() {
        SetShellLauncher([this](const std::string& program, const std::vector<std::string>& argv) {
            m_calls.push_back(program);
            for (const std::string& a : argv) m_calls.push_back(a);
            return m_launchWorks;
        });
    }

    TempFolder m_dir;
    std::wstring m_file;
    std::vector<std::string> m_calls;
    bool m_launchWorks = true;
};

TEST_F(ShellOpen, OpenHandsTheFileToTheOpener) {
    Record();
    for (LPCWSTR verb : {L"Open", L"open", L"OPEN"}) {
        m_calls.clear();
        SHELLEXECUTEINFOW info = Info(verb, m_file.c_str());
        info.hProcess = reinterpret_cast<HANDLE>(1);
        EXPECT_EQ(ShellExecuteEx(&info), TRUE);
        EXPECT_EQ(info.hProcess, nullptr);
        EXPECT_GT(reinterpret_cast<std::uintptr_t>(info.hInstApp), 32u);
        EXPECT_EQ(m_calls, (std::vector<std::string>{"xdg-open", "xdg-open", m_dir.File("pkg.cab")}));
    }
}

TEST_F(ShellOpen, WebAddressReachesTheOpenerUnchangedAsOneArgument) {
    Record();
    for (const char* address : {"http://tevrik.example/index.php?code=G115&t=a b;$(touch x)'\"|`",
                                "HTTPS://127.0.0.1:8080/-x", "http://h/\xed\x95\x9c"}) {
        m_calls.clear();
        const std::wstring wide = TextUtf8ToWide(address);
        SHELLEXECUTEINFOW info = Info(L"Open", wide.c_str());
        EXPECT_EQ(ShellExecuteEx(&info), TRUE);
        EXPECT_EQ(m_calls, (std::vector<std::string>{"xdg-open", "xdg-open", address}));
    }
    // Not a web address: a file name, which must exist.
    SHELLEXECUTEINFOW info = Info(L"Open", L"http:/nowhere");
    EXPECT_EQ(ShellExecuteEx(&info), FALSE);
}

TEST_F(ShellOpen, RefusesWhatItCannotOpen) {
    Record();
    const std::wstring missing = PathFromNative(m_dir.File("none.cab"));
    for (SHELLEXECUTEINFOW info : {Info(L"Explore", m_file.c_str()), Info(L"runas", m_file.c_str()),
                                   Info(L"Opens", m_file.c_str()), Info(nullptr, m_file.c_str()),
                                   Info(L"Open", nullptr), Info(L"Open", L""), Info(L"Open", missing.c_str())}) {
        EXPECT_EQ(ShellExecuteEx(&info), FALSE);
        EXPECT_LE(reinterpret_cast<std::uintptr_t>(info.hInstApp), 32u);
    }
    EXPECT_EQ(ShellExecuteEx(nullptr), FALSE);
    EXPECT_TRUE(m_calls.empty());

    m_launchWorks = false;
    SHELLEXECUTEINFOW info = Info(L"Open", m_file.c_str());
    EXPECT_EQ(ShellExecuteEx(&info), FALSE);
    EXPECT_EQ(m_calls.size(), 3u);
}

TEST_F(ShellOpen, NameLikeAnOptionStaysAFileName) {
    Record();
    char* here = getcwd(nullptr, 0);
    ASSERT_NE(here, nullptr);
    ASSERT_EQ(chdir(m_dir.Path().c_str()), 0);
    ASSERT_TRUE(WriteBytes(m_dir.File("-x"), std::string("x")));
    SHELLEXECUTEINFOW info = Info(L"Open", L"-x");
    EXPECT_EQ(ShellExecuteEx(&info), TRUE);
    EXPECT_EQ(chdir(here), 0);
    free(here);
    ASSERT_EQ(m_calls.size(), 3u);
    EXPECT_EQ(m_calls[2], "./-x");
}

// The real launcher, with a stand-in opener first in PATH that writes down how it was called.
TEST_F(ShellOpen, RealOpenerRunsDetachedAndIsReaped) {
    const std::string bin = m_dir.File("bin");
    ASSERT_EQ(mkdir(bin.c_str(), 0700), 0);
    // A descriptor without close-on-exec, which the opener must not inherit.
    const int leak = open("/dev/null", O_RDONLY);
    ASSERT_GE(leak, 3);
    const std::string out = m_dir.File("called");
    ASSERT_TRUE(WriteBytes(bin + "/xdg-open",
                           "#!/bin/sh\n"
                           "inherited=no; [ -e /proc/$$/fd/" + std::to_string(leak) + " ] && inherited=yes\n"
                           "printf '%s\\n%s\\n%s\\n' \"$$\" \"$*\" \"$inherited\" > '" + out + ".tmp'\n"
                           "mv '" + out + ".tmp' '" + out + "'\n"));
    ASSERT_EQ(chmod((bin + "/xdg-open").c_str(), 0700), 0);

    // A package that would leave a mark if anyone ran it.
    const std::string mark = m_dir.File("ran");
    ASSERT_TRUE(WriteBytes(m_dir.File("pkg.cab"), "#!/bin/sh\ntouch '" + mark + "'\n"));
    ASSERT_EQ(chmod(m_dir.File("pkg.cab").c_str(), 0700), 0);

    const char* oldPath = std::getenv("PATH");
    const std::string saved = oldPath != nullptr ? oldPath : "";
    setenv("PATH", (bin + ":" + saved).c_str(), 1);
    SHELLEXECUTEINFOW info = Info(L"Open", m_file.c_str());
    const BOOL started = ShellExecuteEx(&info);
    setenv("PATH", saved.c_str(), 1);
    close(leak);
    ASSERT_EQ(started, TRUE);

    ASSERT_TRUE(WaitUntil([&] { return Exists(out); }));
    const std::string record = ReadBytes(out);
    const size_t first = record.find('\n');
    const pid_t pid = static_cast<pid_t>(std::atoi(record.substr(0, first).c_str()));
    ASSERT_GT(pid, 0);
    EXPECT_EQ(record.substr(first + 1), m_dir.File("pkg.cab") + "\nno\n");
    // Reaped: not even a zombie remains under that number.
    EXPECT_TRUE(WaitUntil([&] { return kill(pid, 0) != 0 && errno == ESRCH; }));
    EXPECT_FALSE(Exists(mark));

    // No opener anywhere in PATH: nothing started.
    setenv("PATH", m_dir.File("empty").c_str(), 1);
    EXPECT_EQ(ShellExecuteEx(&info), FALSE);
    setenv("PATH", saved.c_str(), 1);
}

}  // namespace
