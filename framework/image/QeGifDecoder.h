// GIF files (87a and 89a): every image of the file becomes a frame of its own size with its delay,
// disposal, position and transparent index; the image holds the logical screen size and the loop
// count of the NETSCAPE extension. Frames are not composed onto the logical screen: each is drawn
// alone from the image's top-left corner, so animations are made of full-size frames.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/image/QeImageDecoder.h"

// Expands the LZW data of one image into its frame: values are masked to the frame's depth, rows
// come top row first (in pass order when interlaced) and land bottom row first in memory, and data
// past the last row is ignored.
class QeLzwDecoder {
public:
    static constexpr int kTableSize = 4096;
    static constexpr int kStackSize = 4096;

    bool Decode(QeStream& stream, QeDib& frame, bool interlaced);

private:
    bool NextSubBlock(QeStream& stream);
    bool SkipSubBlocks(QeStream& stream);
    void Emit(int code);
    void Put(uint8_t value);
    void PlaceRows(QeDib& frame, bool interlaced);

    int16_t m_prefix[kTableSize];
    uint8_t m_suffix[kTableSize];
    uint16_t m_length[kTableSize];
    uint8_t m_first[kTableSize];
    uint8_t m_stack[kStackSize];

    uint8_t m_block[255];
    uint32_t m_blockSize = 0;
    uint32_t m_blockPos = 0;
    uint32_t m_bits = 0;
    int m_bitCount = 0;

    // Where the next pixel goes: the memory row of each decoded row, the decoded row and column.
    std::vector<uint8_t*> m_rows;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_row = 0;
    int32_t m_column = 0;
    int m_depth = 8;
};

class QeGifDecoder : public QeImageDecoder {
public:
    bool Decode(QeStream& stream) override;

    int32_t ScreenWidth() const { return m_screenWidth; }
    int32_t ScreenHeight() const { return m_screenHeight; }
    // 1, 4 or 8, from the global table's size.
    int GlobalDepth() const { return m_globalDepth; }
    // 0 = forever.
    int32_t LoopCount() const { return m_loopCount; }

private:
    bool DecodeBlocks(QeStream& stream);
    bool ReadExtension(QeStream& stream);
    bool ReadImage(QeStream& stream);

    int32_t m_screenWidth = 0;
    int32_t m_screenHeight = 0;
    int m_globalDepth = 1;
    uint32_t m_globalSize = 0;
    uint8_t m_globalTable[256 * 3] = {};
    int32_t m_loopCount = 0;
    QeLzwDecoder m_lzw;
    // The last graphic control extension, kept from one image to the next.
    uint8_t m_controlPacked = 0;
    uint16_t m_controlDelay = 0;
    uint8_t m_controlTransparent = 0;
};
