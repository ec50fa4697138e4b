// Image files made in code for the decoder tests, the fuzzers' seeds and the benchmarks: BMP and
// GIF are written byte by byte here, PNG and JPEG by the libraries' own encoders.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "framework/base/QeStream.h"
#include "framework/image/QeImageDecoder.h"

namespace image_files {

// Bytes written as numbers, NULs included.
inline std::string Raw(std::initializer_list<int> bytes) {
    std::string out;
    for (int b : bytes) out.push_back(static_cast<char>(b));
    return out;
}

// --- BMP

struct Bmp {
    int32_t width = 1;
    int32_t height = 1;  // as stored: negative for a top-down file
    uint16_t bits = 24;
    uint32_t compression = 0;
    uint32_t clrUsed = 0;
    uint32_t headerSize = 40;  // 12 writes an OS/2 core header
    std::vector<uint32_t> palette;  // 0x00RRGGBB; 3 bytes each in a core file
    std::vector<uint32_t> masks;    // written after a 40-byte header, or inside a longer one
    std::string pixels;             // the stored pixel bytes, rows padded as in the file
};
std::string BmpFile(const Bmp& bmp);

// Rows given top row first, one byte string each, padded to 4 bytes and stored bottom row first.
std::string BmpRows(const std::vector<std::string>& topDownRows);

// --- GIF

struct GifImage {
    GifImage(uint16_t left, uint16_t top, uint16_t width, uint16_t height, std::vector<uint8_t> pixels,
             std::vector<uint32_t> localTable = {})
        : left(left), top(top), width(width), height(height), pixels(std::move(pixels)),
          localTable(std::move(localTable)) {}

    uint16_t left;
    uint16_t top;
    uint16_t width;
    uint16_t height;
    std::vector<uint8_t> pixels;       // top row first, in display order
    std::vector<uint32_t> localTable;  // 0x00RRGGBB; empty: none
    bool interlaced = false;
    int minCodeSize = 0;  // 0: from the table size
};

// LZW data of an image: the minimum code size byte, sub-blocks of up to 255 bytes and the empty
// block. Without clears, a full table stops growing and coding goes on with 12-bit codes.
std::string GifImageData(const std::vector<uint8_t>& pixels, int minCodeSize, bool clearWhenFull = true);
// Codes of a fixed size, packed least significant bit first into sub-blocks (for broken data).
std::string GifCodes(int minCodeSize, const std::vector<int>& codes, int codeSize);

class GifFile {
public:
    GifFile(uint16_t width, uint16_t height, const std::vector<uint32_t>& globalTable, const char* version = "89a");
    GifFile& Loop(uint16_t count);
    GifFile& Control(int disposal, uint16_t delayCs, int transparent);  // transparent -1: none
    GifFile& Image(const GifImage& image);
    // An image whose LZW data is given as is.
    GifFile& RawImage(const GifImage& image, const std::string& data);
    GifFile& Bytes(const std::string& bytes);
    std::string Done();  // appends the trailer

private:
    std::string m_bytes;
    int m_globalBits = 1;
};

// An interlaced image's rows in the order they are stored.
std::vector<uint8_t> Interlace(const std::vector<uint8_t>& pixels, int width, int height);

// --- PNG and JPEG

struct Png {
    uint32_t width = 1;
    uint32_t height = 1;
    int colorType = 6;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<uint32_t> palette;  // 0x00RRGGBB
    std::string rows;  // packed rows, top row first, no filter byte; 16-bit samples big-endian
};
std::string PngFile(const Png& png);

// Samples top row first: 1 (grey), 3 (RGB) or 4 (CMYK, stored inverted as Adobe writes it).
std::string JpegFile(int width, int height, int components, const std::string& samples, int quality = 95,
                     bool progressive = false);

// --- Reading frames back

// Every pixel of a frame, top row first: the palette index up to 8 bits, the 16-bit value, 0xRRGGBB
// for 24 bits, 0xAARRGGBB for 32 bits.
std::vector<uint32_t> FramePixels(const QeDib& frame);
// Palette entries as 0x00RRGGBB.
std::vector<uint32_t> FramePalette(const QeDib& frame);

}  // namespace image_files

// --- Decoding in tests

namespace image_files {

// The frames a decoder makes of the bytes; empty when the decode fails.
template <typename Decoder>
QeDibList Decoded(const std::string& bytes) {
    QeMemoryReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    Decoder decoder;
    if (!decoder.Decode(reader)) return {};
    return std::move(decoder.Frames());
}

}  // namespace image_files
