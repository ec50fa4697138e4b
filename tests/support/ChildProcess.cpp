#include "tests/support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

extern char** environ;

long long MonotonicNanoseconds() {
    struct timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000ll + now.tv_nsec;
}

void PauseMillisecond() {
    struct timespec pause {0, 1000000};
    nanosleep(&pause, nullptr);
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::pair<std::string, std::string>>& changes,
                         const std::vector<std::string>& args, const std::string& output) {
    std::vector<std::string> texts;
    for (const auto& [name, value] : changes) texts.push_back(name + "=" + value);
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string name(*entry, std::strcspn(*entry, "="));
        if (std::find(m_without.begin(), m_without.end(), name) == m_without.end()) texts.emplace_back(*entry);
    }
    std::vector<char*> envp;
    for (std::string& text : texts) envp.push_back(text.data());
    envp.push_back(nullptr);
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!output.empty()) {
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    const bool started = posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!started) m_pid = -1;
    return started;
}

bool ChildProcess::WaitExit(double seconds) {
    const long long deadline = MonotonicNanoseconds() + static_cast<long long>(seconds * 1e9);
    for (int status = 0; m_pid > 0; PauseMillisecond()) {
        const pid_t done = waitpid(m_pid, &status, WNOHANG);
        if (done != 0) {
            m_exitCode = done == m_pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            m_pid = -1;
        } else if (MonotonicNanoseconds() >= deadline) {
            return false;
        }
    }
    return true;
}

void ChildProcess::Kill() {
    if (m_pid > 0) kill(m_pid, SIGKILL);
    WaitExit(5.0);
}
