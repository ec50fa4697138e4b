// Pictures of drawn pixels for tests: a surface read back as rows of characters by a legend of
// colours, so that a whole expected picture is written in the test and a failure shows the actual.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "framework/ui/drawing/QeBitmap.h"
#include "framework/ui/drawing/QeDC.h"
#include "platform/graphics/gdi.h"
#include "tests/support/ImageFiles.h"

// The colours pictures are written in: black, red, green, blue, white and magenta.
inline const std::map<char, COLORREF> kPictureColors = {{'.', RGB(0, 0, 0)},     {'R', RGB(255, 0, 0)},
                                                        {'G', RGB(0, 255, 0)},   {'B', RGB(0, 0, 255)},
                                                        {'W', RGB(255, 255, 255)}, {'M', RGB(255, 0, 255)}};

// The characters of kPictureColors by colour.
inline std::map<COLORREF, char> PictureLegend() {
    std::map<COLORREF, char> legend;
    for (const auto& [c, color] : kPictureColors) legend[color] = c;
    return legend;
}

// The colour (0x00BBGGRR) of a pixel of the DC's selected bitmap (24 or 32 bits per pixel);
// CLR_INVALID outside it or without one.
inline COLORREF PixelAt(const QeDC& dc, int x, int y) {
    BitmapPixels pixels = {};
    if (dc.Bitmap() == nullptr || !GetBitmapPixels(dc.Bitmap()->Handle(), &pixels)) return CLR_INVALID;
    if (x < 0 || y < 0 || x >= pixels.width || y >= pixels.height) return CLR_INVALID;
    const BYTE* p = pixels.top + static_cast<std::ptrdiff_t>(y) * pixels.stride + x * (pixels.bitsPerPixel / 8);
    return RGB(p[2], p[1], p[0]);
}

// Each pixel as its legend character, "?" for a colour the legend does not name.
inline std::vector<std::string> Picture(const QeDC& dc, const std::map<COLORREF, char>& legend = PictureLegend()) {
    std::vector<std::string> rows;
    for (int y = 0; y < dc.Height(); ++y) {
        std::string row;
        for (int x = 0; x < dc.Width(); ++x) {
            auto found = legend.find(PixelAt(dc, x, y));
            row += found != legend.end() ? found->second : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

// Writes the picture into the DC's selected bitmap (24 or 32 bits per pixel), each character as
// its colour; the fourth byte of 32-bit pixels gets `alpha`.
inline bool Paint(const QeDC& dc, const std::vector<std::string>& rows,
                  const std::map<char, COLORREF>& colors = kPictureColors, BYTE alpha = 0) {
    BitmapPixels pixels = {};
    if (dc.Bitmap() == nullptr || !GetBitmapPixels(dc.Bitmap()->Handle(), &pixels)) return false;
    for (int y = 0; y < pixels.height && y < static_cast<int>(rows.size()); ++y) {
        for (int x = 0; x < pixels.width && x < static_cast<int>(rows[y].size()); ++x) {
            const COLORREF c = colors.at(rows[y][x]);
            BYTE* p = pixels.top + static_cast<std::ptrdiff_t>(y) * pixels.stride + x * (pixels.bitsPerPixel / 8);
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
            if (pixels.bitsPerPixel == 32) p[3] = alpha;
        }
    }
    return true;
}

// A surface holding the picture.
inline bool MakeSurface(QeSurface& surface, const std::vector<std::string>& rows,
                        const std::map<char, COLORREF>& colors = kPictureColors) {
    return surface.Create(static_cast<int>(rows.at(0).size()), static_cast<int>(rows.size())) &&
           Paint(surface, rows, colors);
}

// A BMP file of the picture: 24 bits, or 32 bits with each pixel's alpha from the same-shaped
// `alphas` ("#" 255, "+" 128, "." 0; none: all 255).
inline std::string PictureBmp(const std::vector<std::string>& rows, int bits = 24,
                              const std::vector<std::string>& alphas = {}) {
    std::vector<std::string> stored;
    for (size_t y = 0; y < rows.size(); ++y) {
        std::string bytes;
        for (size_t x = 0; x < rows[y].size(); ++x) {
            const COLORREF color = kPictureColors.at(rows[y][x]);
            bytes += {static_cast<char>(GetBValue(color)), static_cast<char>(GetGValue(color)),
                      static_cast<char>(GetRValue(color))};
            if (bits == 32) {
                const char a = alphas.empty() ? '#' : alphas[y][x];
                bytes += static_cast<char>(a == '#' ? 255 : a == '+' ? 128 : 0);
            }
        }
        stored.push_back(bytes);
    }
    image_files::Bmp bmp;
    bmp.width = static_cast<int32_t>(rows.at(0).size());
    bmp.height = static_cast<int32_t>(rows.size());
    bmp.bits = static_cast<uint16_t>(bits);
    bmp.pixels = image_files::BmpRows(stored);
    return image_files::BmpFile(bmp);
}
