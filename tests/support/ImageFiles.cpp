#include "tests/support/ImageFiles.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <png.h>

#include "framework/image/QeDib.h"

namespace image_files {

namespace {

void Put16(std::string& out, uint32_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void Put32(std::string& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

void PutRgb(std::string& out, uint32_t rgb) {
    out.push_back(static_cast<char>((rgb >> 16) & 0xFF));
    out.push_back(static_cast<char>((rgb >> 8) & 0xFF));
    out.push_back(static_cast<char>(rgb & 0xFF));
}

void PutBgr(std::string& out, uint32_t rgb) {
    out.push_back(static_cast<char>(rgb & 0xFF));
    out.push_back(static_cast<char>((rgb >> 8) & 0xFF));
    out.push_back(static_cast<char>((rgb >> 16) & 0xFF));
}

// Bits of a colour table holding that many entries (at least 1: two entries).
int TableBits(size_t count) {
    int bits = 1;
    while ((size_t{1} << bits) < count) ++bits;
    return bits;
}

std::string SubBlocks(const std::string& data) {
    std::string out;
    for (size_t at = 0; at < data.size(); at += 255) {
        const size_t n = std::min<size_t>(255, data.size() - at);
        out.push_back(static_cast<char>(n));
        out.append(data, at, n);
    }
    out.push_back('\0');
    return out;
}

class BitWriter {
public:
    void Put(int code, int size) {
        m_acc |= static_cast<uint32_t>(code) << m_count;
        m_count += size;
        while (m_count >= 8) {
            m_bytes.push_back(static_cast<char>(m_acc & 0xFF));
            m_acc >>= 8;
            m_count -= 8;
        }
    }
    std::string Finish() {
        if (m_count > 0) m_bytes.push_back(static_cast<char>(m_acc & 0xFF));
        return m_bytes;
    }

private:
    std::string m_bytes;
    uint32_t m_acc = 0;
    int m_count = 0;
};

}  // namespace

std::string BmpFile(const Bmp& bmp) {
    std::string info;
    const bool core = bmp.headerSize == 12;
    Put32(info, bmp.headerSize);
    if (core) {
        Put16(info, static_cast<uint32_t>(bmp.width));
        Put16(info, static_cast<uint32_t>(bmp.height));
        Put16(info, 1);
        Put16(info, bmp.bits);
    } else {
        Put32(info, static_cast<uint32_t>(bmp.width));
        Put32(info, static_cast<uint32_t>(bmp.height));
        Put16(info, 1);
        Put16(info, bmp.bits);
        Put32(info, bmp.compression);
        Put32(info, static_cast<uint32_t>(bmp.pixels.size()));
        Put32(info, 2835);
        Put32(info, 2835);
        Put32(info, bmp.clrUsed);
        Put32(info, 0);
        for (uint32_t mask : bmp.masks) Put32(info, mask);
        while (info.size() < bmp.headerSize) info.push_back('\0');
    }
    for (uint32_t rgb : bmp.palette) {
        PutBgr(info, rgb);
        if (!core) info.push_back('\0');
    }
    std::string out = "BM";
    Put32(out, static_cast<uint32_t>(14 + info.size() + bmp.pixels.size()));
    Put32(out, 0);
    Put32(out, static_cast<uint32_t>(14 + info.size()));
    return out + info + bmp.pixels;
}

std::string BmpRows(const std::vector<std::string>& topDownRows) {
    std::string out;
    for (auto row = topDownRows.rbegin(); row != topDownRows.rend(); ++row) {
        out += *row;
        out.append((4 - row->size() % 4) % 4, '\0');
    }
    return out;
}

std::string GifImageData(const std::vector<uint8_t>& pixels, int minCodeSize, bool clearWhenFull) {
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    std::vector<uint16_t> table(4096 * 256, 0);  // (prefix, byte) -> code; 0 = none
    int next = clear + 2;
    int size = minCodeSize + 1;
    BitWriter bits;
    // The size grows after a code once the entries made so far fill it, as decoders expect.
    auto emit = [&](int code) {
        bits.Put(code, size);
        if (size < 12 && next >= (1 << size)) ++size;
    };
    emit(clear);
    if (!pixels.empty()) {
        int prefix = pixels[0];
        for (size_t i = 1; i < pixels.size(); ++i) {
            const int key = prefix << 8 | pixels[i];
            if (table[static_cast<size_t>(key)] != 0) {
                prefix = table[static_cast<size_t>(key)];
                continue;
            }
            emit(prefix);
            if (next < 4096) {
                table[static_cast<size_t>(key)] = static_cast<uint16_t>(next++);
            } else if (clearWhenFull) {
                emit(clear);
                std::fill(table.begin(), table.end(), 0);
                next = clear + 2;
                size = minCodeSize + 1;
            }
            prefix = pixels[i];
        }
        emit(prefix);
    }
    emit(end);
    return std::string(1, static_cast<char>(minCodeSize)) + SubBlocks(bits.Finish());
}

std::string GifCodes(int minCodeSize, const std::vector<int>& codes, int codeSize) {
    BitWriter bits;
    for (int code : codes) bits.Put(code, codeSize);
    return std::string(1, static_cast<char>(minCodeSize)) + SubBlocks(bits.Finish());
}

namespace {

void PutTable(std::string& out, const std::vector<uint32_t>& table) {
    const size_t room = size_t{1} << TableBits(table.size());
    for (size_t i = 0; i < room; ++i) PutRgb(out, i < table.size() ? table[i] : 0);
}

}  // namespace

GifFile::GifFile(uint16_t width, uint16_t height, const std::vector<uint32_t>& globalTable, const char* version) {
    m_bytes = std::string("GIF") + version;
    Put16(m_bytes, width);
    Put16(m_bytes, height);
    const int bits = TableBits(globalTable.size());
    m_globalBits = bits;
    m_bytes.push_back(static_cast<char>((globalTable.empty() ? 0 : 0x80) | (bits - 1)));
    m_bytes.push_back('\0');  // background
    m_bytes.push_back('\0');  // aspect
    if (!globalTable.empty()) PutTable(m_bytes, globalTable);
}

GifFile& GifFile::Loop(uint16_t count) {
    m_bytes += std::string("\x21\xFF\x0B", 3) + "NETSCAPE2.0" + std::string("\x03\x01", 2);
    Put16(m_bytes, count);
    m_bytes.push_back('\0');
    return *this;
}

GifFile& GifFile::Control(int disposal, uint16_t delayCs, int transparent) {
    m_bytes += std::string("\x21\xF9\x04", 3);
    m_bytes.push_back(static_cast<char>(disposal << 2 | (transparent >= 0 ? 1 : 0)));
    Put16(m_bytes, delayCs);
    m_bytes.push_back(static_cast<char>(transparent >= 0 ? transparent : 0));
    m_bytes.push_back('\0');
    return *this;
}

GifFile& GifFile::RawImage(const GifImage& image, const std::string& data) {
    m_bytes.push_back(',');
    Put16(m_bytes, image.left);
    Put16(m_bytes, image.top);
    Put16(m_bytes, image.width);
    Put16(m_bytes, image.height);
    const bool local = !image.localTable.empty();
    m_bytes.push_back(static_cast<char>((local ? 0x80 | (TableBits(image.localTable.size()) - 1) : 0) |
                                        (image.interlaced ? 0x40 : 0)));
    if (local) PutTable(m_bytes, image.localTable);
    m_bytes += data;
    return *this;
}

GifFile& GifFile::Image(const GifImage& image) {
    const int tableBits = image.localTable.empty() ? m_globalBits : TableBits(image.localTable.size());
    const int minCodeSize = image.minCodeSize != 0 ? image.minCodeSize : std::max(2, tableBits);
    const std::vector<uint8_t> stored =
        image.interlaced ? Interlace(image.pixels, image.width, image.height) : image.pixels;
    return RawImage(image, GifImageData(stored, minCodeSize));
}

GifFile& GifFile::Bytes(const std::string& bytes) {
    m_bytes += bytes;
    return *this;
}

std::string GifFile::Done() { return m_bytes + ";"; }

std::vector<uint8_t> Interlace(const std::vector<uint8_t>& pixels, int width, int height) {
    static const int kPasses[4][2] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
    std::vector<uint8_t> out;
    for (const auto& pass : kPasses)
        for (int r = pass[0]; r < height; r += pass[1])
            out.insert(out.end(), pixels.begin() + r * width, pixels.begin() + (r + 1) * width);
    return out;
}

namespace {

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void PngFlush(png_structp) {}

int PngChannels(int colorType) {
    switch (colorType) {
        case 2: return 3;
        case 4: return 2;
        case 6: return 4;
        default: return 1;
    }
}

}  // namespace

std::string PngFile(const Png& png) {
    std::string out;
    png_structp writer = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(writer);
    std::vector<png_color> palette;
    for (uint32_t rgb : png.palette)
        palette.push_back({static_cast<png_byte>(rgb >> 16), static_cast<png_byte>(rgb >> 8), static_cast<png_byte>(rgb)});
    const size_t rowBytes = (size_t{png.width} * PngChannels(png.colorType) * png.bitDepth + 7) / 8;
    std::vector<png_bytep> rows;
    for (uint32_t y = 0; y < png.height; ++y)
        rows.push_back(reinterpret_cast<png_bytep>(const_cast<char*>(png.rows.data())) + y * rowBytes);
    if (setjmp(png_jmpbuf(writer)) == 0) {
        png_set_write_fn(writer, &out, PngWrite, PngFlush);
        png_set_IHDR(writer, info, png.width, png.height, png.bitDepth, png.colorType,
                     png.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        if (!palette.empty()) png_set_PLTE(writer, info, palette.data(), static_cast<int>(palette.size()));
        png_write_info(writer, info);
        png_write_image(writer, rows.data());
        png_write_end(writer, info);
    } else {
        out.clear();
    }
    png_destroy_write_struct(&writer, &info);
    return out;
}

std::string JpegFile(int width, int height, int components, const std::string& samples, int quality,
                     bool progressive) {
    jpeg_compress_struct c{};
    jpeg_error_mgr error{};
    c.err = jpeg_std_error(&error);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<char*>(samples.data())) +
                       static_cast<size_t>(c.next_scanline) * width * components;
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    jpeg_destroy_compress(&c);
    std::free(buffer);
    return out;
}

std::vector<uint32_t> FramePixels(const QeDib& frame) {
    std::vector<uint32_t> out;
    const int bits = frame.BitsPerPixel();
    for (int32_t y = 0; y < frame.Height(); ++y) {
        const uint8_t* row = frame.Row(bits == 32 ? y : frame.Height() - 1 - y);
        for (int32_t x = 0; x < frame.Width(); ++x) {
            switch (bits) {
                case 1: out.push_back((row[x / 8] >> (7 - x % 8)) & 1); break;
                case 4: out.push_back(x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F); break;
                case 8: out.push_back(row[x]); break;
                case 16: out.push_back(static_cast<uint32_t>(row[2 * x] | row[2 * x + 1] << 8)); break;
                case 24: out.push_back(static_cast<uint32_t>(row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16)); break;
                default: {
                    uint32_t value;
                    std::memcpy(&value, row + 4 * x, 4);
                    out.push_back(value);
                    break;
                }
            }
        }
    }
    return out;
}

std::vector<uint32_t> FramePalette(const QeDib& frame) {
    std::vector<uint32_t> out;
    const uint8_t* palette = frame.Palette();
    for (uint32_t i = 0; palette != nullptr && i < frame.Header().biClrUsed; ++i, palette += 4)
        out.push_back(static_cast<uint32_t>(palette[0] | palette[1] << 8 | palette[2] << 16));
    return out;
}

}  // namespace image_files
