// Skin files come from disk and may be damaged: any bytes must parse or fail cleanly, within the
// nesting cap, and the value parsers must take any element text.
#include <cstdint>
#include <cstdlib>

#include "framework/base/QeMarkup.h"
#include "framework/base/QeStream.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

int Visit(const QeMarkupElement& element, int depth) {
    Check(depth <= QeMarkupDocument::kMaxDepth);
    int count = 1;
    ParseColor(&element);
    ParseSize(&element);
    ParseRect(&element);
    ParseInt(&element);
    ParseBool(&element);
    for (const auto& child : element.Children()) count += Visit(*child, depth + 1);
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    QeMemoryReader reader(data, static_cast<uint32_t>(size));
    QeMarkupDocument document;
    document.Parse(reader);
    // Every element comes from at least one "<" (two bytes), so the tree cannot outgrow the input.
    Check(static_cast<size_t>(Visit(document, 0) - 1) <= size / 2);
    return 0;
}
