// Speed of what a table row costs to draw through the framework: a per-pixel-alpha icon (one
// blend, its pixels premultiplied at load), a name shortened with "..." to fit its column (also
// one holding a long run of characters without width), and the surface pool's turn at the start of
// each frame. No target of their own: they show where a frame's time goes next to the raster calls
// of bench_gdi.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "framework/ui/drawing/QeGraphics.h"
#include "framework/ui/drawing/QeImage.h"
#include "tests/support/ImageFiles.h"

namespace {

// A 40 x 40 icon of 32-bit pixels with alpha falling off from the middle.
std::string IconBmp() {
    std::vector<std::string> rows;
    for (int y = 0; y < 40; ++y) {
        std::string row;
        for (int x = 0; x < 40; ++x) {
            const int alpha = 255 - 6 * (std::abs(x - 20) + std::abs(y - 20));
            row += {static_cast<char>(200), static_cast<char>(120), static_cast<char>(40),
                    static_cast<char>(alpha < 0 ? 0 : alpha)};
        }
        rows.push_back(row);
    }
    image_files::Bmp bmp;
    bmp.width = 40;
    bmp.height = 40;
    bmp.bits = 32;
    bmp.pixels = image_files::BmpRows(rows);
    return image_files::BmpFile(bmp);
}

void BM_DrawPerPixelIcon(benchmark::State& state) {
    const std::string bytes = IconBmp();
    QeMemoryReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    QeImageKey key;
    key.source = &reader;
    QeImage icon;
    QeSurface row;
    if (!icon.Load(key) || !row.Create(480, 60)) {
        state.SkipWithError("no icon or surface");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(icon.DrawAlphaPerPixel(row, {10, 10, 50, 50}, {0, 0, 0, 0}));
    }
}
BENCHMARK(BM_DrawPerPixelIcon);

// A 480x60 row with a 16-pixel font selected and transparent text; false (and the run skipped)
// when either cannot be made.
bool MakeTextRow(benchmark::State& state, QeSurface& row, QeFont& font) {
    FontKey key;
    key.height = 16;
    if (!row.Create(480, 60) || !font.Create(key)) {
        state.SkipWithError("no surface or font");
        return false;
    }
    row.SelectFont(&font, false);
    row.SetBackMode(1);
    return true;
}

void BM_DrawShortenedName(benchmark::State& state) {
    QeSurface row;
    QeFont font;
    if (!MakeTextRow(state, row, font)) return;
    const std::wstring name = L"김민수 (kim.minsu@example.com) 오늘은 회의 중입니다, 나중에 연락 주세요";
    for (auto _ : state) {
        benchmark::DoNotOptimize(row.DrawText(name, {60, 10, 260, 50}, {0, 0, 480, 60},
                                              kTextLeft | kTextVCenter | kTextEndEllipsis));
    }
}
BENCHMARK(BM_DrawShortenedName);

// A name that just fits its column, then 100,000 characters without width (U+1160) and one more
// syllable: the shortened head lies before the run, which once cost a measure per character.
void BM_DrawShortenedZeroWidthRun(benchmark::State& state) {
    QeSurface row;
    QeFont font;
    if (!MakeTextRow(state, row, font)) return;
    std::wstring head;
    while (row.TextExtent(head + L"가").cx <= 200) head += L"가";
    const std::wstring name = head + std::wstring(100000, L'\x1160') + L"가";
    for (auto _ : state) {
        benchmark::DoNotOptimize(row.DrawText(name, {60, 10, 260, 50}, {0, 0, 480, 60},
                                              kTextLeft | kTextVCenter | kTextEndEllipsis));
    }
}
BENCHMARK(BM_DrawShortenedZeroWidthRun)->Unit(benchmark::kMillisecond);

// Twelve windows of three sizes take their surfaces back at the start of each frame.
void BM_SurfacePoolFrame(benchmark::State& state) {
    if (!QeGraphicsStart()) {
        state.SkipWithError("no graphics");
        QeGraphicsStop();
        return;
    }
    QeSurfacePool& pool = *QeSurfacePool::Instance();
    QeSurface* held[12] = {};
    for (auto _ : state) {
        pool.FlushPending();
        for (int i = 0; i < 12; ++i) held[i] = pool.Acquire(480, 60 * (1 + i % 3), held[i]);
    }
    QeGraphicsStop();
}
BENCHMARK(BM_SurfacePoolFrame);

}  // namespace
