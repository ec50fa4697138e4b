// BMP files: Windows and OS/2 headers, 1 to 32 bits, bit fields, RLE8 and RLE4.
#pragma once

#include <cstdint>

#include "framework/image/QeImageDecoder.h"

class QeBmpDecoder : public QeImageDecoder {
public:
    // One frame; 32-bit frames come out top row first, all others bottom row first, whatever the
    // file's own order. A 32-bit frame whose fourth byte is 0 in every pixel gets 0xFF there
    // (unless a colour mask claims that byte): the file has no alpha.
    bool Decode(QeStream& stream) override;
};

// Run-length expansion into a frame of the matching depth (8 for RLE8, 4 for RLE4). Runs and
// deltas that leave a row drop their excess pixels; a move past the last row ends the bitmap and
// keeps what was decoded. False when the data ends before the end-of-bitmap mark.
bool ExpandRle8(QeStream& stream, QeDib& frame);
bool ExpandRle4(QeStream& stream, QeDib& frame);
