#include "framework/image/QeDib.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

int RaiseBits(int bits) {
    if (bits < 2) return 1;
    if (bits < 5) return 4;
    if (bits < 9) return 8;
    if (bits < 17) return 16;
    if (bits < 25) return 24;
    return 32;
}

bool IsDibDepth(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Run-length data only fits its own depth, and masks only the two depths that have them.
bool CompressionFitsDepth(uint32_t compression, int bits) {
    switch (compression) {
        case 0: return true;
        case 1: return bits == 8;
        case 2: return bits == 4;
        case 3: return bits == 16 || bits == 32;
        default: return false;
    }
}

}  // namespace

uint32_t QeDib::StrideFor(int32_t width, int bits) {
    return static_cast<uint32_t>((static_cast<uint64_t>(width) * static_cast<uint64_t>(bits) + 31) / 32 * 4);
}

bool QeDib::IsAcceptable(const QeBitmapInfoHeader& header) {
    if (header.biWidth <= 0 || header.biWidth > kMaxSide) return false;
    if (header.biHeight <= 0 || header.biHeight > kMaxSide) return false;
    if (!IsDibDepth(header.biBitCount)) return false;
    if (!CompressionFitsDepth(header.biCompression, header.biBitCount)) return false;
    const uint64_t bytes = static_cast<uint64_t>(StrideFor(header.biWidth, header.biBitCount)) * header.biHeight;
    return bytes <= kMaxPixelBytes;
}

bool QeDib::Create(const QeBitmapInfoHeader& header) {
    Release();
    if (!IsAcceptable(header)) return false;
    const int bits = header.biBitCount;
    const uint32_t room = bits <= 8 ? 1u << bits : 0;
    const uint32_t stride = StrideFor(header.biWidth, bits);
    const uint32_t bytes = stride * static_cast<uint32_t>(header.biHeight);

    m_pixels.reset(new (std::nothrow) uint8_t[bytes]());
    if (m_pixels == nullptr) return false;
    m_block.assign(kHeaderSize + std::max<uint32_t>(12, 4 * room), 0);
    QeBitmapInfoHeader& kept = Header();
    kept = header;
    kept.biSize = kHeaderSize;
    kept.biSizeImage = bytes;
    kept.biClrUsed = (header.biClrUsed == 0 || header.biClrUsed > room) ? room : header.biClrUsed;
    kept.biClrImportant = std::min(header.biClrImportant, kept.biClrUsed);
    m_pixelBytes = bytes;
    m_paletteRoom = room;
    m_width = header.biWidth;
    m_height = header.biHeight;
    m_bits = bits;
    m_stride = stride;
    return true;
}

bool QeDib::Create(int32_t width, int32_t height, int bits) {
    QeBitmapInfoHeader header{};
    header.biSize = kHeaderSize;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<uint16_t>(RaiseBits(bits));
    if (header.biBitCount <= 8) header.biClrUsed = header.biClrImportant = 1u << header.biBitCount;
    return Create(header);
}

void QeDib::Release() {
    m_block.assign(kEmptyBlock, 0);
    m_pixels.reset();
    SetPrepared(-1, nullptr);
    m_pixelBytes = 0;
    m_paletteRoom = 0;
    m_width = m_height = 0;
    m_bits = 0;
    m_stride = 0;
}

const QeBitmapInfoHeader& QeDib::Header() const {
    return *reinterpret_cast<const QeBitmapInfoHeader*>(m_block.data());
}

QeBitmapInfoHeader& QeDib::Header() { return *reinterpret_cast<QeBitmapInfoHeader*>(m_block.data()); }

uint32_t QeDib::Mask(int index) const {
    if (index < 0 || index > 2) return 0;
    uint32_t mask;
    std::memcpy(&mask, m_block.data() + kHeaderSize + 4 * index, 4);
    return mask;
}

void QeDib::SetMasks(const uint32_t masks[3]) {
    std::memcpy(m_block.data() + kHeaderSize, masks, 12);
}

uint8_t* QeDib::Palette() { return m_paletteRoom == 0 ? nullptr : m_block.data() + kHeaderSize; }

const uint8_t* QeDib::Palette() const { return m_paletteRoom == 0 ? nullptr : m_block.data() + kHeaderSize; }

void QeDib::FillPaletteRgb(const uint8_t* triplets, uint32_t count) {
    uint8_t* out = Palette();
    count = std::min(count, m_paletteRoom);
    for (uint32_t i = 0; i < count; ++i, out += 4, triplets += 3) {
        out[0] = triplets[2];
        out[1] = triplets[1];
        out[2] = triplets[0];
        out[3] = 0;
    }
}

void QeDib::FillPaletteBgr(const uint8_t* triplets, uint32_t count) {
    uint8_t* out = Palette();
    count = std::min(count, m_paletteRoom);
    for (uint32_t i = 0; i < count; ++i, out += 4, triplets += 3) {
        std::memcpy(out, triplets, 3);
        out[3] = 0;
    }
}

void QeDib::FillGreyRamp() {
    uint8_t* out = Palette();
    const uint32_t count = std::min(Header().biClrUsed, m_paletteRoom);
    for (uint32_t i = 0; i < count; ++i, out += 4) {
        const auto level = static_cast<uint8_t>(count > 1 ? 255 * i / (count - 1) : 0);
        out[0] = out[1] = out[2] = level;
        out[3] = 0;
    }
}

void QeDib::FlipRows() {
    if (m_pixels == nullptr) return;
    std::vector<uint8_t> spare(m_stride);
    for (int32_t top = 0, bottom = m_height - 1; top < bottom; ++top, --bottom) {
        std::memcpy(spare.data(), Row(top), m_stride);
        std::memcpy(Row(top), Row(bottom), m_stride);
        std::memcpy(Row(bottom), spare.data(), m_stride);
    }
}

void DeleteAllAndClear(QeDibList& frames) { frames.clear(); }
