#include "framework/image/QeBmpDecoder.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

#include "framework/base/QeStream.h"

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16) | static_cast<uint32_t>(p[3]) << 24;
}

// Seeks to base + offset, refusing positions the stream's signed offsets cannot reach.
bool SeekFrom(QeStream& stream, uint32_t base, uint64_t offset) {
    const uint64_t target = base + offset;
    if (target > INT32_MAX) return false;
    return stream.Seek(static_cast<int32_t>(target), 0);
}

// Run-length data is read a pair at a time; a buffer keeps that off the stream's virtual calls.
class ByteSource {
public:
    explicit ByteSource(QeStream& stream) : m_stream(stream) {}

    bool Next(uint8_t& byte) {
        if (m_next == m_end && !Refill()) return false;
        byte = *m_next++;
        return true;
    }
    bool Read(uint8_t* out, uint32_t n) {
        for (uint32_t i = 0; i < n; ++i)
            if (!Next(out[i])) return false;
        return true;
    }

private:
    bool Refill() {
        m_stream.Read(m_buffer, sizeof(m_buffer));
        m_next = m_buffer;
        m_end = m_buffer + m_stream.LastCount();
        return m_next != m_end;
    }

    QeStream& m_stream;
    uint8_t m_buffer[4096];
    const uint8_t* m_next = m_buffer;
    const uint8_t* m_end = m_buffer;
};

// The pixel writers of the two run-length depths; x counts pixels, and pixels at or past the row's
// end are dropped.
struct Rle8Row {
    static void Run(uint8_t* line, int32_t x, int32_t width, uint32_t count, uint8_t value) {
        if (x < width) std::memset(line + x, value, std::min<int64_t>(count, width - x));
    }
    static void Absolute(uint8_t* line, int32_t x, int32_t width, const uint8_t* data, uint32_t count) {
        if (x < width) std::memcpy(line + x, data, std::min<int64_t>(count, width - x));
    }
    static uint32_t AbsoluteBytes(uint32_t count) { return count; }
};

struct Rle4Row {
    static void Put(uint8_t* line, int32_t x, uint8_t nibble) {
        uint8_t& byte = line[x / 2];
        if (x % 2 == 0)
            byte = static_cast<uint8_t>(nibble << 4);
        else
            byte = static_cast<uint8_t>(byte | nibble);
    }
    static void Run(uint8_t* line, int32_t x, int32_t width, uint32_t count, uint8_t value) {
        const int64_t end = std::min<int64_t>(x + static_cast<int64_t>(count), width);
        for (int32_t i = 0; x + i < end; ++i) Put(line, x + i, i % 2 == 0 ? value >> 4 : value & 0x0F);
    }
    static void Absolute(uint8_t* line, int32_t x, int32_t width, const uint8_t* data, uint32_t count) {
        const int64_t end = std::min<int64_t>(x + static_cast<int64_t>(count), width);
        for (int32_t i = 0; x + i < end; ++i) Put(line, x + i, i % 2 == 0 ? data[i / 2] >> 4 : data[i / 2] & 0x0F);
    }
    static uint32_t AbsoluteBytes(uint32_t count) { return (count + 1) / 2; }
};

// Pairs of (count, value): a run, or after a zero count an escape: 0 end of line, 1 end of bitmap,
// 2 delta, n >= 3 an absolute run padded to an even byte count. Rows start at the first row in
// memory.
template <typename Writer>
bool ExpandRle(QeStream& stream, QeDib& frame) {
    ByteSource source(stream);
    const int32_t width = frame.Width();
    const int32_t height = frame.Height();
    int32_t row = 0;
    int32_t x = 0;
    uint8_t* line = frame.Row(0);
    uint8_t literal[256];
    bool ended = false;
    while (!ended) {
        uint8_t count;
        uint8_t value;
        if (!source.Next(count) || !source.Next(value)) return false;
        if (count > 0) {
            Writer::Run(line, x, width, count, value);
            x = static_cast<int32_t>(std::min<int64_t>(x + static_cast<int64_t>(count), width));
            continue;
        }
        switch (value) {
            case 0:
                x = 0;
                ended = ++row >= height;
                break;
            case 1:
                ended = true;
                break;
            case 2: {
                uint8_t dx;
                uint8_t dy;
                if (!source.Next(dx) || !source.Next(dy)) return false;
                x = std::min(x + dx, width);
                row += dy;
                ended = row >= height;
                break;
            }
            default: {
                const uint32_t bytes = Writer::AbsoluteBytes(value);
                if (!source.Read(literal, bytes + bytes % 2)) return false;
                Writer::Absolute(line, x, width, literal, value);
                x = static_cast<int32_t>(std::min<int64_t>(x + static_cast<int64_t>(value), width));
                break;
            }
        }
        if (!ended) line = frame.Row(row);
    }
    frame.Header().biCompression = 0;
    return true;
}

// The 40-byte header of a file, from a Windows header of 40 bytes or more or an OS/2 core header.
bool ReadInfoHeader(QeStream& stream, QeBitmapInfoHeader& header, uint32_t& size, bool& core, bool& topDown) {
    uint8_t bytes[QeDib::kHeaderSize];
    if (!stream.Read(bytes, 4)) return false;
    size = Le32(bytes);
    header = {};
    core = size == kCoreHeaderSize;
    topDown = false;
    if (core) {
        if (!stream.Read(bytes + 4, 8)) return false;
        header.biWidth = Le16(bytes + 4);
        header.biHeight = Le16(bytes + 6);
        header.biBitCount = Le16(bytes + 10);
    } else {
        // Shorter headers other than the core one hold no usable layout.
        if (size < QeDib::kHeaderSize || !stream.Read(bytes + 4, QeDib::kHeaderSize - 4)) return false;
        header.biWidth = static_cast<int32_t>(Le32(bytes + 4));
        header.biHeight = static_cast<int32_t>(Le32(bytes + 8));
        header.biBitCount = Le16(bytes + 14);
        header.biCompression = Le32(bytes + 16);
        header.biClrUsed = Le32(bytes + 32);
        header.biClrImportant = Le32(bytes + 36);
        if (header.biHeight < 0) {
            if (header.biHeight == INT32_MIN) return false;
            header.biHeight = -header.biHeight;
            topDown = true;
        }
    }
    header.biSize = QeDib::kHeaderSize;
    header.biPlanes = 1;
    return true;
}

// Most writers leave the fourth byte of 32-bit pixels 0: a file whose fourth byte is 0 in every
// pixel has no alpha and is opaque. A fourth byte that a colour mask claims is no alpha at all.
void OpaqueWithoutAlpha(QeDib& frame) {
    if (frame.BitsPerPixel() != 32) return;
    if (frame.Header().biCompression == 3 && ((frame.Mask(0) | frame.Mask(1) | frame.Mask(2)) & 0xFF000000u) != 0) {
        return;
    }
    uint8_t* pixels = frame.Pixels();
    for (uint32_t i = 3; i < frame.PixelBytes(); i += 4) {
        if (pixels[i] != 0) return;
    }
    for (uint32_t i = 3; i < frame.PixelBytes(); i += 4) pixels[i] = 0xFF;
}

}  // namespace

bool ExpandRle8(QeStream& stream, QeDib& frame) {
    return frame.BitsPerPixel() == 8 && ExpandRle<Rle8Row>(stream, frame);
}

bool ExpandRle4(QeStream& stream, QeDib& frame) {
    return frame.BitsPerPixel() == 4 && ExpandRle<Rle4Row>(stream, frame);
}

bool QeBmpDecoder::Decode(QeStream& stream) {
    const uint32_t base = stream.Tell();
    uint8_t fileHeader[kFileHeaderSize];
    if (!stream.Read(fileHeader, sizeof(fileHeader)) || Le16(fileHeader) != 0x4D42) return false;
    const uint32_t pixelOffset = Le32(fileHeader + 10);

    QeBitmapInfoHeader header;
    uint32_t headerSize = 0;
    bool core = false;
    bool topDown = false;
    if (!ReadInfoHeader(stream, header, headerSize, core, topDown)) return false;

    auto frame = std::make_unique<QeDib>();
    if (!frame->Create(header)) return false;
    if (header.biCompression == 3) {
        // The masks follow the 40 bytes, inside the longer headers as well.
        uint8_t bytes[12];
        if (!stream.Read(bytes, sizeof(bytes))) return false;
        const uint32_t masks[3] = {Le32(bytes), Le32(bytes + 4), Le32(bytes + 8)};
        frame->SetMasks(masks);
    }
    if (uint8_t* palette = frame->Palette()) {
        // The palette follows the whole header, however long the header is.
        const uint32_t count = frame->Header().biClrUsed;
        if (!SeekFrom(stream, base, uint64_t{kFileHeaderSize} + headerSize)) return false;
        if (core) {
            uint8_t triplets[256 * 3];
            if (!stream.Read(triplets, count * 3)) return false;
            frame->FillPaletteBgr(triplets, count);
        } else if (!stream.Read(palette, count * 4)) {
            return false;
        }
    }
    if (!SeekFrom(stream, base, pixelOffset)) return false;

    bool read = false;
    switch (header.biCompression) {
        case 1: read = ExpandRle8(stream, *frame); break;
        case 2: read = ExpandRle4(stream, *frame); break;
        default: read = stream.Read(frame->Pixels(), frame->PixelBytes()); break;
    }
    if (!read) return false;
    OpaqueWithoutAlpha(*frame);
    // 32-bit frames are drawn with per-pixel alpha, which takes them top row first.
    const bool wantTopDown = frame->BitsPerPixel() == 32;
    if (topDown != wantTopDown) frame->FlipRows();
    m_frames.push_back(std::move(frame));
    return true;
}
