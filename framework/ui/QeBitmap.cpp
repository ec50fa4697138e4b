#include "framework/ui/QeBitmap.h"


#include "framework/ui/QeGraphicsTypes.h"

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

void QeBitmap::Release() {
    if (m_handle != nullptr) DeleteObject(m_handle);
    m_handle = nullptr;
    m_bits = nullptr;
    m_width = m_height = 0;
    m_bitsPerPixel = 0;
}
