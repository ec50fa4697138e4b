// The main window's framebuffer read back as a picture of square cells for tests through the real
// loop: every window lies on the cell grid and each cell is written as the character of its centre
// pixel. Upper case letters are the plain colours, lower case the same dimmed behind a popup.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/graphics/gdi.h"
#include "platform/screen/presenter.h"

using Cells = std::vector<std::string>;

// The back buffer's colour 0x080808 blended over a colour at alpha 128, with pixman's rounding.
inline COLORREF Dimmed(COLORREF c) {
    auto mul = [](int a, int b) {
        const int t = a * b + 128;
        return (t + (t >> 8)) >> 8;
    };
    auto channel = [&](int v) { return static_cast<BYTE>(mul(8, 128) + mul(v, 255 - 128)); };
    return RGB(channel(GetRValue(c)), channel(GetGValue(c)), channel(GetBValue(c)));
}

// White, red, green, blue, yellow and magenta, plain and dimmed.
inline const std::map<COLORREF, char>& CellLegend() {
    static const std::map<COLORREF, char> legend = [] {
        std::map<COLORREF, char> l;
        for (auto [c, color] : {std::pair{'W', RGB(255, 255, 255)}, {'R', RGB(255, 0, 0)}, {'G', RGB(0, 255, 0)},
                                {'B', RGB(0, 0, 255)}, {'Y', RGB(255, 255, 0)}, {'M', RGB(255, 0, 255)}}) {
            l[color] = c;
            l[Dimmed(color)] = static_cast<char>(c - 'A' + 'a');
        }
        return l;
    }();
    return legend;
}

// The framebuffer's top-left width x height pixels, one character per cell; "?" for a colour the
// legend does not name.
inline Cells ScreenCells(HWND window, int width, int height, int cell) {
    Cells rows;
    for (int y = cell / 2; y < height; y += cell) {
        std::string row;
        for (int x = cell / 2; x < width; x += cell) {
            auto found = CellLegend().find(FramebufferPixel(window, x, y));
            row += found != CellLegend().end() ? found->second : '?';
        }
        rows.push_back(row);
    }
    return rows;
}
