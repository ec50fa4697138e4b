#include "framework/base/QeClassInfo.h"

bool IsKindOf(const QeClassInfo* info, const QeClassInfo* record) {
    if (record == nullptr) return false;
    for (; info != nullptr; info = info->Base()) {
        if (info == record) return true;
    }
    return false;
}

// Built in this order before the program's entry runs; a base is referred to by address only, so
// the order of construction does not matter to the links.
const QeClassInfo QeEditGlyphAnchorClass(L"QeEditGlyphAnchor", &QeEditGlyphClass);
const QeClassInfo QeEditGlyphTextClass(L"QeEditGlyphText", &QeEditGlyphClass);
const QeClassInfo QeEditGlyphImageClass(L"QeEditGlyphImage", &QeEditGlyphClass);
const QeClassInfo QeEditGlyphClass(L"QeEditGlyph", nullptr);
