#include "tests/support/ChildProcess.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>

#include <cstring>
#include <map>

extern char** environ;

long long MonotonicNanoseconds() {
    struct timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000ll + now.tv_nsec;
}

bool ChildProcess::Start(const std::string& program, const Environment& changes) {
    if (m_pid > 0) return false;
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const char* equals = std::strchr(*entry, '=');
        if (equals != nullptr) variables[std::string(*entry, static_cast<size_t>(equals - *entry))] = equals + 1;
    }
    for (const auto& [name, value] : changes) variables[name] = value;
    std::vector<std::string> texts;
    for (const auto& [name, value] : variables) texts.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& text : texts) envp.push_back(text.data());
    envp.push_back(nullptr);
    std::string path = program;
    char* argv[] = {path.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, envp.data()) != 0) return false;
    m_pid = pid;
    m_exitCode = -1;
    return true;
}

bool ChildProcess::WaitExit(double seconds) {
    if (m_pid <= 0) return true;
    const long long deadline = MonotonicNanoseconds() + static_cast<long long>(seconds * 1e9);
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid || done < 0) {
            m_exitCode = done == m_pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            m_pid = -1;
            return true;
        }
        if (MonotonicNanoseconds() >= deadline) return false;
        // The child gives no other sign of ending that could be waited on with a bound.
        struct timespec pause {0, 2000000};
        nanosleep(&pause, nullptr);
    }
}

bool ChildProcess::Running() { return m_pid > 0 && !WaitExit(0); }

void ChildProcess::End() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGTERM);
    if (WaitExit(1.0)) return;
    kill(m_pid, SIGKILL);
    WaitExit(5.0);
}

void ChildProcess::Kill() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGKILL);
    WaitExit(5.0);
}
