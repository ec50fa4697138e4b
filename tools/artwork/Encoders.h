// The file formats the artwork is written in. Each writer takes the whole picture and answers the
// file's bytes (empty on failure), with fixed settings and nothing that depends on the time or the
// machine, so that the same pixels always give the same file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace artwork {

// PNG through libpng: 8-bit RGBA (rows of width * 4 bytes) or RGB (width * 3), top row first.
std::string EncodePng(int width, int height, bool alpha, const std::string& pixels);

// A 24-bit bottom-up BMP with a 40-byte info header from RGB rows, top row first.
std::string EncodeBmp(int width, int height, const std::string& rgb);

// JPEG through libjpeg: baseline, 4:2:0, the given quality, from RGB rows, top row first.
std::string EncodeJpeg(int width, int height, const std::string& rgb, int quality);

// An animated GIF89a from RGB frames of one size, top row first, each shown `delayCs` hundredths
// of a second, looping forever. Pixels of the colour `key` (0xRRGGBB) are the transparent index.
// Frames may hold at most 256 colours together; more fail.
struct GifFrame {
    std::string rgb;
    uint16_t delayCs = 10;
};
std::string EncodeGif(int width, int height, const std::vector<GifFrame>& frames, uint32_t key);

// A RIFF WAVE file of 16-bit mono PCM.
std::string EncodeWav(int sampleRate, const std::vector<int16_t>& samples);

}  // namespace artwork
