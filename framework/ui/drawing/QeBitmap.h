// A GDI bitmap that the framework draws from or into, made from scratch or from a decoded frame.
#pragma once

#include <cstdint>

#include "platform/graphics/gdi.h"

class QeDib;

class QeBitmap {
public:
    QeBitmap() = default;
    ~QeBitmap() { Release(); }
    QeBitmap(const QeBitmap&) = delete;
    QeBitmap& operator=(const QeBitmap&) = delete;

    // A top-down DIB section whose pixels stay reachable through Bits().
    bool CreateDibSection(int32_t width, int32_t height, int bitsPerPixel);
    // A bitmap in the screen's format.
    bool CreateCompatible(int32_t width, int32_t height);
    // Copies every row of the DIB into the bitmap through a temporary memory DC.
    bool SetDibBits(const BITMAPINFO* info, const void* pixels);

    // What a decoded frame becomes, by mode: 0 premultiplied 32-bit pixels for per-pixel alpha (a
    // frame of any other depth is made as mode 2; a bit-field frame is read through its masks and
    // is opaque when they claim the fourth byte), 1 a DIB section holding a copy of the frame
    // (its palette and row order kept), 2 a device bitmap. False when the frame has no pixels or
    // the mode is unknown.
    bool CreateFromDib(const QeDib& dib, int mode);
    // The pixels CreateFromDib would make of the frame by the mode, made without a bitmap and kept
    // in the frame (QeDib::SetPrepared), so that any thread may do it ahead. Nothing is kept for a
    // frame whose form is not made this way (palettes, bit fields for a device bitmap, DIB copies).
    static void Prepare(QeDib& dib, int mode);
    // The bitmap over the pixels prepared for the mode, which it takes from the frame; false, with
    // nothing made, when the frame holds none for that mode.
    bool CreateFromPrepared(QeDib& dib, int mode);

    void Release();

    HBITMAP Handle() const { return m_handle; }
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    int BitsPerPixel() const { return m_bitsPerPixel; }
    // The pixels of a DIB section; null for other bitmaps.
    void* Bits() const { return m_bits; }

private:
    // Those pixels in a new std::malloc block, for the mode already settled; null when not made.
    static uint8_t* PreparePixels(const QeDib& dib, int mode);
    bool Adopt(HBITMAP handle, int32_t width, int32_t height, int bitsPerPixel, void* bits);
    bool CreateSection(const BITMAPINFO* info, int32_t width, int32_t height, int bitsPerPixel);

    int32_t m_width = 0;
    int32_t m_height = 0;
    int m_bitsPerPixel = 0;
    HBITMAP m_handle = nullptr;
    void* m_bits = nullptr;
};
