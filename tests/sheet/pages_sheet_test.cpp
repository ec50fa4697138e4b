// The look at a glance: every golden of the whole screen, halved and named, on one picture,
// tests/golden/pages_sheet.png. It is only written, never compared (with TEVRIK_UPDATE_GOLDEN=1 over
// the committed sheet, else into golden-output/), and CTest runs it once the tests that draw those
// goldens have run, so that the update command makes it from the goldens it has just written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/graphics/gdi.h"
#include "platform/system/text.h"
#include "tests/support/Golden.h"

namespace {

constexpr int kScreenWidth = 480;
constexpr int kScreenHeight = 588;
constexpr int kColumns = 6;
constexpr int kGap = 8;
constexpr int kLabel = 20;
constexpr int kCellWidth = kScreenWidth / 2 + kGap;
constexpr int kCellHeight = kScreenHeight / 2 + kLabel + kGap;
constexpr uint32_t kGround = 0xD8DCE0;

// Each 2 x 2 block of the picture as the rounded mean of its four pixels.
std::vector<uint32_t> Halved(const GoldenPicture& picture) {
    std::vector<uint32_t> half;
    for (int y = 0; y + 1 < picture.height; y += 2) {
        for (int x = 0; x + 1 < picture.width; x += 2) {
            uint32_t mean = 0;
            for (int shift = 0; shift <= 16; shift += 8) {
                uint32_t sum = 2;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        sum += (picture.pixels[static_cast<size_t>((y + dy) * picture.width + x + dx)] >> shift) & 0xFF;
                mean |= (sum / 4) << shift;
            }
            half.push_back(mean);
        }
    }
    return half;
}

// A 32-bit top-down DIB section selected into a memory DC, for the names.
struct Sheet {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    uint32_t* pixels = nullptr;
    int width, height;

    Sheet(int w, int h) : width(w), height(h) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels = static_cast<uint32_t*>(bits);
        if (bitmap != nullptr) SelectObject(dc, bitmap);
    }
    ~Sheet() {
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    void Label(int x, int y, const std::wstring& text) {
        LOGFONTW description{};
        description.lfHeight = 15;
        HFONT font = CreateFontIndirectW(&description);
        HGDIOBJ old = SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0x1F, 0x2A, 0x33));
        const RECT clip{x, y, x + kScreenWidth / 2, y + kLabel};
        ExtTextOutW(dc, x, y + 2, ETO_CLIPPED, &clip, text.c_str(), static_cast<UINT>(text.size()), nullptr);
        SelectObject(dc, old);
        DeleteObject(font);
    }
};

}  // namespace

TEST(PagesSheet, EveryScreenGoldenHalvedOnOnePicture) {
    std::vector<std::string> names;
    const std::filesystem::path folder = std::filesystem::path(GoldenPath("pages_sheet")).parent_path();
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().stem().string();
        GoldenPicture picture;
        if (entry.path().extension() == ".png" && name != "pages_sheet" && ReadPng(entry.path().string(), picture) &&
            picture.width == kScreenWidth && picture.height == kScreenHeight) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    ASSERT_GT(names.size(), 40u);

    const int rows = static_cast<int>((names.size() + kColumns - 1) / kColumns);
    Sheet sheet(kColumns * kCellWidth + kGap, rows * kCellHeight + kGap);
    ASSERT_NE(sheet.pixels, nullptr);
    std::fill(sheet.pixels, sheet.pixels + sheet.width * sheet.height, kGround);
    for (size_t i = 0; i < names.size(); ++i) {
        GoldenPicture picture;
        ASSERT_TRUE(ReadPng(GoldenPath(names[i]), picture)) << names[i];
        const std::vector<uint32_t> half = Halved(picture);
        const int left = kGap + static_cast<int>(i % kColumns) * kCellWidth;
        const int top = kGap + static_cast<int>(i / kColumns) * kCellHeight;
        for (int y = 0; y < kScreenHeight / 2; ++y) {
            std::memcpy(sheet.pixels + (top + kLabel + y) * sheet.width + left,
                        half.data() + static_cast<size_t>(y) * (kScreenWidth / 2), sizeof(uint32_t) * (kScreenWidth / 2));
        }
        sheet.Label(left, top, TextUtf8ToWide(names[i]));
    }

    GoldenPicture out{sheet.width, sheet.height, {}};
    for (int i = 0; i < sheet.width * sheet.height; ++i) out.pixels.push_back(sheet.pixels[i] & 0xFFFFFF);
    const std::string path = LookedAtPicturePath("pages_sheet");
    EXPECT_TRUE(WritePng(path, out)) << path;
}
