#include "tools/artwork/Encoders.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace artwork {

namespace {

void Put16(std::string& out, uint32_t v) { out += {static_cast<char>(v), static_cast<char>(v >> 8)}; }

void Put32(std::string& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// ---- PNG

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void PngFlush(png_structp) {}

// Only plain data lives in this frame: a libpng error comes back here by longjmp.
bool PngInto(std::string* out, int width, int height, bool alpha, const std::string* pixels) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, PngWrite, PngFlush);
    // Fixed settings: the file depends on the pixels and the zlib version only.
    png_set_compression_level(png, 9);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    const size_t stride = static_cast<size_t>(width) * (alpha ? 4 : 3);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, reinterpret_cast<png_const_bytep>(pixels->data() + stride * static_cast<size_t>(y)));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

// ---- JPEG

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void JpegFail(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }

void JpegQuiet(j_common_ptr, int) {}

bool JpegInto(unsigned char** buffer, unsigned long* size, int width, int height, const std::string* rgb,
              int quality) {
    jpeg_compress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JpegFail;
    error.manager.emit_message = JpegQuiet;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.dct_method = JDCT_ISLOW;
    info.optimize_coding = TRUE;
    // A JFIF header with a fixed density and no thumbnail.
    info.write_JFIF_header = TRUE;
    info.density_unit = 1;
    info.X_density = 96;
    info.Y_density = 96;
    jpeg_start_compress(&info, TRUE);
    const size_t stride = static_cast<size_t>(width) * 3;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<char*>(rgb->data() + stride * info.next_scanline));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

// ---- GIF

// Codes packed least significant bit first, cut into sub-blocks of up to 255 bytes.
class CodeWriter {
public:
    void Put(int code, int size) {
        m_bits |= static_cast<uint32_t>(code) << m_count;
        m_count += size;
        while (m_count >= 8) {
            m_bytes.push_back(static_cast<char>(m_bits & 0xFF));
            m_bits >>= 8;
            m_count -= 8;
        }
    }
    std::string Blocks() {
        if (m_count > 0) m_bytes.push_back(static_cast<char>(m_bits & 0xFF));
        m_count = 0;
        m_bits = 0;
        std::string out;
        for (size_t at = 0; at < m_bytes.size(); at += 255) {
            const size_t n = std::min<size_t>(255, m_bytes.size() - at);
            out.push_back(static_cast<char>(n));
            out.append(m_bytes, at, n);
        }
        out.push_back('\0');
        return out;
    }

private:
    std::string m_bytes;
    uint32_t m_bits = 0;
    int m_count = 0;
};

// LZW as GIF readers expect it: a clear code first, the code size growing once the next free
// code reaches the current limit (counted as the reader counts, one entry behind the writer),
// and a clear before the table passes 4095 entries.
std::string Lzw(const std::vector<uint8_t>& indices, int minCodeSize) {
    const int clear = 1 << minCodeSize, end = clear + 1;
    std::map<std::pair<int, int>, int> table;
    CodeWriter writer;
    int size = minCodeSize + 1, next = end + 1;
    writer.Put(clear, size);
    const auto emit = [&](int code) {
        writer.Put(code, size);
        if (next >= (1 << size) && size < 12) ++size;
    };
    int prefix = indices.empty() ? -1 : indices[0];
    for (size_t i = 1; i < indices.size(); ++i) {
        const int c = indices[i];
        const auto found = table.find({prefix, c});
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        emit(prefix);
        if (next >= 4095) {
            writer.Put(clear, size);
            table.clear();
            size = minCodeSize + 1;
            next = end + 1;
        } else {
            table[{prefix, c}] = next++;
        }
        prefix = c;
    }
    if (prefix >= 0) emit(prefix);
    writer.Put(end, size);
    std::string out(1, static_cast<char>(minCodeSize));
    return out + writer.Blocks();
}

uint32_t PixelAt(const std::string& rgb, size_t i) {
    return static_cast<uint32_t>(static_cast<uint8_t>(rgb[i * 3])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(rgb[i * 3 + 1])) << 8 | static_cast<uint8_t>(rgb[i * 3 + 2]);
}

}  // namespace

std::string EncodePng(int width, int height, bool alpha, const std::string& pixels) {
    if (width <= 0 || height <= 0 ||
        pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * (alpha ? 4 : 3)) {
        return {};
    }
    std::string out;
    if (!PngInto(&out, width, height, alpha, &pixels)) return {};
    return out;
}

std::string EncodeBmp(int width, int height, const std::string& rgb) {
    if (width <= 0 || height <= 0 || rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3) return {};
    const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) / 4 * 4;
    const uint32_t imageSize = stride * static_cast<uint32_t>(height);
    std::string out = "BM";
    Put32(out, 14 + 40 + imageSize);  // file size
    Put32(out, 0);                    // reserved
    Put32(out, 14 + 40);              // pixel offset
    Put32(out, 40);                   // info header size
    Put32(out, static_cast<uint32_t>(width));
    Put32(out, static_cast<uint32_t>(height));  // positive: bottom row first
    Put16(out, 1);                              // planes
    Put16(out, 24);                             // bits per pixel
    Put32(out, 0);                              // BI_RGB
    Put32(out, imageSize);
    Put32(out, 2835);  // 72 dots per inch, both ways
    Put32(out, 2835);
    Put32(out, 0);  // colours used
    Put32(out, 0);  // colours important
    for (int y = height - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
            row += {rgb[at + 2], rgb[at + 1], rgb[at]};
        }
        row.resize(stride, '\0');
        out += row;
    }
    return out;
}

std::string EncodeJpeg(int width, int height, const std::string& rgb, int quality) {
    if (width <= 0 || height <= 0 || rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3) return {};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool done = JpegInto(&buffer, &size, width, height, &rgb, quality);
    std::string out = done && buffer != nullptr ? std::string(reinterpret_cast<const char*>(buffer), size) : std::string();
    std::free(buffer);
    return out;
}

std::string EncodeGif(int width, int height, const std::vector<GifFrame>& frames, uint32_t key) {
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF || frames.empty()) return {};
    for (const GifFrame& frame : frames) {
        if (frame.rgb.size() != count * 3) return {};
    }
    // One global table: the key first, then every other colour in order of first use.
    std::vector<uint32_t> palette{key};
    std::map<uint32_t, uint8_t> index{{key, 0}};
    std::vector<std::vector<uint8_t>> pictures;
    for (const GifFrame& frame : frames) {
        std::vector<uint8_t> picture(count);
        for (size_t i = 0; i < count; ++i) {
            const uint32_t color = PixelAt(frame.rgb, i);
            auto found = index.find(color);
            if (found == index.end()) {
                if (palette.size() == 256) return {};
                found = index.emplace(color, static_cast<uint8_t>(palette.size())).first;
                palette.push_back(color);
            }
            picture[i] = found->second;
        }
        pictures.push_back(std::move(picture));
    }
    int bits = 1;
    while ((1u << bits) < palette.size()) ++bits;
    palette.resize(1u << bits, 0);

    std::string out = "GIF89a";
    Put16(out, static_cast<uint32_t>(width));  // logical screen descriptor
    Put16(out, static_cast<uint32_t>(height));
    out += {static_cast<char>(0x80 | ((bits - 1) << 4) | (bits - 1)), '\0', '\0'};  // global table, background 0
    for (uint32_t c : palette) out += {static_cast<char>(c >> 16), static_cast<char>(c >> 8), static_cast<char>(c)};
    // NETSCAPE2.0 application block: loop forever.
    out += {'\x21', '\xFF', '\x0B'};
    out += "NETSCAPE2.0";
    out += {'\x03', '\x01', '\0', '\0', '\0'};
    for (size_t f = 0; f < frames.size(); ++f) {
        // Graphic control: dispose to background (so a reader keeps the key on the first frame
        // too), the delay, transparent index 0.
        out += {'\x21', '\xF9', '\x04', static_cast<char>((2 << 2) | 1)};
        Put16(out, frames[f].delayCs);
        out += {'\0', '\0'};
        out += '\x2C';  // image descriptor: the whole screen, no local table
        Put16(out, 0);
        Put16(out, 0);
        Put16(out, static_cast<uint32_t>(width));
        Put16(out, static_cast<uint32_t>(height));
        out += '\0';
        out += Lzw(pictures[f], std::max(2, bits));
    }
    out += '\x3B';
    return out;
}

std::string EncodeWav(int sampleRate, const std::vector<int16_t>& samples) {
    const uint32_t dataSize = static_cast<uint32_t>(samples.size() * 2);
    std::string out = "RIFF";
    Put32(out, 36 + dataSize);
    out += "WAVEfmt ";
    Put32(out, 16);  // fmt chunk size
    Put16(out, 1);   // PCM
    Put16(out, 1);   // mono
    Put32(out, static_cast<uint32_t>(sampleRate));
    Put32(out, static_cast<uint32_t>(sampleRate) * 2);  // bytes per second
    Put16(out, 2);                                      // block align
    Put16(out, 16);                                     // bits per sample
    out += "data";
    Put32(out, dataSize);
    for (int16_t s : samples) Put16(out, static_cast<uint16_t>(s));
    return out;
}

}  // namespace artwork
