// DIB headers and pixels as they come from image files: CreateDIBSection and SetDIBitsToDevice must
// refuse what they cannot draw and read no byte past what the header describes. The input is the
// header block (40 header bytes, then masks or palette, zero-padded); the pixels are the input from
// byte 40 on, zero-padded to exactly the bytes the header claims. The resolution fields, which the
// calls do not read, carry the blit's source corner, first scan line and line count.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/graphics/gdi.h"

namespace {

constexpr size_t kBlock = 40 + 12 + 256 * 4;
constexpr long long kMaxBytes = 1 << 22;

void Check(bool condition) {
    if (!condition) std::abort();
}

// The bytes a well-behaved caller hands over for `lines` rows; -1 when that is too much to fuzz.
long long PixelBytes(const BITMAPINFOHEADER& h, long long lines) {
    if (h.biWidth <= 0 || lines <= 0) return 0;
    const long long stride = (static_cast<long long>(h.biWidth) * h.biBitCount + 31) / 32 * 4;
    // Divided, not multiplied: a wide row times many lines overflows.
    if (stride > 0 && lines > kMaxBytes / stride) return -1;
    return stride * lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static HDC screen = GetDC(nullptr);
    std::vector<uint8_t> block(kBlock, 0);
    std::memcpy(block.data(), data, size < kBlock ? size : kBlock);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(block.data());
    BITMAPINFOHEADER h;
    std::memcpy(&h, block.data(), sizeof h);
    const long long height = h.biHeight < 0 ? -static_cast<long long>(h.biHeight) : h.biHeight;
    const auto xSrc = static_cast<int8_t>(h.biXPelsPerMeter & 0xFF);
    const auto ySrc = static_cast<int8_t>((h.biXPelsPerMeter >> 8) & 0xFF);
    const auto startScan = static_cast<UINT>(h.biYPelsPerMeter & 0xFF);
    const auto lines = static_cast<UINT>((h.biYPelsPerMeter >> 8) & 0xFF);
    const std::vector<uint8_t> tail(size > 40 ? data + 40 : data, data + size);
    const auto pixels = [&tail](long long bytes) {
        std::vector<uint8_t> p(static_cast<size_t>(bytes), 0);
        std::copy_n(tail.begin(), std::min(tail.size(), p.size()), p.begin());
        return p;
    };

    HDC canvas = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, 16, 16);
    HGDIOBJ oldTarget = SelectObject(canvas, target);

    const long long given = lines < height ? lines : height;
    const long long bytes = PixelBytes(h, given);
    if (bytes >= 0) {
        std::vector<uint8_t> p = pixels(bytes);
        const int drawn = SetDIBitsToDevice(canvas, 1, 1, 20, 20, xSrc, ySrc, startScan, lines,
                                            p.empty() ? nullptr : p.data(), info, DIB_RGB_COLORS);
        Check(drawn >= 0 && drawn <= static_cast<int>(lines));
    }

    const long long whole = PixelBytes(h, height);
    if (whole >= 0) {
        void* bits = nullptr;
        HBITMAP section = CreateDIBSection(screen, info, DIB_RGB_COLORS, &bits, nullptr, 0);
        Check((section == nullptr) == (bits == nullptr));
        if (section != nullptr) {
            const std::vector<uint8_t> p = pixels(whole);
            std::copy(p.begin(), p.end(), static_cast<uint8_t*>(bits));
            HDC source = CreateCompatibleDC(screen);
            HGDIOBJ old = SelectObject(source, section);
            Check(old != nullptr);
            const int w = h.biWidth, hh = static_cast<int>(height);
            BitBlt(canvas, xSrc, ySrc, w, hh, source, 0, 0, SRCCOPY);
            StretchBlt(canvas, 0, 0, 16, 16, source, xSrc, ySrc, w, hh, SRCCOPY);
            TransparentImage(canvas, 0, 0, 13, 7, source, 0, 0, w, hh, RGB(0xFF, 0, 0xFF));
            TransparentImage(canvas, 2, 2, w, hh, section, 0, 0, w, hh, RGB(0, 0, 0));
            AlphaBlend(canvas, 0, 0, 16, 16, source, 0, 0, w, hh, BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA});
            AlphaBlend(canvas, 0, 0, 5, 9, source, 0, 0, w, hh, BLENDFUNCTION{AC_SRC_OVER, 0, 77, 0});
            // And the other way: drawing into the section where its format allows.
            BitBlt(source, 0, 0, w, hh, canvas, 0, 0, SRCCOPY);
            SelectObject(source, old);
            DeleteDC(source);
            Check(DeleteObject(section) == TRUE);
        }
    }
    SelectObject(canvas, oldTarget);
    DeleteObject(target);
    DeleteDC(canvas);
    return 0;
}
