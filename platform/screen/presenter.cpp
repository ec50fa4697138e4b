#include "platform/screen/presenter.h"

#include <png.h>

#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Shows nothing: the framebuffer is read directly.
Presenter& Headless() {
    static Presenter* headless = new Presenter;
    return *headless;
}

std::atomic<Presenter*> g_current{nullptr};

}  // namespace

Presenter& CurrentPresenter() {
    Presenter* current = g_current.load();
    return current != nullptr ? *current : Headless();
}

Presenter* SetPresenter(Presenter* presenter) { return g_current.exchange(presenter); }

COLORREF FramebufferPixel(HWND window, int x, int y) {
    BitmapPixels pixels{};
    if (!GetBitmapPixels(WindowFramebuffer(window), &pixels)) return CLR_INVALID;
    if (x < 0 || y < 0 || x >= pixels.width || y >= pixels.height) return CLR_INVALID;
    const BYTE* p = pixels.top + static_cast<std::ptrdiff_t>(y) * pixels.stride + static_cast<std::ptrdiff_t>(x) * 4;
    return RGB(p[2], p[1], p[0]);
}

RECT CopyFramebuffer(HWND window, const RECT& area, std::uint32_t* out, size_t capacity) {
    BitmapPixels pixels{};
    if (out == nullptr || !GetBitmapPixels(WindowFramebuffer(window), &pixels)) return RECT{};
    RECT clipped{std::max<LONG>(area.left, 0), std::max<LONG>(area.top, 0), std::min<LONG>(area.right, pixels.width),
                 std::min<LONG>(area.bottom, pixels.height)};
    if (clipped.left >= clipped.right || clipped.top >= clipped.bottom) return RECT{};
    const size_t width = static_cast<size_t>(clipped.right - clipped.left);
    if (width * static_cast<size_t>(clipped.bottom - clipped.top) > capacity) return RECT{};
    for (LONG y = clipped.top; y < clipped.bottom; ++y) {
        const BYTE* row = pixels.top + static_cast<std::ptrdiff_t>(y) * pixels.stride + clipped.left * 4;
        std::uint32_t* to = out + static_cast<size_t>(y - clipped.top) * width;
        // Blue, green, red, unused: a little-endian word reads 0x--RRGGBB.
        std::memcpy(to, row, width * 4);
        for (size_t x = 0; x < width; ++x) to[x] &= 0x00FFFFFF;
    }
    return clipped;
}

bool SaveFramebufferPng(HWND window, const std::string& path) {
    BitmapPixels pixels{};
    if (!GetBitmapPixels(WindowFramebuffer(window), &pixels)) return false;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    std::vector<png_byte> row(static_cast<size_t>(pixels.width) * 3);
    bool ok = info != nullptr;
    if (ok && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, static_cast<png_uint_32>(pixels.width), static_cast<png_uint_32>(pixels.height), 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < pixels.height; ++y) {
            const BYTE* p = pixels.top + static_cast<std::ptrdiff_t>(y) * pixels.stride;
            for (int x = 0; x < pixels.width; ++x, p += 4) {
                row[static_cast<size_t>(x) * 3] = p[2];
                row[static_cast<size_t>(x) * 3 + 1] = p[1];
                row[static_cast<size_t>(x) * 3 + 2] = p[0];
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
    } else {
        ok = false;
    }
    png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    return std::fclose(file) == 0 && ok;
}
