// The benchmark programs double as a smoke test: with TEVRIK_BENCH_SMOKE set (as the build's
// ctest runs them) each benchmark only has to run to its end, and its figures mean nothing. One
// that takes long keeps every step but takes its shortest form then (one run instead of twenty, a
// fraction of a second of idling, a flood of a thousand), so that a whole program runs in seconds.
#pragma once

#include <cstdlib>

inline bool BenchSmoke() {
    static const bool smoke = [] {
        const char* value = std::getenv("TEVRIK_BENCH_SMOKE");
        return value != nullptr && *value != '\0' && *value != '0';
    }();
    return smoke;
}

// The value for a measurement, or the smoke run's.
template <class T>
T FullOrSmoke(T full, T smoke) {
    return BenchSmoke() ? smoke : full;
}
