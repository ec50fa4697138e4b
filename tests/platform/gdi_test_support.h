// Bitmaps for the raster tests: device-format canvases in memory DCs and DIB sections made from
// rows of bytes, read back as 0xRRGGBB pictures (top row first).
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/graphics/gdi.h"

namespace gditest {

// A header followed by room for masks and a whole palette.
struct InfoBlock {
    BITMAPINFOHEADER header;
    std::uint32_t extra[3 + 256];
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(this); }
};

struct DibFormat {
    const char* name;
    int bitsPerPixel;
    DWORD compression;
    std::vector<std::uint32_t> masks;    // for BI_BITFIELDS
    std::vector<std::uint32_t> palette;  // 0xRRGGBB
    std::vector<std::vector<BYTE>> rows;  // top row first, unpadded
    std::vector<std::uint32_t> expected;  // what the rows show
};

inline std::vector<std::uint32_t> Read(const BitmapPixels& p) {
    std::vector<std::uint32_t> out;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            std::uint32_t v;
            std::memcpy(&v, p.top + static_cast<std::ptrdiff_t>(y) * p.stride + 4 * x, 4);
            out.push_back(v & 0xFFFFFF);
        }
    return out;
}

// A DIB section of the format's rows.
struct Dib {
    InfoBlock info{};
    HBITMAP bitmap = nullptr;
    void* bits = nullptr;
    int stride = 0;

    Dib(const DibFormat& format, bool topDown, int width = 4) {
        const int height = static_cast<int>(format.rows.size());
        info.header.biSize = sizeof(BITMAPINFOHEADER);
        info.header.biWidth = width;
        info.header.biHeight = topDown ? -height : height;
        info.header.biPlanes = 1;
        info.header.biBitCount = static_cast<WORD>(format.bitsPerPixel);
        info.header.biCompression = format.compression;
        info.header.biClrUsed = static_cast<DWORD>(format.palette.size());
        std::uint32_t* extra = info.extra;
        for (std::uint32_t m : format.masks) *extra++ = m;
        for (std::uint32_t c : format.palette) *extra++ = c;
        bitmap = CreateDIBSection(nullptr, Info(), DIB_RGB_COLORS, &bits, nullptr, 0);
        if (bitmap == nullptr) return;
        stride = (width * format.bitsPerPixel + 31) / 32 * 4;
        for (int i = 0; i < height; ++i) {
            BYTE* row = static_cast<BYTE*>(bits) + (topDown ? i : height - 1 - i) * stride;
            const std::vector<BYTE>& bytes = format.rows[static_cast<size_t>(i)];
            if (!bytes.empty()) std::memcpy(row, bytes.data(), bytes.size());
        }
    }
    ~Dib() { DeleteObject(bitmap); }
    const BITMAPINFO* Info() const { return info.Info(); }
};

// A memory DC holding a device bitmap of its own.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    int width, height;

    Canvas(int w, int h, std::uint32_t fill) : width(w), height(h) {
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateCompatibleBitmap(dc, w, h);
        old = SelectObject(dc, bitmap);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) Set(x, y, fill);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    std::uint32_t* Pixel(int x, int y) const {
        BitmapPixels p{};
        GetBitmapPixels(bitmap, &p);
        return reinterpret_cast<std::uint32_t*>(p.top + static_cast<std::ptrdiff_t>(y) * p.stride) + x;
    }
    void Set(int x, int y, std::uint32_t colour) { *Pixel(x, y) = colour; }
    std::uint32_t At(int x, int y) const { return *Pixel(x, y) & 0xFFFFFF; }
    std::vector<std::uint32_t> Pixels() const {
        BitmapPixels p{};
        GetBitmapPixels(bitmap, &p);
        return Read(p);
    }
};

}  // namespace gditest
