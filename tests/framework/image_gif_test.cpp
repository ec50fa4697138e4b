#include "framework/image/QeGifDecoder.h"

#include <gtest/gtest.h>

#include "tests/support/ImageFiles.h"

using namespace image_files;

namespace {

const std::vector<uint32_t> kFour = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};

std::vector<uint8_t> Ramp(size_t count, int modulo) {
    std::vector<uint8_t> pixels(count);
    for (size_t i = 0; i < count; ++i) pixels[i] = static_cast<uint8_t>((i * 7 + i / 5) % modulo);
    return pixels;
}

std::vector<uint32_t> Widen(const std::vector<uint8_t>& pixels) { return {pixels.begin(), pixels.end()}; }

struct Gif {
    bool ok;
    QeDibList frames;
    int32_t width = 0;
    int32_t height = 0;
    int depth = 0;
    int32_t loops = 0;
};

Gif DecodeGif(const std::string& bytes) {
    QeMemoryReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    QeGifDecoder decoder;
    Gif gif{decoder.Decode(reader), {}};
    gif.frames = std::move(decoder.Frames());
    gif.width = decoder.ScreenWidth();
    gif.height = decoder.ScreenHeight();
    gif.depth = decoder.GlobalDepth();
    gif.loops = decoder.LoopCount();
    return gif;
}

TEST(GifDecoder, TwoFramesWithTheirLoopCountDelaysAndPlaces) {
    const std::vector<uint8_t> first = {0, 1, 2, 3, 3, 2, 1, 0};
    const std::vector<uint8_t> second = {3, 3, 0, 1, 1, 0};
    for (uint16_t loops : {0, 3}) {
        SCOPED_TRACE(loops);
        const std::string file = GifFile(4, 2, kFour)
                                     .Loop(loops)
                                     .Control(0, 10, -1)
                                     .Image({0, 0, 4, 2, first})
                                     .Control(1, 25, -1)
                                     .Image({1, 0, 3, 2, second})
                                     .Done();
        Gif gif = DecodeGif(file);
        ASSERT_TRUE(gif.ok);
        EXPECT_EQ(gif.width, 4);
        EXPECT_EQ(gif.height, 2);
        EXPECT_EQ(gif.depth, 4);
        EXPECT_EQ(gif.loops, loops);
        ASSERT_EQ(gif.frames.size(), 2u);
        EXPECT_EQ(FramePixels(*gif.frames[0]), Widen(first));
        EXPECT_EQ(FramePixels(*gif.frames[1]), Widen(second));
        EXPECT_EQ(FramePalette(*gif.frames[0]).size(), 16u);
        EXPECT_EQ(FramePalette(*gif.frames[0])[1], 0xFF0000u);
        EXPECT_EQ(gif.frames[0]->DelayMs(), 100);
        EXPECT_EQ(gif.frames[1]->DelayMs(), 250);
        EXPECT_EQ(gif.frames[1]->Disposal(), 1);
        EXPECT_EQ(gif.frames[1]->Left(), 1);
        EXPECT_EQ(gif.frames[1]->Width(), 3);
    }
}

TEST(GifDecoder, TransparencyOfTheFirstFrameNeedsDisposalTwoOrMore) {
    const GifImage image{0, 0, 2, 1, {0, 1}};
    struct Case {
        int disposal;
        int transparent;
        std::vector<int32_t> expected;  // per frame
    };
    const Case cases[] = {
        {1, 2, {-1, 2}},
        {0, 3, {-1, 3}},
        {2, 2, {2, 2}},
        {3, 1, {1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.disposal);
        Gif gif = DecodeGif(GifFile(2, 1, kFour)
                                .Control(c.disposal, 5, c.transparent)
                                .Image(image)
                                .Control(c.disposal, 5, c.transparent)
                                .Image(image)
                                .Done());
        ASSERT_TRUE(gif.ok);
        ASSERT_EQ(gif.frames.size(), 2u);
        EXPECT_EQ(gif.frames[0]->TransparentIndex(), c.expected[0]);
        EXPECT_EQ(gif.frames[1]->TransparentIndex(), c.expected[1]);
        EXPECT_EQ(gif.frames[1]->Disposal(), c.disposal);
    }
    // An index beyond the frame's palette can match nothing.
    Gif gif = DecodeGif(GifFile(2, 1, {0, 0xFFFFFF}).Control(2, 0, 200).Image(image).Done());
    ASSERT_EQ(gif.frames.size(), 1u);
    EXPECT_EQ(gif.frames[0]->TransparentIndex(), -1);
}

TEST(GifDecoder, FramesWithoutAControlExtensionReuseTheLastOne) {
    const GifImage image{0, 0, 2, 1, {1, 2}};
    Gif gif = DecodeGif(GifFile(2, 1, kFour).Image(image).Control(2, 7, 3).Image(image).Image(image).Done());
    ASSERT_TRUE(gif.ok);
    ASSERT_EQ(gif.frames.size(), 3u);
    EXPECT_EQ(gif.frames[0]->DelayMs(), 0);
    EXPECT_EQ(gif.frames[0]->TransparentIndex(), -1);
    EXPECT_EQ(gif.frames[0]->Disposal(), 0);
    for (int i : {1, 2}) {
        EXPECT_EQ(gif.frames[i]->DelayMs(), 70);
        EXPECT_EQ(gif.frames[i]->TransparentIndex(), 3);
        EXPECT_EQ(gif.frames[i]->Disposal(), 2);
    }
}

TEST(GifDecoder, InterlacedRowsGoToTheirPlaces) {
    // Ten rows of one pixel each, numbered by their place in the picture.
    std::vector<uint8_t> picture = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    const std::vector<uint32_t> table(16, 0x808080);
    EXPECT_EQ(Interlace(picture, 1, 10), (std::vector<uint8_t>{0, 8, 4, 2, 6, 1, 3, 5, 7, 9}));
    GifImage image{0, 0, 1, 10, picture};
    image.interlaced = true;
    Gif gif = DecodeGif(GifFile(1, 10, table).Image(image).Done());
    ASSERT_EQ(gif.frames.size(), 1u);
    EXPECT_EQ(FramePixels(*gif.frames[0]), Widen(picture));

    // A wider 8-bit one through all four passes.
    const std::vector<uint32_t> grey(256, 0);
    const std::vector<uint8_t> pixels = Ramp(37 * 21, 256);
    GifImage wide{0, 0, 37, 21, pixels};
    wide.interlaced = true;
    gif = DecodeGif(GifFile(37, 21, grey).Image(wide).Done());
    ASSERT_EQ(gif.frames.size(), 1u);
    EXPECT_EQ(FramePixels(*gif.frames[0]), Widen(pixels));
}

TEST(GifDecoder, EveryDepthAndLocalTablesPackTheirPixels) {
    struct Case {
        size_t tableSize;
        int bits;
    };
    for (const Case c : {Case{2, 1}, Case{4, 4}, Case{16, 4}, Case{32, 8}, Case{256, 8}}) {
        SCOPED_TRACE(c.tableSize);
        const std::vector<uint8_t> pixels = Ramp(13 * 5, static_cast<int>(c.tableSize));
        GifImage image{0, 0, 13, 5, pixels};
        image.localTable.assign(c.tableSize, 0x123456);
        Gif gif = DecodeGif(GifFile(13, 5, {}).Image(image).Done());
        ASSERT_EQ(gif.frames.size(), 1u);
        EXPECT_EQ(gif.frames[0]->BitsPerPixel(), c.bits);
        EXPECT_EQ(FramePixels(*gif.frames[0]), Widen(pixels));
        EXPECT_EQ(FramePalette(*gif.frames[0])[0], 0x123456u);
    }
}

TEST(GifDecoder, LongStringsAndAFullTableDecode) {
    // One colour over 1500 x 1500 pixels makes strings longer than 2048 bytes.
    const std::vector<uint32_t> table = {0x000000, 0xFFFFFF};
    const std::vector<uint8_t> single(1500 * 1500, 1);
    Gif gif = DecodeGif(GifFile(1500, 1500, table).Image({0, 0, 1500, 1500, single}).Done());
    ASSERT_EQ(gif.frames.size(), 1u);
    EXPECT_EQ(FramePixels(*gif.frames[0]), Widen(single));

    // Varied pixels fill the table; without a clear code it stops growing and decoding goes on.
    const std::vector<uint32_t> grey(256, 0);
    const std::vector<uint8_t> noisy = Ramp(200 * 200, 251);
    GifImage image{0, 0, 200, 200, noisy};
    gif = DecodeGif(GifFile(200, 200, grey).RawImage(image, GifImageData(noisy, 8, false)).Done());
    ASSERT_EQ(gif.frames.size(), 1u);
    EXPECT_EQ(FramePixels(*gif.frames[0]), Widen(noisy));
    gif = DecodeGif(GifFile(200, 200, grey).RawImage(image, GifImageData(noisy, 8, true)).Done());
    ASSERT_EQ(gif.frames.size(), 1u);
    EXPECT_EQ(FramePixels(*gif.frames[0]), Widen(noisy));
}

TEST(GifDecoder, ValuesBeyondTheDepthAndDataBeyondTheLastRow) {
    // A two-colour frame coded with 8-bit values keeps only the lowest bit.
    GifImage image{0, 0, 4, 1, {}};
    Gif gif = DecodeGif(GifFile(4, 1, {0, 0xFFFFFF}).RawImage(image, GifImageData({2, 3, 254, 255}, 8)).Done());
    ASSERT_EQ(gif.frames.size(), 1u);
    EXPECT_EQ(FramePixels(*gif.frames[0]), (std::vector<uint32_t>{0, 1, 0, 1}));
    // A four-colour frame keeps four bits.
    gif = DecodeGif(GifFile(4, 1, kFour).RawImage(image, GifImageData({0x12, 0x34, 0xFF, 0x0F}, 8)).Done());
    ASSERT_EQ(gif.frames.size(), 1u);
    EXPECT_EQ(FramePixels(*gif.frames[0]), (std::vector<uint32_t>{2, 4, 15, 15}));
    // Twice the pixels the frame holds.
    gif = DecodeGif(GifFile(4, 1, kFour).RawImage(image, GifImageData({1, 2, 3, 0, 3, 3, 3, 3}, 2)).Done());
    ASSERT_TRUE(gif.ok);
    ASSERT_EQ(gif.frames.size(), 1u);
    EXPECT_EQ(FramePixels(*gif.frames[0]), (std::vector<uint32_t>{1, 2, 3, 0}));
    // Too few pixels leave the rest at 0.
    gif = DecodeGif(GifFile(4, 1, kFour).RawImage(image, GifImageData({3}, 2)).Done());
    ASSERT_EQ(gif.frames.size(), 1u);
    EXPECT_EQ(FramePixels(*gif.frames[0]), (std::vector<uint32_t>{3, 0, 0, 0}));
}

TEST(GifDecoder, BrokenFilesFailAndKeepNoFrame) {
    const GifImage image{0, 0, 2, 1, {1, 2}};
    const std::string good = GifFile(2, 1, kFour).Image(image).Done();
    ASSERT_TRUE(DecodeGif(good).ok);
    // Codes for a 2-bit minimum: clear 4, end 5, first free 6; 3 bits each.
    struct Case {
        const char* name;
        std::string file;
    };
    const Case cases[] = {
        {"bad signature", "GIX" + good.substr(3)},
        {"bad version", "GIF88a" + good.substr(6)},
        {"minimum code size 1", GifFile(2, 1, kFour).RawImage(image, GifCodes(1, {2, 1, 3}, 2)).Done()},
        {"minimum code size 9", GifFile(2, 1, kFour).RawImage(image, GifCodes(9, {512, 1, 513}, 10)).Done()},
        {"code above the next free one", GifFile(2, 1, kFour).RawImage(image, GifCodes(2, {4, 1, 7, 5}, 3)).Done()},
        {"next free code right after a clear", GifFile(2, 1, kFour).RawImage(image, GifCodes(2, {4, 6, 5}, 3)).Done()},
        {"zero width", GifFile(2, 1, kFour).Image({0, 0, 0, 1, {}}).Done()},
        {"no trailer", good.substr(0, good.size() - 1)},
        {"good first frame, cut second", good.substr(0, good.size() - 1) + good.substr(25, 12)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Gif gif = DecodeGif(c.file);
        EXPECT_FALSE(gif.ok);
        EXPECT_TRUE(gif.frames.empty());
    }
    for (size_t n = 0; n < good.size(); ++n) EXPECT_FALSE(DecodeGif(good.substr(0, n)).ok) << n;
}

TEST(GifDecoder, StrayBytesAndOtherExtensionsAreSkipped) {
    const GifImage image{0, 0, 2, 1, {1, 2}};
    const std::string comment = std::string("\x21\xFE\x03" "abc\x00", 7);
    const std::string text = std::string("\x21\x01\x02xy\x00", 6);
    const std::string app = std::string("\x21\xFF\x0B", 3) + "OTHERAPP1.0" + std::string("\x03\x01\x09\x00\x00", 5);
    Gif gif = DecodeGif(GifFile(2, 1, kFour, "87a").Bytes(comment + Raw({0, 7}) + text + app).Image(image).Done());
    ASSERT_TRUE(gif.ok);
    EXPECT_EQ(gif.loops, 0);
    ASSERT_EQ(gif.frames.size(), 1u);
    EXPECT_EQ(FramePixels(*gif.frames[0]), (std::vector<uint32_t>{1, 2}));
}

}  // namespace
