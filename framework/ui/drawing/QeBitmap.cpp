#include "framework/ui/drawing/QeBitmap.h"

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
    if (mode == kBitmapPerPixelAlpha && dib.BitsPerPixel() != 32) mode = kBitmapDevice;
    switch (mode) {
    case kBitmapPerPixelAlpha: {
        if (!CreateDibSection(dib.Width(), dib.Height(), 32)) return false;
        // Premultiplied once here, so that drawing costs one blend.
        const uint8_t* from = dib.Pixels();
        auto* to = static_cast<uint8_t*>(m_bits);
        const size_t bytes = static_cast<size_t>(dib.Stride()) * static_cast<size_t>(dib.Height());
        for (size_t i = 0; i + 4 <= bytes; i += 4) {
            const unsigned alpha = from[i + 3];
            to[i] = static_cast<uint8_t>(from[i] * alpha / 255);
            to[i + 1] = static_cast<uint8_t>(from[i + 1] * alpha / 255);
            to[i + 2] = static_cast<uint8_t>(from[i + 2] * alpha / 255);
            to[i + 3] = static_cast<uint8_t>(alpha);
        }
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
