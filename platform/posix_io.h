// Small POSIX helpers that several parts of the platform share. Nothing above platform/ includes
// this.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>

// Writes all n bytes, going on after interruptions and short writes; false on any failure.
inline bool WriteAll(int fd, const void* bytes, size_t n) {
    const char* next = static_cast<const char*>(bytes);
    while (n > 0) {
        const ssize_t done = ::write(fd, next, n);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        next += done;
        n -= static_cast<size_t>(done);
    }
    return true;
}
