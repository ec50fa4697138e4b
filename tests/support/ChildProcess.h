// The real program run as a child process with some environment variables changed, for the tests
// and the benchmark that start it as a user would; killed, if still running, when the object goes.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

class ChildProcess {
public:
    ~ChildProcess() { Kill(); }

    // `changes` go before the inherited environment (the first of two entries of one name is the one
    // getenv finds); `args` follow the program's name; a non-empty `output` file takes stdout and
    // stderr.
    bool Start(const std::string& program, const std::vector<std::pair<std::string, std::string>>& changes,
               const std::vector<std::string>& args = {}, const std::string& output = {});
    // Before Start: inherited variables of these names are left out of the child's environment.
    void Without(std::vector<std::string> names) { m_without = std::move(names); }
    // Waits at most `seconds` for its end; true when it ended, its exit status then in ExitCode
    // (-1 when it did not exit by itself).
    bool WaitExit(double seconds);
    bool Running() { return !WaitExit(0); }
    int ExitCode() const { return m_exitCode; }
    pid_t Pid() const { return m_pid; }
    void Kill();

private:
    pid_t m_pid = -1;
    int m_exitCode = -1;
    std::vector<std::string> m_without;
};

// CLOCK_MONOTONIC in nanoseconds, the clock of the SDL presenter's frame log.
long long MonotonicNanoseconds();
// Waits a millisecond: for a child, which gives no sign that could be waited on.
void PauseMillisecond();
