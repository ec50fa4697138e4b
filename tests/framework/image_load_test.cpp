#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "framework/image/QeImageDecoder.h"
#include "tests/framework/temp_dir.h"
#include "tests/support/ImageFiles.h"

using namespace image_files;

namespace {

const std::vector<uint32_t> kFour = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};

std::string SmallPng() { return PngFile({2, 1, 6, 8, false, {}, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)}); }

std::string SmallGif() {
    return GifFile(5, 3, kFour).Loop(3).Control(0, 10, -1).Image({0, 0, 2, 1, {1, 2}}).Image({0, 0, 1, 1, {3}}).Done();
}

std::string SmallBmp() { return BmpFile({1, 1, 24, 0, 0, 40, {}, {}, BmpRows({"\x01\x02\x03"})}); }

TEST(ImageFormat, DetectedFromTheFirstEightBytesWithThePositionKept) {
    const struct {
        std::string head;
        int format;
    } cases[] = {
        {std::string("\x89PNG\r\n\x1A\n", 8), kImagePng},
        {std::string("GIF87a\x01\x00", 8), kImageGif},
        {std::string("GIF89a\x01\x00", 8), kImageGif},
        {std::string("GIF88a\x01\x00", 8), kImageOther},
        {std::string("\xFF\xD8\xFF\xE0\x00\x10JF", 8), kImageJpeg},
        {std::string("BM\x3A\x00\x00\x00\x00\x00", 8), kImageBmp},
        {"BMP", kImageOther},  // fewer than 8 bytes
        {std::string("RIFF\x00\x00\x00\x00", 8), kImageOther},
    };
    for (const auto& c : cases) {
        QeMemoryReader reader(c.head.data(), static_cast<uint32_t>(c.head.size()));
        EXPECT_EQ(DetectImageFormat(reader), c.format) << c.head;
        EXPECT_EQ(reader.Tell(), 0u);
    }
}

TEST(ImageFormat, ExtensionsCountOnlyAsWritten) {
    const struct {
        const wchar_t* path;
        int format;
    } cases[] = {
        {L"Image\\a.bmp", kImageBmp}, {L"a.jpg", kImageJpeg},   {L"a.png", kImagePng}, {L"a.gif", kImageGif},
        {L"a.PNG", kImageOther},      {L"a.jpeg", kImageOther}, {L"png", kImageOther}, {L"a.png.txt", kImageOther},
    };
    for (const auto& c : cases) EXPECT_EQ(ImageFormatFromExtension(c.path), c.format) << c.path;
}

TEST(DecodeImage, FillsTheImageFromTheFirstFrameOrTheGifScreen) {
    struct Case {
        const char* name;
        std::string bytes;
        int format;
        int32_t width, height;
        int16_t depth;
        int32_t loops;
        size_t frames;
    };
    const Case cases[] = {
        {"png sniffed", SmallPng(), kImageOther, 2, 1, 32, 0, 1},
        {"bmp named", SmallBmp(), kImageBmp, 1, 1, 24, 0, 1},
        {"gif screen", SmallGif(), kImageOther, 5, 3, 4, 3, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QeMemoryReader reader(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()));
        QeDecodedImage image;
        ASSERT_TRUE(DecodeImage(image, reader, c.format));
        EXPECT_EQ(image.Width(), c.width);
        EXPECT_EQ(image.Height(), c.height);
        EXPECT_EQ(image.Depth(), c.depth);
        EXPECT_EQ(image.LoopCount(), c.loops);
        EXPECT_EQ(image.Frames().size(), c.frames);
        DeleteAllAndClear(image.Frames());
        EXPECT_TRUE(image.Frames().empty());
    }
    const std::string png = SmallPng();
    for (int format : {int{kImageBmp}, int{kImageGif}, 5, -1}) {
        QeMemoryReader reader(png.data(), static_cast<uint32_t>(png.size()));
        QeDecodedImage image;
        EXPECT_FALSE(DecodeImage(image, reader, format)) << format;
        EXPECT_TRUE(image.Frames().empty());
    }
}

TEST(LoadImageFile, TakesTheExtensionElseTheContent) {
    TempDir dir;
    ASSERT_TRUE(dir.Valid());
    dir.WriteBytes("capital.PNG", SmallPng());
    dir.WriteBytes("anim.gif", SmallGif());
    dir.WriteBytes("picture.png", SmallBmp());  // the extension decides, and says PNG
    dir.WriteBytes("short.bin", "GIF89");
    QeDecodedImage image;
    ASSERT_TRUE(LoadImageFile(image, dir.Path(L"capital.PNG"), kImageOther));
    EXPECT_EQ(image.Depth(), 32);
    QeDecodedImage gif;
    ASSERT_TRUE(LoadImageFile(gif, dir.Path(L"anim.gif"), kImageOther));
    EXPECT_EQ(gif.Frames().size(), 2u);
    EXPECT_EQ(gif.LoopCount(), 3);
    QeDecodedImage other;
    EXPECT_FALSE(LoadImageFile(other, dir.Path(L"picture.png"), kImageOther));
    EXPECT_TRUE(LoadImageFile(other, dir.Path(L"picture.png"), kImageBmp));
    EXPECT_FALSE(LoadImageFile(other, dir.Path(L"short.bin"), kImageOther));
    EXPECT_FALSE(LoadImageFile(other, dir.Path(L"missing.png"), kImageOther));
}

TEST(QeDib, CreateRaisesTheDepthAndRefusesOversizeFrames) {
    const struct {
        int32_t width, height;
        int bits;
        bool made;
        int raisedBits;
        uint32_t stride;
        uint32_t colours;
    } cases[] = {
        {3, 2, 1, true, 1, 4, 2},      {3, 2, 2, true, 4, 4, 16},      {5, 1, 5, true, 8, 8, 256},
        {5, 1, 12, true, 16, 12, 0},   {5, 1, 20, true, 24, 16, 0},    {5, 1, 30, true, 32, 20, 0},
        {16384, 1024, 32, true, 32, 65536, 0},  // exactly 64 MiB
        {16384, 1025, 32, false, 0, 0, 0},      {16385, 1, 8, false, 0, 0, 0},
        {0, 1, 8, false, 0, 0, 0},              {1, -1, 8, false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.bits);
        QeDib dib;
        ASSERT_EQ(dib.Create(c.width, c.height, c.bits), c.made);
        if (!c.made) {
            EXPECT_EQ(dib.Pixels(), nullptr);
            continue;
        }
        EXPECT_EQ(dib.BitsPerPixel(), c.raisedBits);
        EXPECT_EQ(dib.Stride(), c.stride);
        EXPECT_EQ(dib.Header().biSizeImage, c.stride * static_cast<uint32_t>(c.height));
        EXPECT_EQ(dib.Header().biClrUsed, c.colours);
        EXPECT_EQ(dib.PaletteRoom(), c.colours);
    }
}

// The fuzzers' seeds by folder and name: one file of each kind the decoders take apart.
std::map<std::string, std::map<std::string, std::string>> Seeds() {
    std::string rle8 = BmpFile({4, 2, 8, 1, 4, 40, {0, 0xFF, 0xFF00, 0xFF0000}, {}, std::string("\x03\x01\x00\x02\x01\x01\x00\x00\x00\x03\x01\x02\x03\x00\x00\x01", 16)});
    std::string rle4 = BmpFile({6, 2, 4, 2, 4, 40, {0, 0xFF, 0xFF00, 0xFF0000}, {}, std::string("\x05\x12\x00\x00\x00\x05\x12\x30\x00\x00\x00\x01", 12)});
    std::string noisy;
    for (int i = 0; i < 24 * 16 * 3; ++i) noisy.push_back(static_cast<char>(i * 11 % 256));
    GifImage interlaced{0, 0, 6, 9, std::vector<uint8_t>(54, 2)};
    interlaced.interlaced = true;
    return {
        {"bmp",
         {{"rgb24", SmallBmp()},
          {"pal1_core", BmpFile({3, 2, 1, 0, 0, 12, {0, 0xFFFFFF}, {}, BmpRows({"\xA0", "\x60"})})},
          {"pal8_v5", BmpFile({2, 2, 8, 0, 2, 124, {0x102030, 0x405060}, {}, BmpRows({Raw({1, 0}), Raw({0, 1})})})},
          {"fields565", BmpFile({2, 1, 16, 3, 0, 40, {}, {0xF800, 0x07E0, 0x001F}, BmpRows({Raw({0x00, 0xF8, 0xE0, 0x07})})})},
          {"top_down32", BmpFile({1, -2, 32, 0, 0, 40, {}, {}, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)})},
          {"rle8", rle8},
          {"rle4", rle4}}},
        {"gif",
         {{"two_frames", SmallGif()},
          {"interlaced", GifFile(6, 9, kFour).Control(2, 5, 1).Image(interlaced).Done()},
          {"local_table", GifFile(3, 1, {}).Image({0, 0, 3, 1, {0, 1, 0}, {0xFF, 0xFF00}}).Done()}}},
        {"png",
         {{"rgba", SmallPng()},
          {"palette2", PngFile({5, 1, 3, 2, false, {1, 2, 3, 4}, "\x1B\x40"})},
          {"grey16_interlaced", PngFile({3, 3, 0, 16, true, {}, std::string(18, '\x55')})},
          {"grey_alpha", PngFile({2, 1, 4, 8, false, {}, "\x40\x80\xFF\x01"})}}},
        {"jpeg",
         {{"grey", JpegFile(8, 8, 1, std::string(64, '\x40'), 75)},
          {"rgb", JpegFile(24, 16, 3, noisy, 75)},
          {"progressive", JpegFile(24, 16, 3, noisy, 75, true)},
          {"cmyk", JpegFile(8, 8, 4, std::string(256, '\x80'), 75)}}},
    };
}

TEST(ImageSeeds, EveryOneDecodes) {
    for (const auto& [folder, files] : Seeds()) {
        for (const auto& [name, bytes] : files) {
            QeMemoryReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
            QeDecodedImage image;
            EXPECT_TRUE(DecodeImage(image, reader, kImageOther)) << folder << "/" << name;
        }
    }
}

// Writes the seeds into the folder that TEVRIK_IMAGE_CORPUS names (tests/framework/make_image_corpus.sh).
TEST(ImageSeeds, WrittenOnRequest) {
    const char* root = std::getenv("TEVRIK_IMAGE_CORPUS");
    if (root == nullptr) GTEST_SKIP() << "TEVRIK_IMAGE_CORPUS not set";
    for (const auto& [folder, files] : Seeds()) {
        const std::filesystem::path dir = std::filesystem::path(root) / folder;
        std::filesystem::create_directories(dir);
        for (const auto& [name, bytes] : files) std::ofstream(dir / name, std::ios::binary) << bytes;
    }
}

}  // namespace
