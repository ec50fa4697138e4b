// Decoded bitmaps: one frame in memory as a device-independent bitmap, the decoded image that
// collects the frames of a file, and the decoder family's base.
//
// Rules the drawing code may rely on:
// - A frame's header block starts with the 40-byte info header; the colour masks (compression 1-3)
//   and the palette both start right after it. Frames of 8 bits or fewer always have room for
//   2^bits palette entries (unused ones are zero), whatever biClrUsed says; deeper frames have no
//   palette, so the masks are never overwritten.
// - Rows are stride bytes apart, stride = (width x bits + 31) / 32 x 4. Frames of 32 bits lie top
//   row first; every other depth lies bottom row first.
// - Width and height are 1..16384 and the pixel buffer is at most 64 MiB; a header beyond that is
//   refused before anything is allocated.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

// The 40-byte info header of the BMP format, little-endian, laid out as in the file.
struct QeBitmapInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;  // 0 plain, 1 RLE8, 2 RLE4, 3 bit fields
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
static_assert(sizeof(QeBitmapInfoHeader) == 40);

class QeDib {
public:
    static constexpr int32_t kMaxSide = 16384;
    static constexpr uint64_t kMaxPixelBytes = 64ull << 20;
    static constexpr uint32_t kHeaderSize = 40;

    QeDib() : m_block(kEmptyBlock, 0) {}
    ~QeDib() = default;
    QeDib(const QeDib&) = delete;
    QeDib& operator=(const QeDib&) = delete;

    // Bytes from one row to the next for that width and depth.
    static uint32_t StrideFor(int32_t width, int bits);
    // Whether a frame with this header may be made: size, depth and compression within bounds.
    static bool IsAcceptable(const QeBitmapInfoHeader& header);

    // Takes the header's width, height (positive), depth and compression; biClrUsed is clamped to
    // 2^bits (0 meaning 2^bits) for 8 bits or fewer and made 0 above; biSizeImage = stride x height.
    // The pixels start zeroed.
    bool Create(const QeBitmapInfoHeader& header);
    // The bits are raised to the next of 1, 4, 8, 16, 24, 32.
    bool Create(int32_t width, int32_t height, int bits);
    void Release();
    bool IsCreated() const { return m_pixels != nullptr; }

    const QeBitmapInfoHeader& Header() const;
    QeBitmapInfoHeader& Header();
    // The whole header block: info header, then masks or palette.
    const uint8_t* HeaderBlock() const { return m_block.data(); }
    uint32_t HeaderBlockSize() const { return static_cast<uint32_t>(m_block.size()); }
    // Three masks (red, green, blue), meaningful with compression 3.
    uint32_t Mask(int index) const;
    void SetMasks(const uint32_t masks[3]);
    // Entry i as 4 bytes: blue, green, red, 0. Null above 8 bits.
    uint8_t* Palette();
    const uint8_t* Palette() const;
    uint32_t PaletteRoom() const { return m_paletteRoom; }

    uint8_t* Pixels() { return m_pixels.get(); }
    const uint8_t* Pixels() const { return m_pixels.get(); }
    uint32_t PixelBytes() const { return m_pixelBytes; }
    // Row i in memory order (0 = first row of the buffer).
    uint8_t* Row(int32_t i) { return m_pixels.get() + static_cast<size_t>(i) * m_stride; }
    const uint8_t* Row(int32_t i) const { return m_pixels.get() + static_cast<size_t>(i) * m_stride; }

    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    int BitsPerPixel() const { return m_bits; }
    uint32_t Stride() const { return m_stride; }

    // Palette fillers; each writes at most the palette's room.
    void FillPaletteRgb(const uint8_t* triplets, uint32_t count);
    void FillPaletteBgr(const uint8_t* triplets, uint32_t count);
    // Entry i = 255 x i / (biClrUsed - 1).
    void FillGreyRamp();
    // Swaps row i with row height - 1 - i.
    void FlipRows();

    // Where and how long the frame shows (animated images).
    int Disposal() const { return m_disposal; }
    void SetDisposal(int disposal) { m_disposal = disposal; }
    uint16_t Left() const { return m_left; }
    uint16_t Top() const { return m_top; }
    void SetPosition(uint16_t left, uint16_t top) {
        m_left = left;
        m_top = top;
    }
    int32_t DelayMs() const { return m_delayMs; }
    void SetDelayMs(int32_t delay) { m_delayMs = delay; }
    // -1 when no palette entry is transparent.
    int32_t TransparentIndex() const { return m_transparentIndex; }
    void SetTransparentIndex(int32_t index) { m_transparentIndex = index; }

    // The frame's pixels already in the form a bitmap of that mode holds them, made off the drawing
    // thread into a std::malloc block that the bitmap then takes over; they go with Release.
    void SetPrepared(int mode, uint8_t* pixels) {
        m_prepared.reset(pixels);
        m_preparedMode = pixels != nullptr ? mode : -1;
    }
    // The prepared pixels when they are of that mode, now the caller's; else null.
    uint8_t* TakePrepared(int mode) {
        if (mode != m_preparedMode) return nullptr;
        m_preparedMode = -1;
        return m_prepared.release();
    }

private:
    // The header and the mask room, zero until created.
    static constexpr uint32_t kEmptyBlock = kHeaderSize + 12;

    std::vector<uint8_t> m_block;
    std::unique_ptr<uint8_t[]> m_pixels;
    uint32_t m_pixelBytes = 0;
    uint32_t m_paletteRoom = 0;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int m_bits = 0;
    uint32_t m_stride = 0;
    int m_disposal = 0;
    uint16_t m_left = 0;
    uint16_t m_top = 0;
    int32_t m_delayMs = 0;
    int32_t m_transparentIndex = -1;
    // Pixels made ahead in a bitmap's own form (see SetPrepared); freed with std::free.
    std::unique_ptr<uint8_t, void (*)(void*)> m_prepared{nullptr, &std::free};
    int m_preparedMode = -1;
};

using QeDibList = std::vector<std::unique_ptr<QeDib>>;

// Deletes every frame and empties the list.
void DeleteAllAndClear(QeDibList& frames);
