// Image files come from the image folder and from other users' emoticons and may be damaged: any
// bytes must decode or fail cleanly, and every frame a decoder keeps must be whole and inside the
// size caps. Shared by the four image fuzzers.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/base/QeStream.h"
#include "framework/base/QeTrace.h"
#include "framework/image/QeImageDecoder.h"

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

template <typename Decoder>
int Run(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    QeSetTraceSink(Quiet, nullptr);
    {
        QeMemoryReader reader(data, static_cast<uint32_t>(size));
        Decoder decoder;
        const bool decoded = decoder.Decode(reader);
        Check(decoded || decoder.Frames().empty());
        for (const auto& frame : decoder.Frames()) CheckFrame(*frame);
    }
    // The entry point with its format sniffing and its image fields.
    QeMemoryReader reader(data, static_cast<uint32_t>(size));
    QeDecodedImage image;
    if (DecodeImage(image, reader, kImageOther)) Check(!image.Frames().empty());
    return 0;
}

}  // namespace fuzz_image
