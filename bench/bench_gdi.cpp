// Speed of the raster stand-in on a full 480 x 588 client area, each of our calls beside pixman
// doing the same work directly (the "Pixman" runs). Targets: copy and both blends within 1.5 times
// pixman's own time; the colour-keyed blit at least half as fast as pixman's per-pixel alpha blend
// (BM_PixmanPerPixelAlpha); a 40-character mixed Korean and Latin line under 20 microseconds once its
// glyphs are cached.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/graphics/gdi.h"

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 588;

// A memory DC with a bitmap of the screen's size: a device bitmap, or a 32-bit DIB section of
// premultiplied pixels.
struct Surface {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    BitmapPixels pixels{};

    explicit Surface(bool dib) {
        dc = CreateCompatibleDC(nullptr);
        if (dib) {
            BITMAPINFO info{};
            info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
            info.bmiHeader.biWidth = kWidth;
            info.bmiHeader.biHeight = -kHeight;
            info.bmiHeader.biBitCount = 32;
            void* bits = nullptr;
            bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        } else {
            bitmap = CreateCompatibleBitmap(dc, kWidth, kHeight);
        }
        old = SelectObject(dc, bitmap);
        GetBitmapPixels(bitmap, &pixels);
    }
    ~Surface() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    std::uint32_t* Row(int y) const { return reinterpret_cast<std::uint32_t*>(pixels.top + y * pixels.stride); }

    // Varied colours; with alpha, premultiplied pixels of every opacity; keyed, one pixel in four
    // (in runs) is magenta.
    void Fill(bool alpha, bool keyed) {
        std::uint32_t seed = 12345;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                seed = seed * 1664525 + 1013904223;
                std::uint32_t p = seed >> 8;
                if (alpha) {
                    const std::uint32_t a = (x + y) & 0xFF;
                    p = (a << 24) | ((((p >> 16) & 0xFF) * a / 255) << 16) | ((((p >> 8) & 0xFF) * a / 255) << 8) |
                        ((p & 0xFF) * a / 255);
                }
                if (keyed && ((x / 8 + y) & 3) == 0) p = 0xFF00FF;
                Row(y)[x] = p;
            }
    }
    pixman_image_t* Image(pixman_format_code_t format) const {
        return pixman_image_create_bits(format, kWidth, kHeight, reinterpret_cast<std::uint32_t*>(pixels.top),
                                        pixels.stride);
    }
};

// The source kinds: device pixels, premultiplied pixels in a DIB section, device pixels with runs of
// the colour key.
enum class Source { Plain, Premultiplied, Keyed };

// Times one of our calls on a full client area.
template <class Draw>
void Ours(benchmark::State& state, Source kind, Draw draw) {
    Surface source(kind == Source::Premultiplied), target(false);
    source.Fill(kind == Source::Premultiplied, kind == Source::Keyed);
    for (auto _ : state) draw(target.dc, source.dc);
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

// Times pixman doing the same work on the same pixels; alpha < 255 adds a constant-alpha mask.
void Pixman(benchmark::State& state, Source kind, pixman_op_t op, int alpha) {
    Surface source(kind == Source::Premultiplied), target(false);
    source.Fill(kind == Source::Premultiplied, false);
    pixman_image_t* s = source.Image(kind == Source::Premultiplied ? PIXMAN_a8r8g8b8 : PIXMAN_x8r8g8b8);
    pixman_image_t* d = target.Image(PIXMAN_x8r8g8b8);
    const pixman_color_t constant{0, 0, 0, static_cast<std::uint16_t>(alpha * 257)};
    pixman_image_t* m = alpha < 255 ? pixman_image_create_solid_fill(&constant) : nullptr;
    for (auto _ : state) pixman_image_composite32(op, s, m, d, 0, 0, 0, 0, 0, 0, kWidth, kHeight);
    if (m != nullptr) pixman_image_unref(m);
    pixman_image_unref(s);
    pixman_image_unref(d);
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_BitBlt(benchmark::State& state) {
    Ours(state, Source::Plain, [](HDC d, HDC s) { BitBlt(d, 0, 0, kWidth, kHeight, s, 0, 0, SRCCOPY); });
}
BENCHMARK(BM_BitBlt);

void BM_PixmanCopy(benchmark::State& state) { Pixman(state, Source::Plain, PIXMAN_OP_SRC, 255); }
BENCHMARK(BM_PixmanCopy);

void BM_AlphaBlendConstant(benchmark::State& state) {
    Ours(state, Source::Plain, [](HDC d, HDC s) {
        AlphaBlend(d, 0, 0, kWidth, kHeight, s, 0, 0, kWidth, kHeight, BLENDFUNCTION{AC_SRC_OVER, 0, 128, 0});
    });
}
BENCHMARK(BM_AlphaBlendConstant);

void BM_PixmanConstantAlpha(benchmark::State& state) { Pixman(state, Source::Plain, PIXMAN_OP_OVER, 128); }
BENCHMARK(BM_PixmanConstantAlpha);

void BM_AlphaBlendPerPixel(benchmark::State& state) {
    Ours(state, Source::Premultiplied, [](HDC d, HDC s) {
        AlphaBlend(d, 0, 0, kWidth, kHeight, s, 0, 0, kWidth, kHeight, BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA});
    });
}
BENCHMARK(BM_AlphaBlendPerPixel);

void BM_PixmanPerPixelAlpha(benchmark::State& state) { Pixman(state, Source::Premultiplied, PIXMAN_OP_OVER, 255); }
BENCHMARK(BM_PixmanPerPixelAlpha);

void BM_TransparentImage(benchmark::State& state) {
    Ours(state, Source::Keyed, [](HDC d, HDC s) {
        TransparentImage(d, 0, 0, kWidth, kHeight, s, 0, 0, kWidth, kHeight, RGB(0xFF, 0, 0xFF));
    });
}
BENCHMARK(BM_TransparentImage);

void BM_ExtTextOutLine(benchmark::State& state) {
    Surface target(false);
    LOGFONTW description{};
    description.lfHeight = 20;
    HFONT font = CreateFontIndirectW(&description);
    HGDIOBJ old = SelectObject(target.dc, font);
    SetBkMode(target.dc, TRANSPARENT);
    const std::wstring line = L"안녕하세요 Tevrik 메신저입니다, chat 0123 대화방에서 ok!";
    if (line.size() != 40) state.SkipWithError("the line is not 40 characters");
    ExtTextOutW(target.dc, 4, 100, 0, nullptr, line.c_str(), static_cast<UINT>(line.size()), nullptr);  // caches
    for (auto _ : state)
        ExtTextOutW(target.dc, 4, 100, 0, nullptr, line.c_str(), static_cast<UINT>(line.size()), nullptr);
    SelectObject(target.dc, old);
    DeleteObject(font);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(line.size()));
}
BENCHMARK(BM_ExtTextOutLine)->Unit(benchmark::kMicrosecond);

}  // namespace
