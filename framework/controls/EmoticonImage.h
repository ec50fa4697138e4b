// One emoticon of the skin: where its picture lies in which image file, how it is drawn, and the
// code typed for it. A plain record; the catalogue hands out copies.
#pragma once

#include <cstdint>
#include <string>

class QeMarkupElement;

class EmoticonImage {
public:
    // Draw methods.
    static constexpr uint32_t kBitBlt = 0;
    static constexpr uint32_t kTransparentBlt = 1;
    static constexpr uint32_t kAlphaBlend = 2;
    static constexpr uint32_t kAlphaBlendPerPixel = 3;

    // Reads the optional keys "Text", "File", "ImageCoord" ("x, y, width, height") and
    // "DrawMethod" (a method name; any other text gives BitBlt). Returns 0 only for a null element.
    int Load(const QeMarkupElement* element);

    // Nothing loaded: no image file and no text code.
    bool IsEmpty() const { return File.empty() && Text.empty(); }

    std::wstring File;  // relative to the registered image folders; the format is found from the content
    int32_t X = 0;
    int32_t Y = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    uint32_t DrawMethod = kBitBlt;
    std::wstring Text;  // the typed code
};
