#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/image/QeJpegDecoder.h"
#include "framework/image/QePngDecoder.h"
#include "tests/support/ImageFiles.h"
#include "tests/support/TraceLog.h"

using namespace image_files;

namespace {

std::vector<uint32_t> GreyRamp(int count) {
    std::vector<uint32_t> out;
    for (int i = 0; i < count; ++i) out.push_back(static_cast<uint32_t>(255 * i / (count - 1)) * 0x010101);
    return out;
}

// --- PNG

struct PngCase {
    const char* name;
    Png png;
    int bits;
    std::vector<uint32_t> pixels;   // top row first, as FramePixels gives them
    std::vector<uint32_t> palette;  // empty: none checked
};

TEST(PngDecoder, EveryColourTypeAndDepthBecomesAFrame) {
    const std::vector<uint32_t> colours = {0x102030, 0x405060, 0x708090, 0xA0B0C0};
    const std::vector<PngCase> cases = {
        {"RGBA", {2, 2, 6, 8, false, {}, Raw({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16})}, 32,
         {0x04010203, 0x08050607, 0x0C090A0B, 0x100D0E0F}, {}},
        {"RGB", {2, 2, 2, 8, false, {}, Raw({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})}, 24,
         {0x010203, 0x040506, 0x070809, 0x0A0B0C}, {}},
        {"palette 8", {3, 1, 3, 8, false, colours, Raw({0, 3, 2})}, 8, {0, 3, 2}, {}},
        {"palette 4", {3, 1, 3, 4, false, colours, Raw({0x13, 0x20})}, 4, {1, 3, 2}, {}},
        {"palette 2", {5, 1, 3, 2, false, colours, Raw({0x1B, 0x40})}, 8, {0, 1, 2, 3, 1}, {}},
        {"palette 1", {3, 1, 3, 1, false, {0x112233, 0x445566}, Raw({0xA0})}, 1, {1, 0, 1}, {0x112233, 0x445566}},
        {"grey 1", {3, 1, 0, 1, false, {}, Raw({0x60})}, 1, {0, 1, 1}, GreyRamp(2)},
        {"grey 2", {4, 1, 0, 2, false, {}, Raw({0x1B})}, 8, {0, 85, 170, 255}, GreyRamp(256)},
        {"grey 4", {3, 1, 0, 4, false, {}, Raw({0x0F, 0x70})}, 4, {0, 15, 7}, GreyRamp(16)},
        {"grey 8", {3, 1, 0, 8, false, {}, Raw({0, 128, 255})}, 8, {0, 128, 255}, GreyRamp(256)},
        {"grey 16", {2, 1, 0, 16, false, {}, Raw({0x12, 0x34, 0xFF, 0x00})}, 8, {0x12, 0xFF}, GreyRamp(256)},
        {"grey and alpha", {2, 1, 4, 8, false, {}, Raw({0x40, 0x80, 0xFF, 0x01})}, 32, {0x80404040, 0x01FFFFFF}, {}},
        {"grey and alpha 16", {1, 1, 4, 16, false, {}, Raw({0x40, 0x99, 0x80, 0x11})}, 32, {0x80404040}, {}},
        {"RGB 16", {1, 1, 2, 16, false, {}, Raw({0x11, 0, 0x22, 0, 0x33, 0xFF})}, 24, {0x112233}, {}},
        {"RGBA 16", {1, 1, 6, 16, false, {}, Raw({0x11, 0, 0x22, 0, 0x33, 0, 0x44, 0})}, 32, {0x44112233}, {}},
    };
    for (const PngCase& c : cases) {
        SCOPED_TRACE(c.name);
        QeDibList frames = Decoded<QePngDecoder>(PngFile(c.png));
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0]->BitsPerPixel(), c.bits);
        EXPECT_EQ(FramePixels(*frames[0]), c.pixels);
        EXPECT_EQ(frames[0]->TransparentIndex(), -1);
        if (!c.palette.empty()) {
            EXPECT_EQ(FramePalette(*frames[0]), c.palette);
        }
        if (c.png.colorType == 3) {
            EXPECT_EQ(FramePalette(*frames[0])[1], c.png.palette[1]);
        }
    }
}

TEST(PngDecoder, RowOrderFollowsTheDepth) {
    // RGBA frames are ready for per-pixel alpha: top row first, blue-green-red-alpha.
    QeDibList rgba = Decoded<QePngDecoder>(PngFile({1, 2, 6, 8, false, {}, Raw({1, 2, 3, 4, 5, 6, 7, 8})}));
    ASSERT_EQ(rgba.size(), 1u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(rgba[0]->Row(0)), 4), Raw({3, 2, 1, 4}));
    QeDibList rgb = Decoded<QePngDecoder>(PngFile({1, 2, 2, 8, false, {}, Raw({1, 2, 3, 4, 5, 6})}));
    ASSERT_EQ(rgb.size(), 1u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(rgb[0]->Row(0)), 3), Raw({6, 5, 4}));
}

TEST(PngDecoder, InterlacedFilesDecodeLikeTheirTwins) {
    struct Case {
        int colorType;
        int bitDepth;
        int channels;
    };
    for (const Case c : {Case{2, 8, 3}, Case{0, 1, 1}, Case{3, 2, 1}, Case{6, 16, 4}}) {
        SCOPED_TRACE(c.colorType * 100 + c.bitDepth);
        Png png{11, 9, c.colorType, c.bitDepth, false, {0x000000, 0x111111, 0x222222, 0x333333}, {}};
        const size_t rowBytes = (11 * c.channels * c.bitDepth + 7) / 8;
        for (size_t i = 0; i < rowBytes * 9; ++i) png.rows.push_back(static_cast<char>(i * 37 + i / 11));
        QeDibList plain = Decoded<QePngDecoder>(PngFile(png));
        png.interlaced = true;
        QeDibList interlaced = Decoded<QePngDecoder>(PngFile(png));
        ASSERT_EQ(plain.size(), 1u);
        ASSERT_EQ(interlaced.size(), 1u);
        EXPECT_EQ(FramePixels(*interlaced[0]), FramePixels(*plain[0]));
    }
}

TEST(PngDecoder, BrokenFilesFailWithTheLibraryMessageInTheTrace) {
    const std::string good = PngFile({2, 2, 2, 8, false, {}, Raw({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})});
    ASSERT_EQ(Decoded<QePngDecoder>(good).size(), 1u);
    const size_t idat = good.find("IDAT");
    ASSERT_NE(idat, std::string::npos);
    const uint32_t length = static_cast<uint32_t>(static_cast<uint8_t>(good[idat - 2]) << 8 | static_cast<uint8_t>(good[idat - 1]));
    std::string badCrc = good;
    badCrc[idat + 4 + length + 3] ^= 0x55;
    {
        TraceLog trace;
        EXPECT_TRUE(Decoded<QePngDecoder>(badCrc).empty());
        EXPECT_NE(trace.Text().find(L"[QE+] QePngDecoder::Decode, IDAT: CRC error\n"), std::wstring::npos) << trace.Text();
    }
    {
        TraceLog trace;
        EXPECT_TRUE(Decoded<QePngDecoder>(good.substr(0, idat + 6)).empty());
        EXPECT_NE(trace.Text().find(L"Error: png_read_data"), std::wstring::npos) << trace.Text();
    }
    TraceLog quiet;
    for (size_t n = 0; n < good.size(); ++n) EXPECT_TRUE(Decoded<QePngDecoder>(good.substr(0, n)).empty()) << n;
    // Wider than the frames allow, refused before the rows are read.
    Png wide{16385, 1, 0, 1, false, {}, std::string(2049, '\0')};
    EXPECT_TRUE(Decoded<QePngDecoder>(PngFile(wide)).empty());
}

// --- JPEG

// Two solid halves, top and bottom, of 16 x 16 pixels with the given samples.
std::string Halves(int components, const std::string& top, const std::string& bottom) {
    std::string samples;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) samples += y < 8 ? top : bottom;
    return JpegFile(16, 16, components, samples, 100);
}

void ExpectNear(uint32_t actual, uint32_t expected, int tolerance) {
    for (int shift : {0, 8, 16}) {
        const int a = static_cast<int>((actual >> shift) & 0xFF);
        const int e = static_cast<int>((expected >> shift) & 0xFF);
        EXPECT_NEAR(a, e, tolerance) << std::hex << actual << " vs " << expected;
    }
}

TEST(JpegDecoder, GreyColourAndCmykComeOutBottomRowFirst) {
    struct Case {
        const char* name;
        int components;
        std::string top;
        std::string bottom;
        int bits;
        uint32_t topPixel;
        uint32_t bottomPixel;
    };
    const Case cases[] = {
        {"grey", 1, Raw({50}), Raw({200}), 8, 50, 200},
        {"RGB", 3, Raw({255, 0, 0}), Raw({0, 0, 255}), 24, 0xFF0000, 0x0000FF},
        // Stored inverted: each sample times the fourth over 255.
        {"CMYK", 4, Raw({255, 128, 0, 255}), Raw({200, 100, 50, 128}), 24, 0xFF8000, 0x643219},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QeDibList frames = Decoded<QeJpegDecoder>(Halves(c.components, c.top, c.bottom));
        ASSERT_EQ(frames.size(), 1u);
        const QeDib& frame = *frames[0];
        EXPECT_EQ(frame.BitsPerPixel(), c.bits);
        EXPECT_EQ(frame.Width(), 16);
        const std::vector<uint32_t> pixels = FramePixels(frame);
        ExpectNear(pixels.front(), c.topPixel, 4);
        ExpectNear(pixels.back(), c.bottomPixel, 4);
        if (c.components == 1) {
            EXPECT_EQ(FramePalette(frame), GreyRamp(256));
        }
    }
}

TEST(JpegDecoder, ProgressiveAndBaselineAgree) {
    std::string samples;
    for (int i = 0; i < 40 * 24 * 3; ++i) samples.push_back(static_cast<char>((i * 5) % 256));
    QeDibList baseline = Decoded<QeJpegDecoder>(JpegFile(40, 24, 3, samples, 90, false));
    QeDibList progressive = Decoded<QeJpegDecoder>(JpegFile(40, 24, 3, samples, 90, true));
    ASSERT_EQ(baseline.size(), 1u);
    ASSERT_EQ(progressive.size(), 1u);
    const std::vector<uint32_t> a = FramePixels(*baseline[0]);
    const std::vector<uint32_t> b = FramePixels(*progressive[0]);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); i += 97) ExpectNear(a[i], b[i], 3);
}

TEST(JpegDecoder, ACutFileStillGivesAFrameAndAnEmptyOneFails) {
    std::string samples;
    for (int i = 0; i < 64 * 64 * 3; ++i) samples.push_back(static_cast<char>(i * 13 / 7));
    const std::string file = JpegFile(64, 64, 3, samples, 90);
    {
        TraceLog trace;
        QeDibList frames = Decoded<QeJpegDecoder>(file.substr(0, file.size() / 2));
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0]->Height(), 64);
        EXPECT_NE(trace.Text().find(L"[QE+] QeJpegDecoder::Decode, Premature end of JPEG file\n"), std::wstring::npos)
            << trace.Text();
    }
    {
        TraceLog trace;
        EXPECT_TRUE(Decoded<QeJpegDecoder>("").empty());
        EXPECT_NE(trace.Text().find(L"Empty input file"), std::wstring::npos) << trace.Text();
    }
    EXPECT_TRUE(Decoded<QeJpegDecoder>(Raw({0xFF, 0xD8, 0x12, 0x34, 0x56})).empty());
    EXPECT_TRUE(Decoded<QeJpegDecoder>(file.substr(0, 20)).empty());

    // A frame larger than allowed is refused from its header.
    std::string huge = file;
    const size_t sof = huge.find(Raw({0xFF, 0xC0}));
    ASSERT_NE(sof, std::string::npos);
    huge.replace(sof + 5, 4, Raw({0x4E, 0x20, 0x4E, 0x20}));  // 20000 x 20000
    EXPECT_TRUE(Decoded<QeJpegDecoder>(huge).empty());
}

}  // namespace
