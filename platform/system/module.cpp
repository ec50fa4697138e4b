#include "platform/system/module.h"

#include <unistd.h>

#include <cwchar>
#include <vector>

#include "platform/system/file.h"

std::wstring ModuleFileName() {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return std::wstring();
        if (static_cast<size_t>(n) < buffer.size()) return PathFromNative(std::string(buffer.data(), n));
        if (buffer.size() >= (1u << 20)) return std::wstring();
        buffer.resize(buffer.size() * 2);
    }
}

DWORD GetModuleFileNameW(HINSTANCE, wchar_t* buffer, DWORD size) {
    if (buffer == nullptr || size == 0) return 0;
    const std::wstring path = ModuleFileName();
    if (path.empty()) {
        buffer[0] = L'\0';
        return 0;
    }
    if (path.size() >= size) {
        std::wmemcpy(buffer, path.data(), size - 1);
        buffer[size - 1] = L'\0';
        return size;
    }
    std::wmemcpy(buffer, path.data(), path.size());
    buffer[path.size()] = L'\0';
    return static_cast<DWORD>(path.size());
}
