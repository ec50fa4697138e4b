// One emoticon of the skin: where its picture lies in which image file, how it is drawn, and the
// code typed for it. A plain record; the catalogue hands out copies, and the edit control and the
// chat screens draw it through a skin image made from its descriptor.
#pragma once

#include <cstdint>
#include <string>

#include "framework/ui/drawing/QeGraphicsTypes.h"

class QeMarkupElement;

class EmoticonImage {
public:
    // Draw methods.
    static constexpr uint32_t kBitBlt = kDrawBitBlt;
    static constexpr uint32_t kTransparentBlt = kDrawTransparentBlt;
    static constexpr uint32_t kAlphaBlend = kDrawAlphaBlend;
    static constexpr uint32_t kAlphaBlendPerPixel = kDrawAlphaBlendPerPixel;

    // Reads the optional keys "Text", "File", "ImageCoord" ("x, y, width, height"), "DrawMethod"
    // (a method name; any other text gives BitBlt) and, as a skin image does, "ColorKey" and
    // "ConstantAlpha". Returns 0 only for a null element.
    int Load(const QeMarkupElement* element);

    // Nothing loaded: no image file and no text code.
    bool IsEmpty() const { return File.empty() && Text.empty(); }

    // The image to load: the file (format from the content), the ImageCoord part (the whole image
    // when it has no area), the draw method and its key or alpha. Without a ColorKey or
    // ConstantAlpha the field is 0: TransparentBlt leaves out black and AlphaBlend draws nothing.
    // Asking for such a descriptor is traced, once per file and method in a run.
    QeImageDescriptor Descriptor() const;

    std::wstring File;  // relative to the registered image folders; the format is found from the content
    int32_t X = 0;
    int32_t Y = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    uint32_t DrawMethod = kBitBlt;
    uint32_t KeyOrAlpha = 0;      // the colour key of TransparentBlt, the constant alpha of AlphaBlend
    bool HasKeyOrAlpha = false;   // the skin gave one
    std::wstring Text;  // the typed code
};
