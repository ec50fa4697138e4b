#include "framework/image/QePngDecoder.h"

#include <cstdint>
#include <memory>
#include <string>

#include "framework/base/QeStream.h"
#include "framework/base/QeTrace.h"

namespace {

// libpng's messages are ASCII.
void TracePngMessage(png_const_charp message) {
    const std::string text = message == nullptr ? std::string() : std::string(message);
    const std::wstring wide(text.begin(), text.end());
    QeTrace(L"[QE+] QePngDecoder::Decode, %ls\n", wide.c_str());
}

[[noreturn]] void PngError(png_structp png, png_const_charp message) {
    TracePngMessage(message);
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp message) { TracePngMessage(message); }

}  // namespace

void PngReadCallback(png_structp png, png_bytep buffer, png_size_t length) {
    auto* stream = static_cast<QeStream*>(png_get_io_ptr(png));
    if (length > UINT32_MAX || !stream->Read(buffer, static_cast<uint32_t>(length)))
        png_error(png, "Error: png_read_data");
}

static_assert(sizeof(png_color) == 3);

bool QePngDecoder::Decode(QeStream& stream) {
    auto frame = std::make_unique<QeDib>();
    std::vector<png_bytep> rows;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    const bool decoded = info != nullptr && Read(png, info, stream, *frame, rows);
    png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    if (!decoded) return false;
    m_frames.push_back(std::move(frame));
    return true;
}

bool QePngDecoder::Read(png_structp png, png_infop info, QeStream& stream, QeDib& frame,
                        std::vector<png_bytep>& rows) {
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    png_set_read_fn(png, &stream, PngReadCallback);
    png_set_user_limits(png, QeDib::kMaxSide, QeDib::kMaxSide);
    png_read_info(png, info);

    const int colorType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    if (bitDepth == 16) png_set_strip_16(png);
    // A frame has no 2-bit depth: grey becomes 8-bit grey, palette indices one byte each.
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth == 2) png_set_expand_gray_1_2_4_to_8(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE && bitDepth == 2) png_set_packing(png);
    if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if ((colorType & PNG_COLOR_MASK_COLOR) != 0 || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    // The depth after the transforms, not the file's.
    const int bits = png_get_channels(png, info) * png_get_bit_depth(png, info);
    if (!frame.Create(static_cast<int32_t>(png_get_image_width(png, info)),
                      static_cast<int32_t>(png_get_image_height(png, info)), bits))
        return false;
    if (frame.BitsPerPixel() != bits || png_get_rowbytes(png, info) > frame.Stride()) return false;
    if (colorType == PNG_COLOR_TYPE_GRAY) {
        frame.FillGreyRamp();
    } else if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp palette = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &palette, &count) != 0 && count > 0)
            frame.FillPaletteRgb(reinterpret_cast<const uint8_t*>(palette), static_cast<uint32_t>(count));
    }

    // Colour with alpha is drawn with per-pixel alpha, which takes it top row first.
    const int32_t height = frame.Height();
    const bool topDown = bits == 32;
    rows.resize(static_cast<size_t>(height));
    for (int32_t i = 0; i < height; ++i) rows[static_cast<size_t>(i)] = frame.Row(topDown ? i : height - 1 - i);
    png_read_image(png, rows.data());
    png_read_end(png, info);
    return true;
}
