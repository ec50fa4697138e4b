#include "platform/system/crt.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cwctype>

LONG _wtol(const wchar_t* text) {
    if (text == nullptr) return 0;
    while (*text != L'\0' && std::iswspace(static_cast<wint_t>(*text))) ++text;
    bool negative = false;
    if (*text == L'+' || *text == L'-') {
        negative = *text == L'-';
        ++text;
    }
    const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
    int64_t value = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        value = value * 10 + (*text - L'0');
        if (value > limit) value = limit;  // keep reading the digits, the value stays at the limit
    }
    return static_cast<LONG>(negative ? -value : value);
}

void UseMappedLargeBlocks() { mallopt(M_MMAP_THRESHOLD, 128 * 1024); }

void ReturnFreePages() { malloc_trim(0); }

void CommitPages(void* block, size_t bytes) {
    const long page = sysconf(_SC_PAGESIZE);
    if (block == nullptr || page <= 0) return;
    const auto mask = static_cast<std::uintptr_t>(page - 1);
    const std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(block) + mask) & ~mask;
    const std::uintptr_t to = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~mask;
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
}
