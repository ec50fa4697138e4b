#include "platform/system/file.h"

#include <cerrno>
#include <cwchar>

#include "platform/system/text.h"

std::string PathToNative(const std::wstring& path) {
    std::wstring slashed = path;
    for (wchar_t& c : slashed) {
        if (c == L'\\') c = L'/';
    }
    return TextWideToUtf8(slashed);
}

std::wstring PathFromNative(const std::string& path) {
    std::wstring wide = TextUtf8ToWide(path);
    for (wchar_t& c : wide) {
        if (c == L'/') c = L'\\';
    }
    return wide;
}

namespace {
bool ToNative(const wchar_t* text, std::string& out) {
    if (text == nullptr) return false;
    out = PathToNative(std::wstring(text));
    return true;
}
}  // namespace

FILE* _wfopen(const wchar_t* path, const wchar_t* mode) {
    std::string nativePath;
    if (!ToNative(path, nativePath) || mode == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    const std::string nativeMode = TextWideToUtf8(mode);
    return std::fopen(nativePath.c_str(), nativeMode.c_str());
}

int _wremove(const wchar_t* path) {
    std::string nativePath;
    if (!ToNative(path, nativePath)) {
        errno = EINVAL;
        return -1;
    }
    return std::remove(nativePath.c_str());
}

int _wrename(const wchar_t* from, const wchar_t* to) {
    std::string nativeFrom, nativeTo;
    if (!ToNative(from, nativeFrom) || !ToNative(to, nativeTo)) {
        errno = EINVAL;
        return -1;
    }
    return std::rename(nativeFrom.c_str(), nativeTo.c_str());
}
