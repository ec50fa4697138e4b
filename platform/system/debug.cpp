#include "platform/system/debug.h"

#include <unistd.h>

#include <cerrno>
#include <cwchar>
#include <mutex>
#include <string>

#include "platform/system/text.h"

void OutputDebugStringW(const wchar_t* text) {
    if (text == nullptr) return;
    const std::string bytes = TextWideToUtf8(std::wstring_view(text, std::wcslen(text)));
    if (bytes.empty()) return;
    // One lock around the whole text so lines from different threads never interleave, even when
    // the descriptor takes it in several pieces.
    static std::mutex lock;
    std::lock_guard<std::mutex> guard(lock);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(STDERR_FILENO, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        done += static_cast<size_t>(n);
    }
}
