// Skin files come from disk and may be damaged: any bytes must parse or fail cleanly, within the
// nesting cap, and the value parsers and the text and image element readers must take any element.
#include <cstdint>
#include <cstdlib>

#include "framework/base/QeMarkup.h"
#include "framework/base/QeStream.h"
#include "framework/ui/drawing/QeDrawMath.h"
#include "framework/ui/drawing/QeSkinValues.h"

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
    const std::wstring& text = element.Text();
    Check(ParseTextFormats(text) < 128 && ParseFontEffects(text) < 16 && ParseEditStyles(text) < 16);
    Check((ParseEditAligns(text) & ~0x33u) == 0);
    Check(ParseBackMode(text) <= 1 && ParseDrawMethod(text) <= 3);
    const QeTextStyle style = ReadTextStyle(element);
    Check(style.font.height <= kMaxFontHeight && style.font.height >= -kMaxFontHeight);
    const QeImageDescriptor image = ReadImageDescriptor(element);
    Check(image.source.right >= image.source.left && image.source.bottom >= image.source.top);
    Check(image.targetSize.cx >= 0 && image.targetSize.cy >= 0);
    if (element.FindChild(L"ConstantAlpha") != nullptr) Check(image.keyOrAlpha <= 255);
    // The element's own rectangle and size as a part and a box of the image: the mapped source
    // stays inside the image's rectangle whenever that has room.
    RECT mapped;
    if (MapBoxPart(image.source, ParseRect(&element), ParseSize(&element), mapped) &&
        image.source.right > image.source.left && image.source.bottom > image.source.top) {
        Check(mapped.left >= image.source.left && mapped.right <= image.source.right && mapped.right > mapped.left);
        Check(mapped.top >= image.source.top && mapped.bottom <= image.source.bottom && mapped.bottom > mapped.top);
    }
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
