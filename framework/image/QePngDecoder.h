// PNG files through libpng: every colour type and depth becomes a frame of 1, 4, 8, 24 or 32 bits
// (16-bit samples are cut to 8, 2-bit pixels widened to 8, grey with alpha made colour with alpha),
// blue-green-red; 32-bit frames top row first, the others bottom row first. Transparency chunks
// are not read. Library errors fail the decode; warnings go to the trace.
#pragma once

#include <png.h>

#include <vector>

#include "framework/image/QeImageDecoder.h"

class QePngDecoder : public QeImageDecoder {
public:
    bool Decode(QeStream& stream) override;

private:
    // The part that libpng may leave by a long jump; it owns nothing that needs destroying.
    bool Read(png_structp png, png_infop info, QeStream& stream, QeDib& frame, std::vector<png_bytep>& rows);
};

// libpng's read function: `length` bytes from the QeStream held as the read pointer.
void PngReadCallback(png_structp png, png_bytep buffer, png_size_t length);
