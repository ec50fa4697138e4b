// Image files come from the image folder and from other users' emoticons and may be damaged: any
// bytes must decode or fail cleanly, every frame a decoder keeps must be whole and inside the size
// caps, and it must become a bitmap of its size in each of the ways the program draws frames
// (QeBitmap::CreateFromDib). Shared by the four image fuzzers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/base/QeStream.h"
#include "framework/base/QeTrace.h"
#include "framework/image/QeImageDecoder.h"
#include "framework/ui/drawing/QeBitmap.h"
#include "framework/ui/drawing/QeGraphicsTypes.h"
#include "platform/graphics/gdi.h"

namespace fuzz_image {

inline void Check(bool condition) {
    if (!condition) std::abort();
}

inline void Quiet(void*, const std::wstring&) {}

// Touches every pixel byte and palette entry so the sanitizers see any frame that is not whole.
inline void CheckFrame(const QeDib& frame) {
    Check(frame.Width() > 0 && frame.Width() <= QeDib::kMaxSide);
    Check(frame.Height() > 0 && frame.Height() <= QeDib::kMaxSide);
    Check(frame.PixelBytes() == uint64_t{frame.Stride()} * static_cast<uint64_t>(frame.Height()));
    Check(frame.PixelBytes() <= QeDib::kMaxPixelBytes);
    Check(frame.Stride() >= (static_cast<uint64_t>(frame.Width()) * frame.BitsPerPixel() + 7) / 8);
    Check(frame.Header().biClrUsed <= frame.PaletteRoom());
    Check(frame.TransparentIndex() < 0 || static_cast<uint32_t>(frame.TransparentIndex()) < frame.PaletteRoom());
    unsigned sum = 0;
    for (uint32_t i = 0; i < frame.PixelBytes(); ++i) sum += frame.Pixels()[i];
    for (uint32_t i = 0; i < frame.HeaderBlockSize(); ++i) sum += frame.HeaderBlock()[i];
    volatile unsigned sink = sum;
    (void)sink;
}

// Every frame a decoder keeps is drawable: each mode makes a bitmap of the frame's size whose every
// row is there to read (the sanitizers see a short one). The one exception is a bit-field frame
// whose masks the drawing side refuses: it fails cleanly, and its image does not load.
//
// Only frames up to a screenful and more: the per-pixel conversions, counted edge by edge, would
// otherwise slow the image fuzzers twentyfold on the huge frames a few header bytes ask for, while
// every width up to the cap (any width at all, for short frames) still goes through.
constexpr int64_t kMaxBitmapPixels = 1 << 19;

inline void CheckBitmaps(const QeDib& frame) {
    if (int64_t{frame.Width()} * frame.Height() > kMaxBitmapPixels) return;
    for (int mode : {kBitmapPerPixelAlpha, kBitmapDibCopy, kBitmapDevice}) {
        QeBitmap bitmap;
        if (!bitmap.CreateFromDib(frame, mode)) {
            Check(frame.Header().biCompression == 3 && bitmap.Handle() == nullptr);
            continue;
        }
        BitmapPixels pixels{};
        Check(GetBitmapPixels(bitmap.Handle(), &pixels));
        Check(pixels.width == frame.Width() && pixels.height == frame.Height());
        const size_t rowBytes = (static_cast<size_t>(pixels.width) * static_cast<size_t>(pixels.bitsPerPixel) + 7) / 8;
        unsigned sum = 0;
        for (int y = 0; y < pixels.height; ++y) {
            const BYTE* row = pixels.top + static_cast<ptrdiff_t>(y) * pixels.stride;
            for (size_t i = 0; i < rowBytes; ++i) sum += row[i];
        }
        volatile unsigned sink = sum;
        (void)sink;
    }
}

template <typename Decoder>
int Run(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    QeSetTraceSink(Quiet, nullptr);
    {
        QeMemoryReader reader(data, static_cast<uint32_t>(size));
        Decoder decoder;
        const bool decoded = decoder.Decode(reader);
        Check(decoded || decoder.Frames().empty());
        for (const auto& frame : decoder.Frames()) {
            CheckFrame(*frame);
            CheckBitmaps(*frame);
        }
    }
    // The entry point with its format sniffing and its image fields.
    QeMemoryReader reader(data, static_cast<uint32_t>(size));
    QeDecodedImage image;
    if (DecodeImage(image, reader, kImageOther)) Check(!image.Frames().empty());
    return 0;
}

}  // namespace fuzz_image
