// A contact sheet of the whole-screen goldens for people to look at: tevrik-sheet GOLDENS OUTPUT
// lays every 480x588 PNG of the folder GOLDENS (in name order, the sheet itself left out) at half
// size under its name on one picture, pages_sheet.png. Like a golden, it goes over the committed
// one (GOLDENS/pages_sheet.png) when TEVRIK_UPDATE_GOLDEN=1, else into the folder OUTPUT.
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/graphics/gdi.h"
#include "platform/system/text.h"

// fontconfig loses a few bytes while it parses the system's font configuration, once per process;
// that is the library's, and would otherwise fail a sanitizer build's run of the sheet.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

constexpr int kWidth = 480, kHeight = 588;  // the screen
constexpr int kColumns = 6, kGap = 8, kLabel = 20;
constexpr int kCellWidth = kWidth / 2 + kGap, kCellHeight = kHeight / 2 + kLabel + kGap;
constexpr uint32_t kGround = 0xD8DCE0;
const char kSheet[] = "pages_sheet";

bool IsScreen(const std::filesystem::path& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    png_image_free(&image);
    return image.width == kWidth && image.height == kHeight;
}

// The screen's picture as 0xRRGGBB words.
bool ReadScreen(const std::filesystem::path& path, std::vector<uint32_t>& pixels) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_BGRA;
    pixels.assign(static_cast<size_t>(kWidth) * kHeight, 0);
    return png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0;
}

// Each 2 x 2 block's rounded mean.
uint32_t HalfPixel(const std::vector<uint32_t>& pixels, int x, int y) {
    uint32_t mean = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        uint32_t sum = 2;
        for (int i = 0; i < 4; ++i) sum += (pixels[static_cast<size_t>((2 * y + i / 2) * kWidth + 2 * x + i % 2)] >> shift) & 0xFF;
        mean |= (sum / 4) << shift;
    }
    return mean;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s GOLDENS OUTPUT\n", argv[0]);
        return 2;
    }
    const std::filesystem::path goldens(argv[1]);
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(goldens)) {
        const std::filesystem::path& path = entry.path();
        if (path.extension() == ".png" && path.stem() != kSheet && IsScreen(path)) files.push_back(path);
    }
    std::sort(files.begin(), files.end());

    // The sheet is a DIB section in a memory DC, so that the names are drawn as the program draws text.
    const int rows = static_cast<int>((files.size() + kColumns - 1) / kColumns);
    const int width = kColumns * kCellWidth + kGap, height = rows * kCellHeight + kGap;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    LOGFONTW description{};
    description.lfHeight = 15;
    HFONT font = CreateFontIndirectW(&description);
    if (bitmap == nullptr || dc == nullptr || font == nullptr) return 1;
    SelectObject(dc, bitmap);
    SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0x1F, 0x2A, 0x33));
    auto* sheet = static_cast<uint32_t*>(bits);
    std::fill(sheet, sheet + width * height, kGround);
    int placed = 0;
    for (const auto& file : files) {
        std::vector<uint32_t> pixels;
        if (!ReadScreen(file, pixels)) return 1;
        const int left = kGap + placed % kColumns * kCellWidth, top = kGap + placed / kColumns * kCellHeight;
        for (int y = 0; y < kHeight / 2; ++y)
            for (int x = 0; x < kWidth / 2; ++x) sheet[(top + kLabel + y) * width + left + x] = HalfPixel(pixels, x, y);
        const std::wstring name = TextUtf8ToWide(file.stem().string());
        const RECT clip{left, top, left + kWidth / 2, top + kLabel};
        ExtTextOutW(dc, left, top + 2, ETO_CLIPPED, &clip, name.c_str(), static_cast<UINT>(name.size()), nullptr);
        ++placed;
    }

    const char* update = std::getenv("TEVRIK_UPDATE_GOLDEN");
    const bool over = update != nullptr && std::strcmp(update, "1") == 0;
    const std::filesystem::path out = (over ? goldens : std::filesystem::path(argv[2])) / (std::string(kSheet) + ".png");
    std::filesystem::create_directories(out.parent_path());
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_BGR;
    std::vector<png_byte> rgb;
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        for (int shift : {0, 8, 16}) rgb.push_back(static_cast<png_byte>(sheet[i] >> shift));
    }
    const bool written = png_image_write_to_file(&image, out.c_str(), 0, rgb.data(), 0, nullptr) != 0;
    DeleteDC(dc);
    DeleteObject(bitmap);
    DeleteObject(font);
    std::printf("%s: %d pictures%s\n", out.c_str(), placed, written ? "" : ", not written");
    return written && placed > 0 ? 0 : 1;
}
