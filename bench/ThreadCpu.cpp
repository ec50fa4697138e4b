#include "bench/ThreadCpu.h"

#include <dirent.h>

#include <cstdlib>
#include <fstream>
#include <string>

bool ThreadCpu::Read(int pid, std::map<int, Thread>* threads) {
    threads->clear();
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* folder = opendir(tasks.c_str());
    if (folder == nullptr) return false;
    while (const dirent* entry = readdir(folder)) {
        char* end = nullptr;
        const long tid = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0') continue;
        // "<ns on a CPU> <ns waiting to run> <slices>"; a thread gone meanwhile is skipped.
        std::ifstream schedstat(tasks + "/" + entry->d_name + "/schedstat");
        Thread thread;
        if (!(schedstat >> thread.ns)) continue;
        // A thread sleeps as often as it wakes: its voluntary switches.
        std::ifstream status(tasks + "/" + entry->d_name + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0) thread.wakes = std::strtoull(line.c_str() + 24, nullptr, 10);
        }
        std::ifstream comm(tasks + "/" + entry->d_name + "/comm");
        std::getline(comm, thread.name);
        (*threads)[static_cast<int>(tid)] = thread;
    }
    closedir(folder);
    return !threads->empty();
}

ThreadCpu::ThreadCpu(int pid) : m_pid(pid) { Restart(); }

void ThreadCpu::Restart() { m_valid = Read(m_pid, &m_start); }

ThreadCpu::Span ThreadCpu::Since() const {
    Span span;
    std::map<int, Thread> now;
    Read(m_pid, &now);
    for (const auto& [tid, thread] : now) {
        const auto then = m_start.find(tid);
        const std::uint64_t before = then != m_start.end() && then->second.ns <= thread.ns ? then->second.ns : 0;
        span.totalNs += thread.ns - before;
        span.byName[thread.name] += thread.ns - before;
        const bool same = then != m_start.end() && then->second.wakes <= thread.wakes;
        span.wakesByName[thread.name] += thread.wakes - (same ? then->second.wakes : 0);
    }
    return span;
}
