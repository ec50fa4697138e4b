// What the parts of the raster stand-in share: the object table behind the handles, the bitmap
// record and the lock. Only platform/gdi*.cpp include this.
#pragma once

#include <pixman.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/graphics/gdi.h"

namespace gdi {

enum class Kind : std::uint8_t { Dc, Bitmap, Font, Brush };

struct Dc;

struct Object {
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    Kind kind;
    std::uintptr_t handle = 0;
    int selections = 0;    // DCs holding it
    bool deleted = false;  // DeleteObject came while selected: freed at the last deselection
    bool stock = false;
};

// How a bitmap's bytes read. Every bitmap, device ones included, is described by one of these.
struct PixelLayout {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    int stride = 0;  // bytes per row, always positive
    bool topDown = true;
    std::uint32_t masks[3] = {0, 0, 0};  // red, green, blue for 16 and 32 bits
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB in memory order B, G, R, 0
};

struct Bitmap : Object {
    Bitmap() : Object(Kind::Bitmap) {}
    ~Bitmap() override;
    PixelLayout layout;
    bool device = false;  // a compatible bitmap: BGRX, the fourth byte means nothing
    BYTE* bits = nullptr;
    bool ownsBits = true;
    Dc* selectedIn = nullptr;
    unsigned long long draws = 0;  // drawing operations that reached the pixels (GetDrawCount)

    BYTE* Row(int y) const {
        return layout.topDown ? bits + static_cast<std::ptrdiff_t>(y) * layout.stride
                              : bits + static_cast<std::ptrdiff_t>(layout.height - 1 - y) * layout.stride;
    }
    // The stride from one row to the next one down.
    int RowStep() const { return layout.topDown ? layout.stride : -layout.stride; }
};

struct Brush : Object {
    Brush() : Object(Kind::Brush) {}
    COLORREF colour = 0;
    bool hollow = false;
};

enum class DcKind { Screen, Memory, Paint };

struct Dc : Object {
    Dc() : Object(Kind::Dc) {}
    ~Dc() override;
    DcKind dcKind = DcKind::Memory;
    HWND window = nullptr;  // given for a window by GetDC
    Bitmap* bitmap = nullptr;
    Object* font = nullptr;
    Brush* brush = nullptr;
    int bkMode = OPAQUE;
    COLORREF bkColour = 0xFFFFFF;
    COLORREF textColour = 0;
    bool clipped = false;  // a paint DC: only inside clip
    pixman_region32_t clip;
    bool limited = false;  // SetClipRect: only inside limit as well
    RECT limit = {0, 0, 0, 0};
};

std::mutex& Lock();
std::uintptr_t Register(std::unique_ptr<Object> object);
Object* Find(const void* handle);
template <class T>
T* FindAs(const void* handle, Kind kind) {
    Object* o = Find(handle);
    return o != nullptr && o->kind == kind && !o->deleted ? static_cast<T*>(o) : nullptr;
}
void Selected(Object* object);
void Deselected(Object* object);

// Fills the layout from a DIB header (see CreateDIBSection); false for what is refused.
bool ReadDibHeader(const BITMAPINFO* info, UINT usage, PixelLayout& layout);

// The pixman format that reads the layout's bytes as they are, or 0 (palettes, unusual masks).
// withAlpha: 32-bit pixels carry alpha in their fourth byte.
pixman_format_code_t NativeFormat(const Bitmap& bitmap, bool withAlpha);

// Calls f(x0, y0, x1, y1) for each part of the rectangle that the DC may draw on: inside its
// bitmap, its clip rectangle and, for a paint DC, its region.
template <class F>
void ForEachBox(const Dc& dc, long long x0, long long y0, long long x1, long long y1, F&& f) {
    if (dc.bitmap == nullptr) return;
    if (dc.limited) {
        x0 = std::max<long long>(x0, dc.limit.left);
        y0 = std::max<long long>(y0, dc.limit.top);
        x1 = std::min<long long>(x1, dc.limit.right);
        y1 = std::min<long long>(y1, dc.limit.bottom);
    }
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    if (x1 > dc.bitmap->layout.width) x1 = dc.bitmap->layout.width;
    if (y1 > dc.bitmap->layout.height) y1 = dc.bitmap->layout.height;
    if (x0 >= x1 || y0 >= y1) return;
    if (!dc.clipped) {
        ++dc.bitmap->draws;
        f(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1), static_cast<int>(y1));
        return;
    }
    int count = 0;
    const pixman_box32_t* boxes = pixman_region32_rectangles(const_cast<pixman_region32_t*>(&dc.clip), &count);
    bool drawn = false;
    for (int i = 0; i < count; ++i) {
        const long long bx0 = std::max<long long>(x0, boxes[i].x1), by0 = std::max<long long>(y0, boxes[i].y1);
        const long long bx1 = std::min<long long>(x1, boxes[i].x2), by1 = std::min<long long>(y1, boxes[i].y2);
        if (bx0 < bx1 && by0 < by1) {
            drawn = true;
            f(static_cast<int>(bx0), static_cast<int>(by0), static_cast<int>(bx1), static_cast<int>(by1));
        }
    }
    if (drawn) ++dc.bitmap->draws;
}

// The colour as a pixel of a 16-, 24- or 32-bit layout, each component cut down (or widened) to its
// mask; the unused byte of 32-bit pixels is 0xFF.
std::uint32_t PackColour(const PixelLayout& layout, COLORREF colour);

// A pixman image over the bitmap's own bytes in the given format; unref when done.
pixman_image_t* WrapImage(const Bitmap& bitmap, pixman_format_code_t format);

// A font object for the description; its face is found when first needed (gdi_text.cpp).
std::unique_ptr<Object> MakeFont(const LOGFONTW& description);

// Solid fill of the DC's drawable parts of [x0, x1) x [y0, y1); false for a palette bitmap.
bool FillSolid(Dc& dc, long long x0, long long y0, long long x1, long long y1, COLORREF colour);

}  // namespace gdi
