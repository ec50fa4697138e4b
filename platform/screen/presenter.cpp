#include "platform/screen/presenter.h"

#include <png.h>

#include <algorithm>
#include <atomic>
#include <limits>
#include <csetjmp>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Shows nothing (the framebuffer is read directly), but counts what it would have shown.
class HeadlessPresenter final : public Presenter {
public:
    void Painted(HWND, const RECT& area) override {
        if (area.left < area.right && area.top < area.bottom) ++presents;
    }
    std::atomic<long> presents{0};
};

HeadlessPresenter& Headless() {
    static HeadlessPresenter* headless = new HeadlessPresenter;
    return *headless;
}

std::atomic<Presenter*> g_current{nullptr};

}  // namespace

Presenter& CurrentPresenter() {
    Presenter* current = g_current.load();
    return current != nullptr ? *current : Headless();
}

Presenter* SetPresenter(Presenter* presenter) { return g_current.exchange(presenter); }

long HeadlessPresents() { return Headless().presents.load(); }

COLORREF FramebufferPixel(HWND window, int x, int y) {
    BitmapPixels pixels{};
    if (!GetBitmapPixels(WindowFramebuffer(window), &pixels)) return CLR_INVALID;
    if (x < 0 || y < 0 || x >= pixels.width || y >= pixels.height) return CLR_INVALID;
    const BYTE* p = pixels.top + static_cast<std::ptrdiff_t>(y) * pixels.stride + static_cast<std::ptrdiff_t>(x) * 4;
    return RGB(p[2], p[1], p[0]);
}

namespace {

// Copies `count` words as (word & keep) | set. The picture written here is next read by another
// thread, if at all: written past the cache, it does not first have to be read into it (about a
// megabyte a frame while a list scrolls).
void StreamRow(std::uint32_t* to, const std::uint32_t* from, size_t count, std::uint32_t keep, std::uint32_t set) {
    size_t x = 0;
#if defined(__SSE2__)
    for (; x < count && reinterpret_cast<std::uintptr_t>(to + x) % 16 != 0; ++x) to[x] = (from[x] & keep) | set;
    const __m128i keepAll = _mm_set1_epi32(static_cast<int>(keep));
    const __m128i setAll = _mm_set1_epi32(static_cast<int>(set));
    for (; x + 4 <= count; x += 4) {
        const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + x));
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + x), _mm_or_si128(_mm_and_si128(words, keepAll), setAll));
    }
#endif
    for (; x < count; ++x) to[x] = (from[x] & keep) | set;
}

// Streamed words are in memory before anything written after them (the lock's release).
void StreamDone() {
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

// The rectangle of the framebuffer (clipped to it and to width x height) into `out`, whose rows are
// `stride` words apart and whose first word takes the rectangle's top left; each word becomes
// (pixel & keep) | set.
RECT CopyRows(HWND window, const RECT& area, LONG width, LONG height, std::uint32_t* out, size_t stride,
              size_t capacity, std::uint32_t keep, std::uint32_t set) {
    BitmapPixels pixels{};
    if (out == nullptr || !GetBitmapPixels(WindowFramebuffer(window), &pixels)) return RECT{};
    RECT clipped{std::max<LONG>(area.left, 0), std::max<LONG>(area.top, 0),
                 std::min<LONG>({area.right, pixels.width, width}), std::min<LONG>({area.bottom, pixels.height, height})};
    if (clipped.left >= clipped.right || clipped.top >= clipped.bottom) return RECT{};
    const size_t columns = static_cast<size_t>(clipped.right - clipped.left);
    if (stride == 0) stride = columns;
    if (stride * static_cast<size_t>(clipped.bottom - clipped.top - 1) + columns > capacity) return RECT{};
    for (LONG y = clipped.top; y < clipped.bottom; ++y) {
        const BYTE* row = pixels.top + static_cast<std::ptrdiff_t>(y) * pixels.stride + clipped.left * 4;
        std::uint32_t* to = out + static_cast<size_t>(y - clipped.top) * stride;
        // Blue, green, red, unused: a little-endian word reads 0x--RRGGBB.
        StreamRow(to, reinterpret_cast<const std::uint32_t*>(row), columns, keep, set);
    }
    StreamDone();
    return clipped;
}

}  // namespace

RECT CopyFramebuffer(HWND window, const RECT& area, std::uint32_t* out, size_t capacity) {
    constexpr LONG kAny = std::numeric_limits<LONG>::max();
    return CopyRows(window, area, kAny, kAny, out, 0, capacity, 0x00FFFFFFu, 0);
}

RECT CopyFramebufferInPlace(HWND window, const RECT& area, std::uint32_t* picture, int width, int height,
                            size_t stride, bool opaque) {
    if (picture == nullptr || width <= 0 || height <= 0) return RECT{};
    const RECT within{std::max<LONG>(area.left, 0), std::max<LONG>(area.top, 0), area.right, area.bottom};
    if (stride < static_cast<size_t>(width)) stride = static_cast<size_t>(width);
    const size_t size = stride * static_cast<size_t>(height - 1) + static_cast<size_t>(width);
    const size_t first = static_cast<size_t>(within.top) * stride + static_cast<size_t>(within.left);
    if (within.left >= width || within.top >= height) return RECT{};
    return CopyRows(window, within, width, height, picture + first, stride, size - first, ~0u, opaque ? 0xFF000000u : 0);
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
