#include "framework/ui/drawing/QeBitmap.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/image/QeDib.h"
#include "framework/ui/drawing/QeGraphicsTypes.h"

namespace {

// The screen DC for as long as one call needs it.
class ScreenDc {
public:
    ScreenDc() : m_dc(GetDC(nullptr)) {}
    ~ScreenDc() {
        if (m_dc != nullptr) ReleaseDC(nullptr, m_dc);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC Get() const { return m_dc; }

private:
    HDC m_dc;
};

// The frame's header block as GDI reads it. Frames of 32 bits lie top row first, which the header
// says with a negative height; every other depth lies bottom row first.
std::vector<uint8_t> InfoOf(const QeDib& dib) {
    std::vector<uint8_t> block(dib.HeaderBlock(), dib.HeaderBlock() + dib.HeaderBlockSize());
    // Room for the one colour entry BITMAPINFO declares, whatever the frame carries.
    if (block.size() < sizeof(BITMAPINFO)) block.resize(sizeof(BITMAPINFO), 0);
    BITMAPINFOHEADER header;
    std::memcpy(&header, block.data(), sizeof(header));
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biHeight = dib.BitsPerPixel() == 32 ? -dib.Height() : dib.Height();
    std::memcpy(block.data(), &header, sizeof(header));
    return block;
}

// One colour channel of 32-bit pixels by its mask, read as 8 bits: wider fields keep their top
// bits, narrower ones are stretched to the full range.
class Channel {
public:
    explicit Channel(uint32_t mask) : m_mask(mask) {
        if (mask == 0) return;
        m_shift = __builtin_ctz(mask);
        m_bits = 32 - __builtin_clz(mask >> m_shift);
    }
    uint32_t Of(uint32_t pixel) const {
        if (m_mask == 0) return 0;
        const uint32_t value = (pixel & m_mask) >> m_shift;
        return m_bits >= 8 ? value >> (m_bits - 8) : value * 255 / ((1u << m_bits) - 1);
    }

private:
    uint32_t m_mask;
    int m_shift = 0;
    int m_bits = 0;
};

// A 32-bit frame premultiplied into top-down rows, so that drawing costs one blend. A bit-field
// frame is read through its masks; its fourth byte is alpha only where no colour mask claims it,
// else the frame is opaque.
void Premultiply(const QeDib& dib, uint8_t* to) {
    const bool fields = dib.Header().biCompression == 3;
    const uint8_t* from = dib.Pixels();
    const size_t bytes = static_cast<size_t>(dib.Stride()) * static_cast<size_t>(dib.Height());
    if (!fields) {
        // The usual frame, byte by byte: the same truncated products, in a loop the compiler
        // vectorises (x / 255 for x up to 255 * 255 is (x + 1 + (x >> 8)) >> 8).
        for (size_t i = 0; i + 4 <= bytes; i += 4) {
            const uint32_t alpha = from[i + 3];
            for (int c = 0; c < 3; ++c) {
                const uint32_t product = from[i + c] * alpha;
                to[i + c] = static_cast<uint8_t>((product + 1 + (product >> 8)) >> 8);
            }
            to[i + 3] = static_cast<uint8_t>(alpha);
        }
        return;
    }
    const uint32_t red = dib.Mask(0), green = dib.Mask(1), blue = dib.Mask(2);
    const Channel channels[3] = {Channel(blue), Channel(green), Channel(red)};
    const bool alphaFree = ((red | green | blue) & 0xFF000000u) == 0;
    for (size_t i = 0; i + 4 <= bytes; i += 4) {
        const uint32_t pixel = static_cast<uint32_t>(from[i] | from[i + 1] << 8 | from[i + 2] << 16) |
                               static_cast<uint32_t>(from[i + 3]) << 24;
        const uint32_t alpha = alphaFree ? pixel >> 24 : 255;
        for (int c = 0; c < 3; ++c) to[i + c] = static_cast<uint8_t>(channels[c].Of(pixel) * alpha / 255);
        to[i + 3] = static_cast<uint8_t>(alpha);
    }
}

// Per-pixel alpha needs the fourth byte: a frame of another depth is made as a device bitmap.
int ModeFor(const QeDib& dib, int mode) {
    return mode == kBitmapPerPixelAlpha && dib.BitsPerPixel() != 32 ? kBitmapDevice : mode;
}

}  // namespace

bool QeBitmap::Adopt(HBITMAP handle, int32_t width, int32_t height, int bitsPerPixel, void* bits) {
    Release();
    if (handle == nullptr) return false;
    m_handle = handle;
    m_width = width;
    m_height = height;
    m_bitsPerPixel = bitsPerPixel;
    m_bits = bits;
    return true;
}

bool QeBitmap::CreateSection(const BITMAPINFO* info, int32_t width, int32_t height, int bitsPerPixel) {
    ScreenDc screen;
    void* bits = nullptr;
    HBITMAP handle = CreateDIBSection(screen.Get(), info, DIB_RGB_COLORS, &bits, nullptr, 0);
    return Adopt(handle, width, height, bitsPerPixel, bits);
}

bool QeBitmap::CreateDibSection(int32_t width, int32_t height, int bitsPerPixel) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFO);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
    info.bmiHeader.biCompression = BI_RGB;
    return CreateSection(&info, width, height, bitsPerPixel);
}

bool QeBitmap::CreateCompatible(int32_t width, int32_t height) {
    ScreenDc screen;
    return Adopt(CreateCompatibleBitmap(screen.Get(), width, height), width, height, kDeviceBitsPerPixel, nullptr);
}

bool QeBitmap::SetDibBits(const BITMAPINFO* info, const void* pixels) {
    if (m_handle == nullptr || info == nullptr || pixels == nullptr) return false;
    ScreenDc screen;
    HDC dc = CreateCompatibleDC(screen.Get());
    if (dc == nullptr) return false;
    HGDIOBJ old = SelectObject(dc, m_handle);
    bool done = false;
    if (old != nullptr) {
        const LONG height = info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight : info->bmiHeader.biHeight;
        done = SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(info->bmiHeader.biWidth), static_cast<DWORD>(height),
                                 0, 0, 0, static_cast<UINT>(height), pixels, info, DIB_RGB_COLORS) != 0;
        SelectObject(dc, old);
    }
    DeleteDC(dc);
    return done;
}

bool QeBitmap::CreateFromDib(const QeDib& dib, int mode) {
    if (!dib.IsCreated()) return false;
    switch (ModeFor(dib, mode)) {
    case kBitmapPerPixelAlpha: {
        if (!CreateDibSection(dib.Width(), dib.Height(), 32)) return false;
        Premultiply(dib, static_cast<uint8_t*>(m_bits));
        return true;
    }
    case kBitmapDibCopy: {
        // The frame's own header, so that its palette and row order come along with the bytes.
        const std::vector<uint8_t> info = InfoOf(dib);
        if (!CreateSection(reinterpret_cast<const BITMAPINFO*>(info.data()), dib.Width(), dib.Height(),
                           dib.BitsPerPixel())) {
            return false;
        }
        std::memcpy(m_bits, dib.Pixels(), static_cast<size_t>(dib.Stride()) * static_cast<size_t>(dib.Height()));
        return true;
    }
    case kBitmapDevice: {
        if (!CreateCompatible(dib.Width(), dib.Height())) return false;
        const std::vector<uint8_t> info = InfoOf(dib);
        if (SetDibBits(reinterpret_cast<const BITMAPINFO*>(info.data()), dib.Pixels())) return true;
        Release();
        return false;
    }
    default:
        return false;
    }
}

void QeBitmap::Release() {
    if (m_handle != nullptr) DeleteObject(m_handle);
    m_handle = nullptr;
    m_bits = nullptr;
    m_width = m_height = 0;
    m_bitsPerPixel = 0;
}

void QeBitmap::Prepare(QeDib& dib, int mode) {
    mode = ModeFor(dib, mode);
    dib.SetPrepared(mode, PreparePixels(dib, mode));
}

uint8_t* QeBitmap::PreparePixels(const QeDib& dib, int mode) {
    if (!dib.IsCreated()) return nullptr;
    const bool premultiplied = mode == kBitmapPerPixelAlpha;
    // The device form is made here only from plain 24-bit rows: opaque BGRX, top row first, as
    // SetDibBits copies them.
    if (!premultiplied && !(mode == kBitmapDevice && dib.BitsPerPixel() == 24 && dib.Header().biCompression == 0)) {
        return nullptr;
    }
    const size_t width = static_cast<size_t>(dib.Width());
    auto* pixels = static_cast<uint8_t*>(std::malloc(width * 4 * static_cast<size_t>(dib.Height())));
    if (pixels == nullptr) return nullptr;
    if (premultiplied) {
        Premultiply(dib, pixels);
        return pixels;
    }
    for (int32_t y = 0; y < dib.Height(); ++y) {
        const uint8_t* from = dib.Row(dib.Height() - 1 - y);
        auto* to = reinterpret_cast<uint32_t*>(pixels + static_cast<size_t>(y) * width * 4);
        for (size_t x = 0; x < width; ++x, from += 3) {
            to[x] = 0xFF000000u | from[0] | static_cast<uint32_t>(from[1]) << 8 | static_cast<uint32_t>(from[2]) << 16;
        }
    }
    return pixels;
}

bool QeBitmap::CreateFromPrepared(QeDib& dib, int mode) {
    mode = ModeFor(dib, mode);
    uint8_t* pixels = dib.TakePrepared(mode);
    if (pixels == nullptr) return false;
    const bool device = mode == kBitmapDevice;
    void* bits = nullptr;
    HBITMAP handle = CreateBitmapOverPixels(dib.Width(), dib.Height(), device, pixels, &bits);
    return Adopt(handle, dib.Width(), dib.Height(), device ? kDeviceBitsPerPixel : 32, bits);
}
