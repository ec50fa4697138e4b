// The settings file as a start reads it: any bytes are refused with a reason or read, and what a
// file that was read is saved as reads back to the same file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/system/registry.h"

namespace {
void Check(bool condition) {
    if (!condition) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string saved, reason;
    if (!RegistryReadStoreText(text, saved, reason)) {
        Check(!reason.empty());
        return 0;
    }
    std::string again;
    Check(RegistryReadStoreText(saved, again, reason));
    Check(again == saved);
    return 0;
}
