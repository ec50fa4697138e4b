// The blits. pixman copies, stretches, converts and blends; the colour key, which pixman lacks, is
// our own loop, and so is reading formats pixman cannot (palettes of 1 and 4 bits in the DIB bit
// order, unusual masks). Every call works out once which destination pixels have a source pixel and
// draws only those.
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/graphics/gdi_internal.h"

namespace gdi {
namespace {

// One axis of a blit: destination offset u (0 .. extent) samples source pixel Sample(u). For a
// stretch the numbers are pixman's own: a 16.16 step, the centre of the destination pixel carried
// through the transform rounded as pixman rounds, less one unit so that a centre on a border takes
// the pixel before it. The rounded step may carry the last centres of a long stretch past the
// source's far edge; they take its edge pixel (pixman's pad), never the neighbour beyond.
struct Axis {
    long long step = 0x10000;
    long long base = 0;
    long long last = 0;
    long long Sample(long long u) const { return std::min((base + step * u) >> 16, last); }
};

Axis MakeAxis(int src, int srcExtent, int extent) {
    Axis axis;
    axis.last = static_cast<long long>(src) + srcExtent - 1;
    if (srcExtent != extent)
        axis.step = ((static_cast<long long>(srcExtent) << 16) + extent / 2) / extent;
    axis.base = (static_cast<long long>(src) << 16) + ((axis.step * 0x8000 + 0x8000) >> 16) - 1;
    return axis;
}

// The smallest u in [0, extent] whose sample is at least value.
long long FirstAtLeast(const Axis& axis, long long extent, long long value) {
    long long low = 0, high = extent;
    while (low < high) {
        const long long middle = low + (high - low) / 2;
        if (axis.Sample(middle) >= value) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return low;
}

bool FitsStretch(long long v) { return v >= -32767 && v <= 32767; }

bool StandardMasks32(const Bitmap& b) {
    return b.layout.bitsPerPixel == 32 && b.layout.masks[0] == 0xFF0000 && b.layout.masks[1] == 0xFF00 &&
           b.layout.masks[2] == 0xFF;
}

// The colour key in a source's own terms.
struct Keying {
    std::uint32_t colour = 0;  // 0x00RRGGBB as blue, green, red bytes
    std::uint32_t raw = 0;     // for 16 bits and unusual masks: the key cut down to the masks
    std::uint32_t rawMask = 0;
    bool useRaw = false;
};

int LowBit(std::uint32_t mask) { return mask == 0 ? 0 : __builtin_ctz(mask); }
int BitCount(std::uint32_t mask) { return __builtin_popcount(mask); }

Keying MakeKeying(const Bitmap& source, COLORREF key) {
    Keying k;
    k.colour = (static_cast<std::uint32_t>(GetRValue(key)) << 16) | (GetGValue(key) << 8) | GetBValue(key);
    const PixelLayout& l = source.layout;
    k.useRaw = l.bitsPerPixel == 16 || (l.bitsPerPixel == 32 && !StandardMasks32(source));
    k.rawMask = l.masks[0] | l.masks[1] | l.masks[2];
    k.raw = PackColour(l, key) & k.rawMask;
    return k;
}

// A component of n bits widened to 8 by repeating its bits, as pixman widens 5 and 6 bits.
std::uint32_t Widen(std::uint32_t value, int n) {
    if (n == 0) return 0;
    if (n >= 8) return value >> (n - 8);
    std::uint32_t out = 0;
    int filled = 0;
    while (filled < 8) {
        out = (out << n) | value;
        filled += n;
    }
    return out >> (filled - 8);
}

std::uint32_t FromMasks(std::uint32_t raw, const std::uint32_t* masks) {
    std::uint32_t out = 0;
    for (int i = 0; i < 3; ++i)
        out = (out << 8) | Widen((raw & masks[i]) >> LowBit(masks[i]), BitCount(masks[i]));
    return out;
}

// Reads count pixels of row y from x0 as opaque 0xFFRRGGBB; with a key, pixels that match it
// become 0 (transparent).
void ReadRow(const Bitmap& b, int y, int x0, int count, std::uint32_t* out, const Keying* key) {
    const PixelLayout& l = b.layout;
    const BYTE* row = b.Row(y);
    const auto paletteColour = [&l](unsigned index) { return index < l.palette.size() ? l.palette[index] : 0u; };
    for (int i = 0; i < count; ++i) {
        const int x = x0 + i;
        std::uint32_t colour = 0, raw = 0;
        switch (l.bitsPerPixel) {
        case 1:
            colour = paletteColour((row[x >> 3] >> (7 - (x & 7))) & 1);
            break;
        case 4:
            colour = paletteColour((x & 1) != 0 ? row[x >> 1] & 15 : row[x >> 1] >> 4);
            break;
        case 8:
            colour = paletteColour(row[x]);
            break;
        case 16:
            raw = static_cast<std::uint32_t>(row[2 * x]) | (static_cast<std::uint32_t>(row[2 * x + 1]) << 8);
            colour = FromMasks(raw, l.masks);
            break;
        case 24:
            colour = row[3 * x] | (row[3 * x + 1] << 8) | (static_cast<std::uint32_t>(row[3 * x + 2]) << 16);
            break;
        default:
            std::memcpy(&raw, row + 4 * x, 4);
            colour = StandardMasks32(b) ? raw & 0xFFFFFF : FromMasks(raw, l.masks);
            break;
        }
        bool transparent = false;
        if (key != nullptr)
            transparent = key->useRaw ? (raw & key->rawMask) == key->raw : colour == key->colour;
        out[i] = transparent ? 0 : colour | 0xFF000000;
    }
}

// Source pixels ready for pixman: the bitmap itself, or a 32-bit copy of the area that the blit
// samples, placed at (originX, originY).
struct SourceImage {
    pixman_image_t* image = nullptr;
    std::vector<std::uint32_t> store;
    int originX = 0;
    int originY = 0;
    SourceImage() = default;
    SourceImage(const SourceImage&) = delete;
    SourceImage& operator=(const SourceImage&) = delete;
    ~SourceImage() {
        if (image != nullptr) pixman_image_unref(image);
    }
    const std::uint32_t* Row(int y) const {
        return store.data() + static_cast<size_t>(y) * static_cast<size_t>(pixman_image_get_width(image));
    }
};

// A copy of [x0, x1) x [y0, y1) of the source: converted by pixman where it reads the format, by
// ReadRow otherwise and whenever a key has to be applied.
bool CopyArea(const Bitmap& b, int x0, int y0, int x1, int y1, bool alpha, const Keying* key, SourceImage& out) {
    const int w = x1 - x0, h = y1 - y0;
    out.store.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
    out.originX = x0;
    out.originY = y0;
    const pixman_format_code_t format = key != nullptr || alpha ? PIXMAN_a8r8g8b8 : PIXMAN_x8r8g8b8;
    out.image = pixman_image_create_bits(format, w, h, out.store.data(), w * 4);
    if (out.image == nullptr) return false;
    const pixman_format_code_t native = NativeFormat(b, alpha);
    if (key == nullptr && native != 0) {
        pixman_image_t* whole = WrapImage(b, native);
        if (whole == nullptr) return false;
        pixman_image_composite32(PIXMAN_OP_SRC, whole, nullptr, out.image, x0, y0, 0, 0, 0, 0, w, h);
        pixman_image_unref(whole);
        return true;
    }
    for (int y = 0; y < h; ++y) ReadRow(b, y0 + y, x0, w, out.store.data() + static_cast<size_t>(y) * w, key);
    return true;
}

enum class Op { Copy, Key, Blend };

struct Request {
    Op op = Op::Copy;
    COLORREF key = 0;
    BYTE alpha = 255;
    bool perPixel = false;
};

struct Box {
    int x0, y0, x1, y1;
};

// The colour key straight from 32-bit rows into 32-bit rows.
void KeyRow(const std::uint32_t* s, const int* columns, std::uint32_t* d, int count, std::uint32_t key) {
    if (columns != nullptr) {
        for (int i = 0; i < count; ++i) {
            const std::uint32_t p = s[columns[i]];
            if (((p ^ key) & 0xFFFFFF) != 0) d[i] = p;
        }
        return;
    }
    int i = 0;
#if defined(__SSE2__)
    const __m128i low = _mm_set1_epi32(0xFFFFFF), keys = _mm_set1_epi32(static_cast<int>(key));
    for (; i + 4 <= count; i += 4) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i keep = _mm_cmpeq_epi32(_mm_and_si128(p, low), keys);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                         _mm_or_si128(_mm_and_si128(keep, old), _mm_andnot_si128(keep, p)));
    }
#endif
    for (; i < count; ++i)
        if (((s[i] ^ key) & 0xFFFFFF) != 0) d[i] = s[i];
}

bool Draw(Dc& dst, const Bitmap& src, int x, int y, int w, int h, int xs, int ys, int ws, int hs, const Request& r) {
    if (w < 0 || h < 0 || ws < 0 || hs < 0) return false;
    if (w == 0 || h == 0 || ws == 0 || hs == 0) return true;
    Bitmap* target = dst.bitmap;
    if (target == nullptr) return true;  // the screen DC has no pixels
    const bool dibTarget = !target->device;
    const pixman_format_code_t targetFormat = NativeFormat(*target, dibTarget);
    if (targetFormat == 0) return false;
    const bool stretch = w != ws || h != hs;
    if (stretch && !(FitsStretch(x) && FitsStretch(y) && FitsStretch(w) && FitsStretch(h) && FitsStretch(xs) &&
                     FitsStretch(ys) && FitsStretch(ws) && FitsStretch(hs)))
        return false;
    const Axis ax = MakeAxis(xs, ws, w), ay = MakeAxis(ys, hs, h);
    const long long ux0 = FirstAtLeast(ax, w, 0), ux1 = FirstAtLeast(ax, w, src.layout.width);
    const long long uy0 = FirstAtLeast(ay, h, 0), uy1 = FirstAtLeast(ay, h, src.layout.height);
    std::vector<Box> boxes;
    Box bound{0x7FFFFFFF, 0x7FFFFFFF, -0x7FFFFFFF, -0x7FFFFFFF};
    ForEachBox(dst, x + ux0, y + uy0, x + ux1, y + uy1, [&](int x0, int y0, int x1, int y1) {
        boxes.push_back(Box{x0, y0, x1, y1});
        bound = Box{std::min(bound.x0, x0), std::min(bound.y0, y0), std::max(bound.x1, x1), std::max(bound.y1, y1)};
    });
    if (boxes.empty()) return true;

    // The source area that the boxes sample.
    const int sx0 = static_cast<int>(ax.Sample(bound.x0 - static_cast<long long>(x)));
    const int sx1 = static_cast<int>(ax.Sample(bound.x1 - 1 - static_cast<long long>(x))) + 1;
    const int sy0 = static_cast<int>(ay.Sample(bound.y0 - static_cast<long long>(y)));
    const int sy1 = static_cast<int>(ay.Sample(bound.y1 - 1 - static_cast<long long>(y))) + 1;

    // A copy within one bitmap (a scrolled view moving its last frame) moves the rows in place:
    // the bytes are the same format on both sides, and going top down when the rows move up and
    // bottom up when they move down reads each row before it is overwritten.
    if (r.op == Op::Copy && &src == target && !stretch && boxes.size() == 1) {
        const Box& b = boxes.front();
        const int bytes = target->layout.bitsPerPixel / 8;
        const int shiftX = static_cast<int>(xs + (static_cast<long long>(b.x0) - x));
        const int shiftY = static_cast<int>(ys + (static_cast<long long>(b.y0) - y));
        const size_t length = static_cast<size_t>(b.x1 - b.x0) * static_cast<size_t>(bytes);
        const int rows = b.y1 - b.y0;
        if (b.x0 == 0 && shiftX == 0 && length == static_cast<size_t>(target->layout.stride)) {
            // Whole rows lie end to end: one move of the block, whichever way up the rows are stored.
            BYTE* to = std::min(target->Row(b.y0), target->Row(b.y1 - 1));
            const BYTE* from = std::min(target->Row(shiftY), target->Row(shiftY + rows - 1));
            std::memmove(to, from, length * static_cast<size_t>(rows));
            return true;
        }
        const bool down = b.y0 > shiftY;
        for (int i = 0; i < rows; ++i) {
            const int row = down ? b.y1 - 1 - i : b.y0 + i;
            std::memmove(target->Row(row) + static_cast<std::ptrdiff_t>(b.x0) * bytes,
                         target->Row(shiftY + (row - b.y0)) + static_cast<std::ptrdiff_t>(shiftX) * bytes, length);
        }
        return true;
    }

    // Rows of 24 bits copied unscaled into rows of 32: what pixman's general path makes (opaque
    // pixels) in one pass instead of a fetch and a store through a buffer per row. Pictures without
    // alpha, a photograph behind a whole screen among them, are made into bitmaps this way.
    if (r.op == Op::Copy && !stretch && src.layout.bitsPerPixel == 24 && &src != target &&
        (targetFormat == PIXMAN_x8r8g8b8 || targetFormat == PIXMAN_a8r8g8b8)) {
        for (const Box& b : boxes) {
            const std::ptrdiff_t firstColumn = xs + (static_cast<long long>(b.x0) - x);
            for (int row = b.y0; row < b.y1; ++row) {
                const BYTE* from = src.Row(static_cast<int>(ys + (static_cast<long long>(row) - y))) + 3 * firstColumn;
                auto* to = reinterpret_cast<std::uint32_t*>(target->Row(row)) + b.x0;
                for (int i = 0; i < b.x1 - b.x0; ++i, from += 3) {
                    to[i] = 0xFF000000u | from[0] | static_cast<std::uint32_t>(from[1]) << 8 |
                            static_cast<std::uint32_t>(from[2]) << 16;
                }
            }
        }
        return true;
    }

    // A blend that samples one source pixel (the 1 x 1 dimming surface stretched behind a popup)
    // is a solid colour over the destination: pixman's solid paths, not its transformed one. The
    // constant alpha is multiplied in first, rounded as pixman multiplies by a mask.
    if (r.op == Op::Blend && sx1 - sx0 == 1 && sy1 - sy0 == 1) {
        std::uint32_t pixel = 0;
        if (r.perPixel) {
            std::memcpy(&pixel, src.Row(sy0) + 4 * static_cast<std::ptrdiff_t>(sx0), 4);
        } else {
            ReadRow(src, sy0, sx0, 1, &pixel, nullptr);
        }
        const auto part = [&pixel, &r](int shift) {
            const std::uint32_t t = ((pixel >> shift) & 0xFF) * r.alpha + 0x80;
            return static_cast<std::uint16_t>(((t + (t >> 8)) >> 8) * 257);
        };
        const pixman_color_t colour{part(16), part(8), part(0), part(24)};
        pixman_image_t* solid = pixman_image_create_solid_fill(&colour);
        pixman_image_t* destination = WrapImage(*target, targetFormat);
        if (solid != nullptr && destination != nullptr) {
            for (const Box& b : boxes)
                pixman_image_composite32(PIXMAN_OP_OVER, solid, nullptr, destination, 0, 0, 0, 0, b.x0, b.y0,
                                         b.x1 - b.x0, b.y1 - b.y0);
        }
        if (solid != nullptr) pixman_image_unref(solid);
        if (destination != nullptr) pixman_image_unref(destination);
        return solid != nullptr && destination != nullptr;
    }

    const bool alpha = r.perPixel || (r.op == Op::Copy && dibTarget && StandardMasks32(src));
    const bool fastKey = r.op == Op::Key && StandardMasks32(src) && StandardMasks32(*target);
    SourceImage source;
    const pixman_format_code_t native = NativeFormat(src, alpha);
    Keying keying;
    if (r.op == Op::Key) keying = MakeKeying(src, r.key);
    if (fastKey) {
        // Read before writing when source and destination are one bitmap.
        if (&src == target) {
            if (!CopyArea(src, sx0, sy0, sx1, sy1, true, nullptr, source)) return false;
        }
    } else if (r.op == Op::Key || native == 0 || &src == target) {
        if (!CopyArea(src, sx0, sy0, sx1, sy1, alpha, r.op == Op::Key ? &keying : nullptr, source)) return false;
    } else if (stretch) {
        // Only up to the source's far edges, for the pad to hold samples there.
        source.image = pixman_image_create_bits(
            native, static_cast<int>(std::min<long long>(ax.last + 1, src.layout.width)),
            static_cast<int>(std::min<long long>(ay.last + 1, src.layout.height)),
            reinterpret_cast<std::uint32_t*>(src.Row(0)), src.RowStep());
        if (source.image == nullptr) return false;
    } else {
        source.image = WrapImage(src, native);
        if (source.image == nullptr) return false;
    }

    if (fastKey) {
        std::vector<int> columns;
        for (const Box& b : boxes) {
            const int count = b.x1 - b.x0;
            const int firstColumn = static_cast<int>(ax.Sample(b.x0 - static_cast<long long>(x)));
            const int* map = nullptr;
            if (stretch) {
                columns.resize(static_cast<size_t>(count));
                for (int i = 0; i < count; ++i)
                    columns[static_cast<size_t>(i)] =
                        static_cast<int>(ax.Sample(b.x0 + i - static_cast<long long>(x)) - firstColumn);
                map = columns.data();
            }
            for (int row = b.y0; row < b.y1; ++row) {
                const int sy = static_cast<int>(ay.Sample(row - static_cast<long long>(y)));
                const std::uint32_t* s =
                    source.image != nullptr
                        ? source.Row(sy - source.originY) + (firstColumn - source.originX)
                        : reinterpret_cast<const std::uint32_t*>(src.Row(sy)) + firstColumn;
                auto* d = reinterpret_cast<std::uint32_t*>(target->Row(row)) + b.x0;
                KeyRow(s, map, d, count, keying.colour);
            }
        }
        return true;
    }

    pixman_image_t* destination = WrapImage(*target, targetFormat);
    if (destination == nullptr) return false;
    pixman_image_t* mask = nullptr;
    if (r.op == Op::Blend && r.alpha != 255) {
        const pixman_color_t c{0, 0, 0, static_cast<std::uint16_t>(r.alpha * 257)};
        mask = pixman_image_create_solid_fill(&c);
    }
    if (stretch) {
        pixman_transform_t t;
        pixman_transform_init_identity(&t);
        t.matrix[0][0] = static_cast<pixman_fixed_t>(ax.step);
        t.matrix[0][2] = pixman_int_to_fixed(xs - source.originX);
        t.matrix[1][1] = static_cast<pixman_fixed_t>(ay.step);
        t.matrix[1][2] = pixman_int_to_fixed(ys - source.originY);
        pixman_image_set_transform(source.image, &t);
        pixman_image_set_filter(source.image, PIXMAN_FILTER_NEAREST, nullptr, 0);
        pixman_image_set_repeat(source.image, PIXMAN_REPEAT_PAD);
    }
    const pixman_op_t op = r.op == Op::Copy ? PIXMAN_OP_SRC : PIXMAN_OP_OVER;
    for (const Box& b : boxes) {
        // Unstretched, pixman takes source coordinates; stretched, destination offsets that the
        // transform carries into the source.
        const long long srcX = stretch ? b.x0 - x : xs + (static_cast<long long>(b.x0) - x) - source.originX;
        const long long srcY = stretch ? b.y0 - y : ys + (static_cast<long long>(b.y0) - y) - source.originY;
        pixman_image_composite32(op, source.image, mask, destination, static_cast<int>(srcX),
                                 static_cast<int>(srcY), 0, 0, b.x0, b.y0, b.x1 - b.x0, b.y1 - b.y0);
    }
    if (mask != nullptr) pixman_image_unref(mask);
    pixman_image_unref(destination);
    return true;
}

const Bitmap* SourceOf(const void* handle) {
    if (const Dc* dc = FindAs<Dc>(handle, Kind::Dc)) return dc->bitmap;
    return FindAs<Bitmap>(handle, Kind::Bitmap);
}

BOOL Blit(HDC dest, int x, int y, int w, int h, HANDLE source, int xs, int ys, int ws, int hs, const Request& r) {
    std::lock_guard<std::mutex> guard(Lock());
    Dc* d = FindAs<Dc>(dest, Kind::Dc);
    if (d == nullptr) return FALSE;
    const Bitmap* s = SourceOf(source);
    if (s == nullptr) {
        // A DC without pixels (the screen) has no source pixels: nothing changes.
        const Dc* sd = FindAs<Dc>(source, Kind::Dc);
        return sd != nullptr && w >= 0 && h >= 0 && ws >= 0 && hs >= 0 ? TRUE : FALSE;
    }
    return Draw(*d, *s, x, y, w, h, xs, ys, ws, hs, r) ? TRUE : FALSE;
}

}  // namespace
}  // namespace gdi

using namespace gdi;

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int xSrc, int ySrc, DWORD rop) {
    if (rop != SRCCOPY) return FALSE;
    return Blit(dest, x, y, width, height, source, xSrc, ySrc, width, height, Request{});
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int xSrc, int ySrc, int widthSrc,
                int heightSrc, DWORD rop) {
    if (rop != SRCCOPY) return FALSE;
    return Blit(dest, x, y, width, height, source, xSrc, ySrc, widthSrc, heightSrc, Request{});
}

BOOL TransparentImage(HDC dest, int x, int y, int width, int height, HANDLE source, int xSrc, int ySrc, int widthSrc,
                      int heightSrc, COLORREF key) {
    Request r;
    r.op = Op::Key;
    r.key = key;
    return Blit(dest, x, y, width, height, source, xSrc, ySrc, widthSrc, heightSrc, r);
}

BOOL AlphaBlend(HDC dest, int x, int y, int width, int height, HDC source, int xSrc, int ySrc, int widthSrc,
                int heightSrc, BLENDFUNCTION blend) {
    if (blend.BlendOp != AC_SRC_OVER || width < 0 || height < 0 || widthSrc < 0 || heightSrc < 0) return FALSE;
    if ((blend.AlphaFormat & ~AC_SRC_ALPHA) != 0) return FALSE;
    std::lock_guard<std::mutex> guard(Lock());
    Dc* d = FindAs<Dc>(dest, Kind::Dc);
    const Dc* sd = FindAs<Dc>(source, Kind::Dc);
    if (d == nullptr || sd == nullptr || sd->bitmap == nullptr) return FALSE;
    const Bitmap& s = *sd->bitmap;
    if (xSrc < 0 || ySrc < 0 || static_cast<long long>(xSrc) + widthSrc > s.layout.width ||
        static_cast<long long>(ySrc) + heightSrc > s.layout.height)
        return FALSE;
    const bool perPixel = (blend.AlphaFormat & AC_SRC_ALPHA) != 0;
    if (perPixel && (s.device || !StandardMasks32(s))) return FALSE;
    if (&s == d->bitmap) {
        const bool apart = static_cast<long long>(x) + width <= xSrc || static_cast<long long>(xSrc) + widthSrc <= x ||
                           static_cast<long long>(y) + height <= ySrc || static_cast<long long>(ySrc) + heightSrc <= y;
        if (!apart) return FALSE;
    }
    Request r;
    r.op = Op::Blend;
    r.alpha = blend.SourceConstantAlpha;
    r.perPixel = perPixel;
    return Draw(*d, s, x, y, width, height, xSrc, ySrc, widthSrc, heightSrc, r) ? TRUE : FALSE;
}

int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc, UINT startScan,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT usage) {
    std::lock_guard<std::mutex> guard(Lock());
    Dc* d = FindAs<Dc>(dc, Kind::Dc);
    if (d == nullptr || bits == nullptr || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return 0;
    // The lines given, as a bitmap of their own.
    Bitmap view;
    view.ownsBits = false;
    if (!ReadDibHeader(info, usage, view.layout)) return 0;
    const int full = view.layout.height;
    if (lines == 0 || startScan >= static_cast<UINT>(full)) return 0;
    if (lines > static_cast<UINT>(full) - startScan) lines = static_cast<UINT>(full) - startScan;
    view.layout.height = static_cast<int>(lines);
    view.bits = static_cast<BYTE*>(const_cast<void*>(bits));
    // The source rectangle's top in the view's rows (top row 0).
    long long top = 0;
    if (view.layout.topDown) {
        top = static_cast<long long>(ySrc) - startScan;
    } else {
        top = static_cast<long long>(startScan) + lines - ySrc - static_cast<long long>(height);
    }
    if (top < -0x7FFFFFFFLL || top > 0x7FFFFFFFLL) return 0;
    if (!Draw(*d, view, xDest, yDest, static_cast<int>(width), static_cast<int>(height), xSrc, static_cast<int>(top),
              static_cast<int>(width), static_cast<int>(height), Request{}))
        return 0;
    return static_cast<int>(lines);
}
