// The downloaded upgrade manifest, read as the upgrade reads it: the message unescaped and its
// line ends turned, and the package address. No bytes may crash it; a value is one line's rest.
#include <cstddef>
#include <cstdint>
#include <string>

#include "framework/base/QeStrings.h"
#include "messenger/protocol/ClientUpgrade.h"
#include "messenger/protocol/TokenCodec.h"

namespace {
void Check(bool condition) {
    if (!condition) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::wstring message, url;
    IniValueInText(message, bytes, L"main", L"msg");
    IniValueInText(url, bytes, L"main", L"url");
    Check(message.find(L'\n') == std::wstring::npos && url.find(L'\n') == std::wstring::npos);
    Check(message.size() <= size && url.size() <= size);
    const size_t escaped = message.size();
    UnescapeToken(message);
    Check(message.size() <= escaped);
    std::wstring shown;
    QeStrings::ReplaceAll(shown, message, L"\r\n", L"\n");
    Check(shown.size() <= message.size());
    return 0;
}
