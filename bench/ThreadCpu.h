// CPU time of another process, thread by thread, from /proc/PID/task/*/schedstat (nanoseconds on a
// CPU, as the scheduler counts them: finer than the clock ticks of /proc/PID/stat). For benchmarks
// that run the program in a process of its own and ask what a while of it cost.
//
//     ThreadCpu cpu(client.Pid());   // the first reading
//     ... let the program run ...
//     const ThreadCpu::Span spent = cpu.Since();
//     state.counters["cpu_ms_per_s"] = spent.totalNs / 1e6 / seconds;
//
// A thread that ends between two readings takes its time with it (the kernel forgets it), so
// measure a while in which the threads stay; a thread that starts counts from zero.
#pragma once

#include <cstdint>
#include <map>
#include <string>

class ThreadCpu {
public:
    struct Span {
        std::uint64_t totalNs = 0;
        // By thread name (/proc/PID/task/TID/comm); threads of one name add up.
        std::map<std::string, std::uint64_t> byName;
        // How often the threads woke from a sleep of their own (preemptions aside), by name likewise.
        std::map<std::string, std::uint64_t> wakesByName;
    };

    explicit ThreadCpu(int pid);

    // What the process spent since the first reading or the last Restart.
    Span Since() const;
    // Takes a new first reading.
    void Restart();
    // False when the process could not be read (gone, or no /proc).
    bool Valid() const { return m_valid; }

private:
    struct Thread {
        std::string name;
        std::uint64_t ns = 0;
        std::uint64_t wakes = 0;
    };
    static bool Read(int pid, std::map<int, Thread>* threads);

    int m_pid;
    bool m_valid = false;
    std::map<int, Thread> m_start;
};
