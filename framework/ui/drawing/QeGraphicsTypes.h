// The descriptions that fonts, images and drawn text are looked up by: the keys of the font and
// image pools, the style of a skin text and the descriptor of a skin image.
#pragma once

#include <compare>
#include <cstdint>
#include <string>

#include "platform/win_types.h"

class QeStream;

// Format flags of drawn text, as the skin's TextFormats words give them.
enum QeTextFormat : uint32_t {
    kTextLeft = 1,
    kTextHCenter = 2,
    kTextRight = 4,
    kTextTop = 8,
    kTextVCenter = 16,
    kTextBottom = 32,
    kTextEndEllipsis = 64,
};

// How an image or a surface reaches its target; the skin's DrawMethod words.
enum QeDrawMethod : int32_t {
    kDrawBitBlt = 0,
    kDrawTransparentBlt = 1,
    kDrawAlphaBlend = 2,
    kDrawAlphaBlendPerPixel = 3,
};

// What a decoded frame becomes: 0 premultiplied 32-bit pixels for per-pixel alpha (other depths
// fall back to 2), 1 a plain copy of the DIB, 2 a device bitmap.
enum QeBitmapMode : int32_t {
    kBitmapPerPixelAlpha = 0,
    kBitmapDibCopy = 1,
    kBitmapDevice = 2,
};

struct FontKey {
    int32_t height = 0;
    int32_t weight = 0;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    std::wstring faceName;  // empty: the default face

    // Height, weight, the three flags, then the face: the first difference decides.
    auto operator<=>(const FontKey&) const = default;
    bool operator==(const FontKey&) const = default;
};

struct QeTextStyle {
    FontKey font;
    int32_t backMode = 1;  // 0 opaque, 1 transparent
    COLORREF backColor = 0x9AB01B;
    COLORREF textColor = 0x17E4E2;
    uint32_t format = kTextHCenter | kTextVCenter;

    auto operator<=>(const QeTextStyle&) const = default;
    bool operator==(const QeTextStyle&) const = default;
};

struct QeImageKey {
    QeStream* source = nullptr;  // decoded from this stream when set, else the file is read
    std::wstring fileName;
    int32_t format = 4;  // the decoders' format number: 0 BMP, 1 JPEG, 2 PNG, 3 GIF, 4 from the content
    int32_t bitmapMode = kBitmapPerPixelAlpha;

    // The stream as an unsigned number, then the file name, the format and the mode.
    std::strong_ordering operator<=>(const QeImageKey& other) const {
        if (auto c = reinterpret_cast<uintptr_t>(source) <=> reinterpret_cast<uintptr_t>(other.source); c != 0) return c;
        if (auto c = fileName <=> other.fileName; c != 0) return c;
        if (auto c = format <=> other.format; c != 0) return c;
        return bitmapMode <=> other.bitmapMode;
    }
    bool operator==(const QeImageKey& other) const { return (*this <=> other) == 0; }
};

// An image element as the skin describes it: which image, which part of it, and how it is drawn.
struct QeImageDescriptor {
    QeImageKey key;
    RECT source = {0, 0, 0, 0};  // empty: the whole image
    SIZE targetSize = {0, 0};    // the size edit glyphs take; not used in drawing
    int32_t drawMethod = kDrawBitBlt;
    // The colour key for TransparentBlt, the constant alpha (low byte) for AlphaBlend.
    uint32_t keyOrAlpha = 0;
};

inline bool IsEmptyRect(const RECT& r) { return r.left == r.right || r.top == r.bottom; }
