#include "framework/image/QeBmpDecoder.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "tests/support/ImageFiles.h"

using namespace image_files;

namespace {

std::unique_ptr<QeDib> DecodeOne(const std::string& bytes) {
    QeDibList frames = Decoded<QeBmpDecoder>(bytes);
    return frames.size() == 1 ? std::move(frames[0]) : nullptr;
}

std::string MemoryBytes(const QeDib& frame) {
    return std::string(reinterpret_cast<const char*>(frame.Pixels()), frame.PixelBytes());
}

std::vector<uint32_t> Grey256() {
    std::vector<uint32_t> palette;
    for (uint32_t i = 0; i < 256; ++i) palette.push_back(i * 0x010101);
    return palette;
}

// --- plain depths

struct DepthCase {
    const char* name;
    Bmp bmp;
    std::vector<uint32_t> pixels;   // top row first
    std::vector<uint32_t> palette;  // as the frame keeps it
};

TEST(BmpDecoder, EveryDepthGivesItsPixelsAndPalette) {
    const std::vector<DepthCase> cases = {
        {"1 bit", {3, 2, 1, 0, 0, 40, {0x000000, 0xFFFFFF}, {}, BmpRows({"\xA0", "\x60"})},
         {1, 0, 1, 0, 1, 1}, {0x000000, 0xFFFFFF}},
        {"4 bits, 3 colours", {3, 2, 4, 0, 3, 40, {0xFF0000, 0x00FF00, 0x0000FF}, {}, BmpRows({Raw({0x01, 0x20}), Raw({0x21, 0x00})})},
         {0, 1, 2, 2, 1, 0}, {0xFF0000, 0x00FF00, 0x0000FF}},
        {"8 bits", {3, 2, 8, 0, 0, 40, Grey256(), {}, BmpRows({"\x05\x06\x07", "\xC8\xC9\xFF"})},
         {5, 6, 7, 200, 201, 255}, Grey256()},
        {"16 bits 555", {2, 2, 16, 0, 0, 40, {}, {}, BmpRows({Raw({0x00, 0x7C, 0xE0, 0x03}), Raw({0x1F, 0x00, 0xFF, 0x7F})})},
         {0x7C00, 0x03E0, 0x001F, 0x7FFF}, {}},
        {"24 bits", {2, 2, 24, 0, 0, 40, {}, {}, BmpRows({"\x01\x02\x03\x04\x05\x06", "\x07\x08\x09\x0A\x0B\x0C"})},
         {0x030201, 0x060504, 0x090807, 0x0C0B0A}, {}},
        {"32 bits", {2, 2, 32, 0, 0, 40, {}, {}, BmpRows({Raw({1, 2, 3, 0x80, 4, 5, 6, 0xFF}), Raw({7, 8, 9, 0, 10, 11, 12, 0x10})})},
         {0x80030201, 0xFF060504, 0x00090807, 0x100C0B0A}, {}},
    };
    for (const DepthCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto frame = DecodeOne(BmpFile(c.bmp));
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->BitsPerPixel(), c.bmp.bits);
        EXPECT_EQ(FramePixels(*frame), c.pixels);
        EXPECT_EQ(FramePalette(*frame), c.palette);
        EXPECT_EQ(frame->TransparentIndex(), -1);
    }
}

TEST(BmpDecoder, ThirtyTwoBitFramesLieTopRowFirstWhicheverWayTheFileIs) {
    const std::string top = "\x01\x02\x03\x04";
    const std::string bottom = "\x05\x06\x07\x08";
    Bmp bmp{1, 2, 32, 0, 0, 40, {}, {}, BmpRows({top, bottom})};
    auto upward = DecodeOne(BmpFile(bmp));
    bmp.height = -2;
    bmp.pixels = top + bottom;
    auto downward = DecodeOne(BmpFile(bmp));
    ASSERT_NE(upward, nullptr);
    ASSERT_NE(downward, nullptr);
    EXPECT_EQ(MemoryBytes(*upward), top + bottom);
    EXPECT_EQ(MemoryBytes(*downward), top + bottom);
}

TEST(BmpDecoder, TopDownFilesEndBottomRowFirstLikeTheirTwins) {
    const std::vector<std::string> rows = {"\x01\x02\x03\x04\x05\x06", "\x11\x12\x13\x14\x15\x16", "\x21\x22\x23\x24\x25\x26"};
    Bmp bmp{2, 3, 24, 0, 0, 40, {}, {}, BmpRows(rows)};
    auto upward = DecodeOne(BmpFile(bmp));
    bmp.height = -3;
    bmp.pixels.clear();
    for (const std::string& row : rows) bmp.pixels += row + std::string(2, '\0');
    auto downward = DecodeOne(BmpFile(bmp));
    ASSERT_NE(upward, nullptr);
    ASSERT_NE(downward, nullptr);
    EXPECT_EQ(MemoryBytes(*downward), MemoryBytes(*upward));
    EXPECT_EQ(FramePixels(*downward)[0], 0x030201u);
}

TEST(BmpDecoder, HeaderFormsAgreeOnPixelsAndPalette) {
    const std::string pixels = BmpRows({"\x80", "\x40"});
    const std::vector<uint32_t> palette = {0x102030, 0xA0B0C0};
    const Bmp windows{2, 2, 1, 0, 0, 40, palette, {}, pixels};
    Bmp core = windows;
    core.headerSize = 12;
    // A long header puts the palette further on; it is still read from where it lies.
    Bmp v5 = windows;
    v5.headerSize = 124;
    auto expected = DecodeOne(BmpFile(windows));
    ASSERT_NE(expected, nullptr);
    EXPECT_EQ(FramePixels(*expected), (std::vector<uint32_t>{1, 0, 0, 1}));
    EXPECT_EQ(FramePalette(*expected), palette);
    for (const Bmp& twin : {core, v5}) {
        SCOPED_TRACE(twin.headerSize);
        auto frame = DecodeOne(BmpFile(twin));
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(FramePixels(*frame), FramePixels(*expected));
        EXPECT_EQ(FramePalette(*frame), palette);
        EXPECT_EQ(frame->Header().biSize, 40u);
    }
}

TEST(BmpDecoder, BitFieldsKeepTheirMasksAndNoPalette) {
    struct Case {
        uint16_t bits;
        std::vector<uint32_t> masks;
        std::string row;
        std::vector<uint32_t> pixels;
    };
    const std::vector<Case> cases = {
        {16, {0x7C00, 0x03E0, 0x001F}, Raw({0x00, 0x7C, 0x1F, 0x00}), {0x7C00, 0x001F}},
        {16, {0xF800, 0x07E0, 0x001F}, Raw({0x00, 0xF8, 0xE0, 0x07}), {0xF800, 0x07E0}},
        // A fourth byte of 0 in every pixel is no alpha: the frame is opaque.
        {32, {0xFF0000, 0x00FF00, 0x0000FF}, std::string("\x01\x02\x03\x00\x04\x05\x06\x00", 8), {0xFF030201, 0xFF060504}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.masks[1]);
        // A palette named above 8 bits is not kept: it would lie where the masks are.
        const Bmp bmp{2, 1, c.bits, 3, 2, 40, {0xFFFFFF, 0xFFFFFF}, c.masks, BmpRows({c.row})};
        auto frame = DecodeOne(BmpFile(bmp));
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->Header().biCompression, 3u);
        EXPECT_EQ(frame->Header().biClrUsed, 0u);
        EXPECT_EQ(frame->Palette(), nullptr);
        EXPECT_EQ((std::vector<uint32_t>{frame->Mask(0), frame->Mask(1), frame->Mask(2)}), c.masks);
        EXPECT_EQ(FramePixels(*frame), c.pixels);
    }
}

TEST(BmpDecoder, PaletteCountIsClampedToTheDepth) {
    std::vector<uint32_t> palette = Grey256();
    palette.resize(300, 0xFF00FF);
    const Bmp bmp{1, 1, 8, 0, 300, 40, palette, {}, BmpRows({"\xFF"})};
    auto frame = DecodeOne(BmpFile(bmp));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->Header().biClrUsed, 256u);
    EXPECT_EQ(FramePalette(*frame), Grey256());
    EXPECT_EQ(FramePixels(*frame), (std::vector<uint32_t>{255}));
}

TEST(BmpDecoder, HeadersOutsideTheLimitsAreRefused) {
    struct Case {
        const char* name;
        int32_t width;
        int32_t height;
        uint16_t bits;
        uint32_t compression;
        uint32_t headerSize;
    };
    const Case cases[] = {
        {"width 0", 0, 1, 8, 0, 40},
        {"negative width", -4, 1, 8, 0, 40},
        {"height 0", 1, 0, 8, 0, 40},
        {"width past 16384", 16385, 1, 1, 0, 40},
        {"height past 16384", 1, -16385, 1, 0, 40},
        {"lowest height", 1, INT32_MIN, 1, 0, 40},
        {"pixels past 64 MiB", 16384, 16384, 24, 0, 40},
        {"2 bits", 4, 1, 2, 0, 40},
        {"0 bits", 4, 1, 0, 0, 40},
        {"compression 4", 4, 1, 8, 4, 40},
        {"RLE8 at 4 bits", 4, 1, 4, 1, 40},
        {"RLE4 at 8 bits", 4, 1, 8, 2, 40},
        {"bit fields at 24 bits", 4, 1, 24, 3, 40},
        {"header of 20 bytes", 4, 1, 8, 0, 20},
        {"header of 4 bytes", 4, 1, 8, 0, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bmp bmp{c.width, c.height, c.bits, c.compression, 0, c.headerSize, {}, {}, std::string(64, '\0')};
        EXPECT_EQ(DecodeOne(BmpFile(bmp)), nullptr);
    }
    const Bmp widest{16384, 1, 8, 0, 0, 40, Grey256(), {}, std::string(16384, '\x07')};
    EXPECT_NE(DecodeOne(BmpFile(widest)), nullptr);
    EXPECT_EQ(DecodeOne(std::string("BN") + BmpFile(widest).substr(2)), nullptr);
}

TEST(BmpDecoder, EveryCutOfAFileFails) {
    const Bmp palette{3, 2, 8, 0, 0, 40, Grey256(), {}, BmpRows({"\x01\x02\x03", "\x04\x05\x06"})};
    const Bmp rle{4, 1, 8, 1, 0, 40, Grey256(), {}, std::string("\x02\x05\x00\x01", 4)};
    const Bmp core{2, 2, 24, 0, 0, 12, {}, {}, BmpRows({"\x01\x02\x03\x04\x05\x06", "\x07\x08\x09\x0A\x0B\x0C"})};
    for (const Bmp& bmp : {palette, rle, core}) {
        const std::string file = BmpFile(bmp);
        ASSERT_NE(DecodeOne(file), nullptr);
        for (size_t n = 0; n < file.size(); ++n) EXPECT_EQ(DecodeOne(file.substr(0, n)), nullptr) << n << " bytes";
    }
}

// --- run-length data

struct RleCase {
    const char* name;
    int32_t width;
    int32_t height;
    std::string data;
    std::string memory;  // the frame's bytes, first row in memory (the bottom row) first; empty: fails
};

void CheckRle(uint16_t bits, uint32_t compression, const std::vector<RleCase>& cases) {
    for (const RleCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint32_t> palette(bits == 8 ? 256 : 16, 0);
        const Bmp bmp{c.width, c.height, bits, compression, 0, 40, palette, {}, c.data};
        auto frame = DecodeOne(BmpFile(bmp));
        if (c.memory.empty()) {
            EXPECT_EQ(frame, nullptr);
            continue;
        }
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->Header().biCompression, 0u);
        EXPECT_EQ(MemoryBytes(*frame), c.memory);
    }
}

TEST(BmpDecoder, Rle8ExpandsRunsAndClipsWhatLeavesTheImage) {
    CheckRle(8, 1, {
        {"two bytes then the end", 4, 1, Raw({2, 5, 0, 1}), Raw({5, 5, 0, 0})},
        {"run, end of line, padded absolute run", 4, 2, Raw({3, 7, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1}),
         Raw({7, 7, 7, 0, 1, 2, 3, 0})},
        {"run past the row end stays in its row", 4, 2, Raw({6, 9, 0, 0, 1, 4, 0, 1}), Raw({9, 9, 9, 9, 4, 0, 0, 0})},
        {"absolute run past the row end", 4, 1, Raw({0, 6, 1, 2, 3, 4, 5, 6, 0, 1}), Raw({1, 2, 3, 4})},
        {"delta", 4, 2, Raw({0, 2, 1, 1, 2, 8, 0, 1}), Raw({0, 0, 0, 0, 0, 8, 8, 0})},
        {"delta past the row end drops the run", 4, 2, Raw({0, 2, 9, 0, 2, 4, 0, 0, 1, 6, 0, 1}),
         Raw({0, 0, 0, 0, 6, 0, 0, 0})},
        {"delta past the last row ends and keeps", 4, 2, Raw({1, 3, 0, 2, 0, 5, 2, 9, 0, 1}), Raw({3, 0, 0, 0, 0, 0, 0, 0})},
        {"end of line past the last row ends", 4, 2, Raw({1, 1, 0, 0, 1, 2, 0, 0, 0xFF}), Raw({1, 0, 0, 0, 2, 0, 0, 0})},
        {"no end mark", 4, 1, Raw({2, 5}), ""},
        {"cut absolute run", 4, 1, Raw({0, 3, 1, 2}), ""},
        {"cut delta", 4, 1, Raw({0, 2, 1}), ""},
    });
}

TEST(BmpDecoder, Rle4ExpandsNibblesAndClipsWhatLeavesTheImage) {
    CheckRle(4, 2, {
        {"run of alternating nibbles", 4, 1, Raw({3, 0x12, 0, 1}), Raw({0x12, 0x10, 0, 0})},
        {"absolute run of 3", 4, 1, Raw({0, 3, 0x45, 0x60, 0, 1}), Raw({0x45, 0x60, 0, 0})},
        {"absolute run of 5 is padded", 6, 1, Raw({0, 5, 0x12, 0x34, 0x50, 0, 0, 1}), Raw({0x12, 0x34, 0x50, 0})},
        {"run past the row end", 4, 2, Raw({7, 0xAB, 0, 0, 1, 0xC0, 0, 1}), Raw({0xAB, 0xAB, 0, 0, 0xC0, 0, 0, 0})},
        {"odd delta lands on its pixel", 4, 1, Raw({0, 2, 1, 0, 2, 0x77, 0, 1}), Raw({0x07, 0x70, 0, 0})},
        {"delta past the last row ends and keeps", 4, 1, Raw({2, 0x11, 0, 2, 0, 1, 2, 0x22, 0, 1}), Raw({0x11, 0, 0, 0})},
        {"no end mark", 4, 1, Raw({2, 0x11}), ""},
    });
}

}  // namespace
