#include "framework/image/QeGifDecoder.h"

#include <cstring>
#include <memory>

#include "framework/base/QeStream.h"

namespace {

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// Depth of a frame drawn with a colour table of that many entries.
int DepthForTable(uint32_t size) {
    if (size <= 2) return 1;
    if (size <= 16) return 4;
    return 8;
}

// Reads one sub-block: its size byte, then that many bytes.
bool ReadSubBlock(QeStream& stream, uint8_t* block, uint32_t& size) {
    uint8_t count;
    if (!stream.Read(&count, 1)) return false;
    size = count;
    return size == 0 || stream.Read(block, size);
}

}  // namespace

// --- QeLzwDecoder

void QeLzwDecoder::PlaceRows(QeDib& frame, bool interlaced) {
    // Decoded row k is image row r, which lies at memory row height - 1 - r.
    m_rows.resize(static_cast<size_t>(frame.Height()));
    static const int kPasses[4][2] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
    size_t k = 0;
    if (interlaced) {
        for (const auto& pass : kPasses)
            for (int32_t r = pass[0]; r < m_height; r += pass[1]) m_rows[k++] = frame.Row(m_height - 1 - r);
    } else {
        for (int32_t r = 0; r < m_height; ++r) m_rows[k++] = frame.Row(m_height - 1 - r);
    }
}

bool QeLzwDecoder::NextSubBlock(QeStream& stream) {
    m_blockPos = 0;
    return ReadSubBlock(stream, m_block, m_blockSize);
}

bool QeLzwDecoder::SkipSubBlocks(QeStream& stream) {
    do {
        if (!NextSubBlock(stream)) return false;
    } while (m_blockSize != 0);
    return true;
}

void QeLzwDecoder::Put(uint8_t value) {
    uint8_t* row = m_rows[m_row];
    switch (m_depth) {
        case 1: {
            const int bit = 7 - m_column % 8;
            const auto shifted = static_cast<uint8_t>((value & 1) << bit);
            row[m_column / 8] = bit == 7 ? shifted : static_cast<uint8_t>(row[m_column / 8] | shifted);
            break;
        }
        case 4:
            if (m_column % 2 == 0)
                row[m_column / 2] = static_cast<uint8_t>((value & 0x0F) << 4);
            else
                row[m_column / 2] = static_cast<uint8_t>(row[m_column / 2] | (value & 0x0F));
            break;
        default: row[m_column] = value; break;
    }
    if (++m_column == m_width) {
        m_column = 0;
        ++m_row;
    }
}

void QeLzwDecoder::Emit(int code) {
    if (m_row >= m_height) return;  // data past the last row
    // Every entry extends an older one by a byte, so no string is longer than the table.
    const int length = m_length[code];
    if (m_depth == 8 && m_column + length <= m_width) {
        // The common case: the string fits in the row and goes straight in, last byte first.
        uint8_t* out = m_rows[m_row] + m_column + length;
        for (int c = code, i = 0; i < length; ++i, c = m_prefix[c]) *--out = m_suffix[c];
        m_column += length;
        if (m_column == m_width) {
            m_column = 0;
            ++m_row;
        }
        return;
    }
    uint8_t* top = m_stack + length;
    for (int c = code, i = 0; i < length; ++i, c = m_prefix[c]) *--top = m_suffix[c];
    for (int i = 0; i < length && m_row < m_height; ++i) Put(m_stack[i]);
}

bool QeLzwDecoder::Decode(QeStream& stream, QeDib& frame, bool interlaced) {
    uint8_t minimum;
    if (!stream.Read(&minimum, 1) || minimum < 2 || minimum > 8) return false;
    m_width = frame.Width();
    m_height = frame.Height();
    m_depth = frame.BitsPerPixel();
    m_row = 0;
    m_column = 0;
    PlaceRows(frame, interlaced);

    const int clear = 1 << minimum;
    const int end = clear + 1;
    for (int i = 0; i < clear; ++i) {
        m_prefix[i] = -1;
        m_suffix[i] = m_first[i] = static_cast<uint8_t>(i);
        m_length[i] = 1;
    }
    int next = clear + 2;
    int size = minimum + 1;
    int previous = -1;
    m_blockSize = m_blockPos = 0;
    m_bits = 0;
    m_bitCount = 0;
    for (;;) {
        if (size < 12 && next >= (1 << size)) ++size;
        while (m_bitCount < size) {
            if (m_blockPos == m_blockSize) {
                if (!NextSubBlock(stream)) return false;
                if (m_blockSize == 0) return true;  // the data ended without an end code
            }
            m_bits |= static_cast<uint32_t>(m_block[m_blockPos++]) << m_bitCount;
            m_bitCount += 8;
        }
        const int code = static_cast<int>(m_bits & ((1u << size) - 1));
        m_bits >>= size;
        m_bitCount -= size;

        if (code == clear) {
            next = clear + 2;
            size = minimum + 1;
            previous = -1;
            continue;
        }
        if (code == end) return SkipSubBlocks(stream);
        if (code > next || (code == next && previous < 0)) return false;
        // A code equal to next is defined by the entry made from the previous string right now.
        const int newFirst = code == next ? m_first[previous] : m_first[code];
        // A full table takes no more entries until the next clear code.
        if (previous >= 0 && next < kTableSize) {
            m_prefix[next] = static_cast<int16_t>(previous);
            m_suffix[next] = static_cast<uint8_t>(newFirst);
            m_first[next] = m_first[previous];
            m_length[next] = static_cast<uint16_t>(m_length[previous] + 1);
            ++next;
        }
        Emit(code);
        previous = code;
    }
}

// --- QeGifDecoder

bool QeGifDecoder::Decode(QeStream& stream) {
    if (DecodeBlocks(stream)) return true;
    DeleteAllAndClear(m_frames);
    return false;
}

bool QeGifDecoder::DecodeBlocks(QeStream& stream) {
    uint8_t header[13];
    if (!stream.Read(header, sizeof(header)) || std::memcmp(header, "GIF", 3) != 0) return false;
    if (std::memcmp(header + 3, "87a", 3) != 0 && std::memcmp(header + 3, "89a", 3) != 0) return false;
    m_screenWidth = Le16(header + 6);
    m_screenHeight = Le16(header + 8);
    const uint8_t packed = header[10];
    m_globalSize = 2u << (packed & 7);
    m_globalDepth = DepthForTable(m_globalSize);
    if ((packed & 0x80) != 0 && !stream.Read(m_globalTable, m_globalSize * 3)) return false;

    for (;;) {
        uint8_t introducer;
        if (!stream.Read(&introducer, 1)) return false;
        switch (introducer) {
            case 0x21:
                if (!ReadExtension(stream)) return false;
                break;
            case 0x2C:
                if (!ReadImage(stream)) return false;
                break;
            case 0x3B: return true;
            default: break;  // stray bytes between blocks are skipped
        }
    }
}

bool QeGifDecoder::ReadExtension(QeStream& stream) {
    uint8_t label;
    if (!stream.Read(&label, 1)) return false;
    uint8_t block[255];
    uint32_t size = 0;
    bool afterNetscape = false;
    for (;;) {
        if (!ReadSubBlock(stream, block, size)) return false;
        if (size == 0) break;
        if (label == 0xF9 && size >= 4) {
            m_controlPacked = block[0];
            m_controlDelay = Le16(block + 1);
            m_controlTransparent = block[3];
        } else if (label == 0xFF) {
            if (afterNetscape && size >= 3 && block[0] == 1) m_loopCount = Le16(block + 1);
            afterNetscape = size == 11 && std::memcmp(block, "NETSCAPE2.0", 11) == 0;
        }
    }
    // The first frame has no transparent colour unless its disposal method is 2 or more.
    if (label == 0xF9 && m_frames.empty() && (m_controlPacked & 1) != 0 && ((m_controlPacked >> 2) & 7) < 2)
        m_controlPacked &= static_cast<uint8_t>(~1);
    return true;
}

bool QeGifDecoder::ReadImage(QeStream& stream) {
    uint8_t descriptor[9];
    if (!stream.Read(descriptor, sizeof(descriptor))) return false;
    const uint8_t packed = descriptor[8];
    const bool local = (packed & 0x80) != 0;
    const uint32_t localSize = 2u << (packed & 7);
    auto frame = std::make_unique<QeDib>();
    if (!frame->Create(Le16(descriptor + 4), Le16(descriptor + 6), local ? DepthForTable(localSize) : m_globalDepth))
        return false;
    if (local) {
        uint8_t table[256 * 3];
        if (!stream.Read(table, localSize * 3)) return false;
        frame->FillPaletteRgb(table, localSize);
    } else {
        frame->FillPaletteRgb(m_globalTable, m_globalSize);
    }
    if (!m_lzw.Decode(stream, *frame, (packed & 0x40) != 0)) return false;

    frame->SetDisposal((m_controlPacked >> 2) & 7);
    frame->SetPosition(Le16(descriptor), Le16(descriptor + 2));
    frame->SetDelayMs(m_controlDelay * 10);
    // An index outside the frame's palette can match no pixel, and naming it would send the
    // colour-key lookup past the palette.
    const bool transparent = (m_controlPacked & 1) != 0 && m_controlTransparent < frame->PaletteRoom();
    frame->SetTransparentIndex(transparent ? m_controlTransparent : -1);
    m_frames.push_back(std::move(frame));
    return true;
}
