// Speed of the image decoders on files made in code, each next to the plain library where one
// exists. Targets: BMP (24-bit and 8-bit RLE) at least 100 Mpixels/s; GIF 480 x 640 at least
// 50 MB/s of frame output and no more than twice giflib's time (when giflib is installed); PNG and
// JPEG within 10% of libpng and libjpeg called directly on the same file.
#include <benchmark/benchmark.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "framework/base/QeStream.h"
#include "framework/image/QeBmpDecoder.h"
#include "framework/image/QeGifDecoder.h"
#include "framework/image/QeJpegDecoder.h"
#include "framework/image/QePngDecoder.h"
#include "tests/support/ImageFiles.h"

#ifdef TEVRIK_HAVE_GIFLIB
#include <gif_lib.h>
#endif

using namespace image_files;

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 640;

// A picture with smooth areas and detail, like an emoticon sheet or a photo after quantisation.
uint8_t Sample(int x, int y, int channel) {
    return static_cast<uint8_t>((x * (channel + 1) + y * 3 + ((x / 16 + y / 16) % 3) * 40 + (x * y / 64) % 23) & 0xFF);
}

std::string Samples(int channels) {
    std::string out;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < channels; ++c) out.push_back(static_cast<char>(Sample(x, y, c)));
    return out;
}

const std::string& Bmp24() {
    static const std::string file = [] {
        std::vector<std::string> rows;
        const std::string samples = Samples(3);
        for (int y = 0; y < kHeight; ++y) rows.push_back(samples.substr(static_cast<size_t>(y) * kWidth * 3, kWidth * 3));
        return BmpFile({kWidth, kHeight, 24, 0, 0, 40, {}, {}, BmpRows(rows)});
    }();
    return file;
}

// Runs of 1 to 40 pixels, as flat artwork compresses.
const std::string& BmpRle8() {
    static const std::string file = [] {
        std::string data;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth;) {
                const int run = std::min(kWidth - x, 1 + (x * 7 + y) % 40);
                data.push_back(static_cast<char>(run));
                data.push_back(static_cast<char>(Sample(x, y, 0)));
                x += run;
            }
            data += std::string("\0\0", 2);
        }
        data += std::string("\0\1", 2);
        return BmpFile({kWidth, kHeight, 8, 1, 256, 40, std::vector<uint32_t>(256, 0x808080), {}, data});
    }();
    return file;
}

const std::string& Gif() {
    static const std::string file = [] {
        std::vector<uint8_t> pixels;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) pixels.push_back(Sample(x, y, 0));
        return GifFile(kWidth, kHeight, std::vector<uint32_t>(256, 0x808080))
            .Image({0, 0, kWidth, kHeight, pixels})
            .Done();
    }();
    return file;
}

const std::string& PngRgba() {
    static const std::string file = PngFile({kWidth, kHeight, 6, 8, false, {}, Samples(4)});
    return file;
}

const std::string& Jpeg() {
    static const std::string file = JpegFile(kWidth, kHeight, 3, Samples(3), 85);
    return file;
}

template <typename Decoder>
void DecodeOurs(benchmark::State& state, const std::string& file) {
    size_t bytes = 0;
    for (auto _ : state) {
        QeMemoryReader reader(file.data(), static_cast<uint32_t>(file.size()));
        Decoder decoder;
        if (!decoder.Decode(reader)) state.SkipWithError("decode failed");
        bytes += decoder.Frames().front()->PixelBytes();
        benchmark::DoNotOptimize(decoder.Frames().front()->Pixels());
    }
    state.counters["Mpixels/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kWidth * kHeight / 1e6,
                                                     benchmark::Counter::kIsRate);
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

void BM_Bmp24(benchmark::State& state) { DecodeOurs<QeBmpDecoder>(state, Bmp24()); }
void BM_BmpRle8(benchmark::State& state) { DecodeOurs<QeBmpDecoder>(state, BmpRle8()); }
void BM_Gif(benchmark::State& state) { DecodeOurs<QeGifDecoder>(state, Gif()); }
void BM_Png(benchmark::State& state) { DecodeOurs<QePngDecoder>(state, PngRgba()); }
void BM_Jpeg(benchmark::State& state) { DecodeOurs<QeJpegDecoder>(state, Jpeg()); }

// --- the libraries called directly on the same bytes

struct MemoryInput {
    const std::string* file;
    size_t at;
};

void PngMemoryRead(png_structp png, png_bytep out, png_size_t length) {
    auto* input = static_cast<MemoryInput*>(png_get_io_ptr(png));
    if (input->at + length > input->file->size()) png_error(png, "short");
    std::memcpy(out, input->file->data() + input->at, length);
    input->at += length;
}

void BM_PngLibrary(benchmark::State& state) {
    std::vector<uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * 4);
    std::vector<png_bytep> rows(kHeight);
    for (int y = 0; y < kHeight; ++y) rows[static_cast<size_t>(y)] = pixels.data() + static_cast<size_t>(y) * kWidth * 4;
    for (auto _ : state) {
        MemoryInput input{&PngRgba(), 0};
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        if (setjmp(png_jmpbuf(png)) == 0) {
            png_set_read_fn(png, &input, PngMemoryRead);
            png_read_info(png, info);
            png_set_bgr(png);
            png_read_update_info(png, info);
            png_read_image(png, rows.data());
            png_read_end(png, info);
        }
        png_destroy_read_struct(&png, &info, nullptr);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(pixels.size()));
}

// A fresh zeroed frame for every picture, sized from the header with rows padded to 4 bytes: what
// our decoder hands out, so the two differ only in how they drive the library.
void BM_JpegLibrary(benchmark::State& state) {
    size_t bytes = 0;
    for (auto _ : state) {
        jpeg_decompress_struct info{};
        jpeg_error_mgr error{};
        info.err = jpeg_std_error(&error);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(Jpeg().data()), Jpeg().size());
        jpeg_read_header(&info, TRUE);
        jpeg_start_decompress(&info);
        const size_t stride = (static_cast<size_t>(info.output_width) * info.output_components + 3) & ~size_t{3};
        const size_t size = stride * info.output_height;
        std::unique_ptr<uint8_t[]> pixels(new uint8_t[size]());
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = pixels.get() + static_cast<size_t>(info.output_height - 1 - info.output_scanline) * stride;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        benchmark::DoNotOptimize(pixels.get());
        bytes += size;
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

#ifdef TEVRIK_HAVE_GIFLIB
int GifMemoryRead(GifFileType* gif, GifByteType* out, int length) {
    auto* input = static_cast<MemoryInput*>(gif->UserData);
    const size_t n = std::min(static_cast<size_t>(length), input->file->size() - input->at);
    std::memcpy(out, input->file->data() + input->at, n);
    input->at += n;
    return static_cast<int>(n);
}

void BM_GifLibrary(benchmark::State& state) {
    for (auto _ : state) {
        MemoryInput input{&Gif(), 0};
        int error = 0;
        GifFileType* gif = DGifOpen(&input, GifMemoryRead, &error);
        if (gif == nullptr || DGifSlurp(gif) != GIF_OK) state.SkipWithError("giflib failed");
        benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
        DGifCloseFile(gif, &error);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight);
}
#endif

}  // namespace

BENCHMARK(BM_Bmp24)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BmpRle8)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Gif)->Unit(benchmark::kMicrosecond);
#ifdef TEVRIK_HAVE_GIFLIB
BENCHMARK(BM_GifLibrary)->Unit(benchmark::kMicrosecond);
#endif
BENCHMARK(BM_Png)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PngLibrary)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Jpeg)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_JpegLibrary)->Unit(benchmark::kMicrosecond);
