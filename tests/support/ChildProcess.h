// A program run as a child process with some environment variables changed, for tests and
// benchmarks of the real program (single instance, start-up time). Ended, if still running, when
// the object goes.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

class ChildProcess {
public:
    using Environment = std::vector<std::pair<std::string, std::string>>;

    ChildProcess() = default;
    ~ChildProcess() { End(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts the program with no arguments, the caller's environment and these changes; false
    // when it cannot be started.
    bool Start(const std::string& program, const Environment& changes);
    // Waits at most `seconds` for it to end; true when it ended (its status in ExitCode).
    bool WaitExit(double seconds);
    bool Running();
    // -1 while running or when it did not exit by itself with a status.
    int ExitCode() const { return m_exitCode; }
    // SIGTERM, then SIGKILL when it has not ended within a second.
    void End();
    // SIGKILL, and waits for it.
    void Kill();
    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    int m_exitCode = -1;
};

// CLOCK_MONOTONIC in nanoseconds: the clock the SDL presenter's frame log writes.
long long MonotonicNanoseconds();
