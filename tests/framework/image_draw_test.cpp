#include "framework/ui/drawing/QeImage.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "framework/base/QeClock.h"
#include "tests/framework/picture.h"
#include "tests/support/ImageFiles.h"
#include "tests/support/Pump.h"

namespace {

using Rows = std::vector<std::string>;
using image_files::GifFile;
using image_files::GifImage;
using image_files::Raw;


// Two 1 x 1 frames, red for 100 ms then green for 200 ms, played `loops` times (0: forever).
std::string RedThenGreen(uint16_t loops) {
    return GifFile(1, 1, {0xFF0000, 0x00FF00})
        .Loop(loops)
        .Control(0, 10, -1)
        .Image(GifImage(0, 0, 1, 1, {0}))
        .Control(0, 20, -1)
        .Image(GifImage(0, 0, 1, 1, {1}))
        .Done();
}

// An image loaded from the bytes in the mode; the stream lives as long as the test needs it.
class Loaded {
public:
    Loaded(const std::string& bytes, int mode) : m_bytes(bytes), m_reader(m_bytes.data(), static_cast<uint32_t>(m_bytes.size())) {
        QeImageKey key;
        key.source = &m_reader;
        key.bitmapMode = mode;
        ok = image.Load(key);
    }
    bool ok = false;
    QeImage image;

private:
    std::string m_bytes;
    QeMemoryReader m_reader;
};

void ExpectColor(COLORREF actual, int red, int green, int blue, const std::string& what) {
    EXPECT_NEAR(GetRValue(actual), red, 1) << what;
    EXPECT_NEAR(GetGValue(actual), green, 1) << what;
    EXPECT_NEAR(GetBValue(actual), blue, 1) << what;
}

TEST(ImageDrawTest, TheFourDrawMethods) {
    Loaded keyed(PictureBmp({"MRM", "GMB"}), kBitmapPerPixelAlpha);
    // White at alpha 255, 128 and 0: premultiplied when loaded.
    Loaded alpha(PictureBmp({"WWW"}, 32, {"#+."}), kBitmapPerPixelAlpha);
    ASSERT_TRUE(keyed.ok);
    ASSERT_TRUE(alpha.ok);
    const RECT whole = {0, 0, 0, 0};
    const struct {
        const char* what;
        std::function<bool(QeDC&)> draw;
        Rows expected;  // over blue
    } cases[] = {
        {"copy", [&](QeDC& to) { return keyed.image.DrawBlt(to, whole, whole, SRCCOPY); }, {"MRM", "GMB"}},
        {"colour key", [&](QeDC& to) { return keyed.image.DrawTransparent(to, whole, whole, RGB(255, 0, 255)); },
         {"BRB", "GBB"}},
        {"opaque alpha", [&](QeDC& to) { return keyed.image.DrawAlpha(to, whole, whole, 255); }, {"MRM", "GMB"}},
        {"invisible alpha", [&](QeDC& to) { return keyed.image.DrawAlpha(to, whole, whole, 0); }, {"BBB", "BBB"}},
        {"premultiplied copy", [&](QeDC& to) { return alpha.image.DrawBlt(to, whole, whole, SRCCOPY); },
         {"W?.", "BBB"}},
        {"per-pixel alpha", [&](QeDC& to) { return alpha.image.DrawAlphaPerPixel(to, whole, whole); },
         {"W?B", "BBB"}},
    };
    for (const auto& c : cases) {
        QeSurface target;
        ASSERT_TRUE(MakeSurface(target, {"BBB", "BBB"}));
        EXPECT_TRUE(c.draw(target)) << c.what;
        EXPECT_EQ(Picture(target), c.expected) << c.what;
    }
    // Half-transparent white over blue, and at constant alpha 128 over blue.
    QeSurface target;
    ASSERT_TRUE(MakeSurface(target, {"BBB", "BBB"}));
    ASSERT_TRUE(alpha.image.DrawAlphaPerPixel(target, whole, whole));
    ExpectColor(PixelAt(target, 1, 0), 128, 128, 255, "alpha 128 per pixel");
    ASSERT_TRUE(keyed.image.DrawAlpha(target, whole, whole, 128));
    ExpectColor(PixelAt(target, 1, 0), 192, 64, 128, "red at 128 over that");
}

// A 32-bit BMP of one row of two pixels, field by field; a bit-field file (compression 3) carries
// its red, green and blue masks after the info header.
std::string Bmp32(const std::vector<uint32_t>& masks, const std::string& pixels) {
    auto le = [](uint32_t value, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
        return out;
    };
    const uint32_t offset = 14 + 40 + 4 * static_cast<uint32_t>(masks.size());
    std::string file = "BM";                                            // file header: signature,
    file += le(offset + static_cast<uint32_t>(pixels.size()), 4);       // file size,
    file += le(0, 4);                                                   // reserved,
    file += le(offset, 4);                                              // where the pixels start
    file += le(40, 4);                                                  // info header: its size,
    file += le(2, 4) + le(1, 4);                                        // width 2, height 1,
    file += le(1, 2) + le(32, 2);                                       // one plane, 32 bits a pixel,
    file += le(masks.empty() ? 0 : 3, 4);                               // compression,
    file += le(static_cast<uint32_t>(pixels.size()), 4);                // image size,
    file += std::string(16, '\0');                                      // resolution, colours used
    for (uint32_t mask : masks) file += le(mask, 4);                    // red, green, blue masks
    return file + pixels;
}

TEST(ImageDrawTest, ThirtyTwoBitBmpsKeepAlphaOnlyWhereTheyHaveItAndReadBitFieldsThroughTheirMasks) {
    const std::vector<uint32_t> usual = {0xFF0000, 0x00FF00, 0x0000FF};
    const struct {
        const char* what;
        std::vector<uint32_t> masks;  // none: a plain file
        std::string pixels;           // two pixels, each as stored (little-endian)
        std::string expected;         // drawn with per-pixel alpha over blue
    } cases[] = {
        {"plain, fourth byte 0 everywhere", {}, Raw({0, 0, 255, 0, /**/ 0, 255, 0, 0}), "RG"},
        {"plain, alpha in one pixel", {}, Raw({0, 0, 255, 255, /**/ 0, 255, 0, 0}), "RB"},
        {"usual masks, fourth byte 0 everywhere", usual, Raw({0, 0, 255, 0, /**/ 0, 255, 0, 0}), "RG"},
        {"usual masks, alpha in one pixel", usual, Raw({0, 0, 255, 255, /**/ 0, 255, 0, 0}), "RB"},
        {"red and blue masks swapped", {0x0000FF, 0x00FF00, 0xFF0000}, Raw({255, 0, 0, 0, /**/ 255, 255, 255, 0}), "RW"},
        {"masks in the top three bytes", {0xFF000000, 0xFF0000, 0xFF00}, Raw({0, 0, 0, 255, /**/ 0, 0, 255, 0}), "RG"},
        {"10 bits a colour", {0x3FF00000, 0xFFC00, 0x3FF}, Raw({0, 0, 0xF0, 0x3F, /**/ 0xFF, 0xFF, 0xFF, 0x3F}), "RW"},
        {"4 bits a colour", {0xF00, 0xF0, 0xF}, Raw({0, 0x0F, 0, 0, /**/ 0xFF, 0x0F, 0, 0}), "RW"},
    };
    for (const auto& c : cases) {
        Loaded loaded(Bmp32(c.masks, c.pixels), kBitmapPerPixelAlpha);
        ASSERT_TRUE(loaded.ok) << c.what;
        QeSurface target;
        ASSERT_TRUE(MakeSurface(target, {"BB"}));
        ASSERT_TRUE(loaded.image.DrawAlphaPerPixel(target, {0, 0, 0, 0}, {0, 0, 0, 0})) << c.what;
        EXPECT_EQ(Picture(target), Rows{c.expected}) << c.what;
    }
}

TEST(ImageDrawTest, PerPixelAlphaFramesArePremultipliedOnce) {
    Loaded alpha(PictureBmp({"WRG"}, 32, {"#++"}), kBitmapPerPixelAlpha);
    ASSERT_TRUE(alpha.ok);
    QeBitmap& bitmap = alpha.image.Frame(0)->Bitmap();
    ASSERT_NE(bitmap.Bits(), nullptr);
    const auto* bits = static_cast<const BYTE*>(bitmap.Bits());
    EXPECT_EQ(std::vector<int>(bits, bits + 12),
              (std::vector<int>{255, 255, 255, 255, 0, 0, 128, 128, 0, 128, 0, 128}));
    // The decoded pixels are gone once the bitmap holds them.
    EXPECT_FALSE(alpha.image.Frame(0)->Dib()->IsCreated());
}

TEST(ImageDrawTest, A24BitPngAskedForPerPixelAlphaBecomesADeviceBitmap) {
    image_files::Png png;
    png.width = 2;
    png.height = 2;
    png.colorType = 2;
    png.rows = std::string("\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF\xFF\xFF\xFF", 12);  // red green / blue white
    Loaded loaded(image_files::PngFile(png), kBitmapPerPixelAlpha);
    ASSERT_TRUE(loaded.ok);
    QeBitmap& bitmap = loaded.image.Frame(0)->Bitmap();
    EXPECT_EQ(bitmap.Bits(), nullptr);  // not a DIB section
    EXPECT_EQ(bitmap.BitsPerPixel(), kDeviceBitsPerPixel);
    QeSurface target;
    ASSERT_TRUE(MakeSurface(target, {"..", ".."}));
    ASSERT_TRUE(loaded.image.DrawBlt(target, {0, 0, 0, 0}, {0, 0, 0, 0}, SRCCOPY));
    EXPECT_EQ(Picture(target), (Rows{"RG", "BW"}));
}

TEST(ImageDrawTest, FramesPreparedAheadBecomeTheBitmapsTheirModeMakes) {
    const struct {
        const char* what;
        std::string bytes;
        int preparedFor, asked;
        bool taken;
    } cases[] = {
        {"alpha", PictureBmp({"WRG", "GBW"}, 32, {"#+.", "+.#"}), kBitmapPerPixelAlpha, kBitmapPerPixelAlpha, true},
        {"bit fields", Bmp32({0x0000FF, 0x00FF00, 0xFF0000}, Raw({255, 0, 0, 9, 9, 255, 255, 0})), kBitmapPerPixelAlpha,
         kBitmapPerPixelAlpha, true},
        {"24 bits, rows bottom first", PictureBmp({"RGB", "BWR"}), kBitmapPerPixelAlpha, kBitmapDevice, true},
        {"24 bits for a device bitmap", PictureBmp({"RGB", "BWR"}), kBitmapDevice, kBitmapPerPixelAlpha, true},
        {"palette", RedThenGreen(0), kBitmapDevice, kBitmapDevice, false},
        {"bit fields for a device bitmap", Bmp32({0xFF0000, 0xFF00, 0xFF}, Raw({1, 2, 3, 4, 5, 6, 7, 8})), kBitmapDevice,
         kBitmapDevice, false},
        {"asked as a DIB copy", PictureBmp({"RG"}, 32), kBitmapPerPixelAlpha, kBitmapDibCopy, false},
    };
    const auto decode = [](const std::string& bytes) {
        QeMemoryReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
        QeDecodedImage image;
        EXPECT_TRUE(DecodeImage(image, reader, kImageOther));
        return std::move(image.Frames().front());
    };
    const auto rows = [](const QeBitmap& bitmap) {
        BitmapPixels pixels{};
        EXPECT_TRUE(GetBitmapPixels(bitmap.Handle(), &pixels));
        std::vector<std::string> out;
        for (int y = 0; y < pixels.height; ++y) {
            out.emplace_back(reinterpret_cast<const char*>(pixels.top + y * pixels.stride), pixels.width * 4);
        }
        return out;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QeBitmap made, prepared;
        ASSERT_TRUE(made.CreateFromDib(*decode(c.bytes), c.asked));
        std::unique_ptr<QeDib> dib = decode(c.bytes);
        QeBitmap::Prepare(*dib, c.preparedFor);
        ASSERT_EQ(prepared.CreateFromPrepared(*dib, c.asked), c.taken);
        if (!c.taken) continue;
        EXPECT_EQ(prepared.BitsPerPixel(), made.BitsPerPixel());
        EXPECT_EQ(prepared.Bits() == nullptr, made.Bits() == nullptr);
        EXPECT_EQ(rows(prepared), rows(made));
        // Taken once: the frame holds them no more.
        EXPECT_FALSE(QeBitmap().CreateFromPrepared(*dib, c.asked));
    }
}

TEST(ImageDrawTest, DibCopiesKeepRowOrderAndPalette) {
    const struct {
        std::string bytes;
        Rows expected;
    } cases[] = {{PictureBmp({"RG", "BW"}), {"RG", "BW"}},
                 {PictureBmp({"RG", "BW"}, 32), {"RG", "BW"}},
                 {RedThenGreen(0), {"R.", ".."}}};
    for (const auto& c : cases) {
        Loaded loaded(c.bytes, kBitmapDibCopy);
        ASSERT_TRUE(loaded.ok);
        EXPECT_NE(loaded.image.Frame(0)->Bitmap().Bits(), nullptr);
        QeSurface target;
        ASSERT_TRUE(MakeSurface(target, {"..", ".."}));
        ASSERT_TRUE(loaded.image.DrawBlt(target, {0, 0, 0, 0}, {0, 0, 0, 0}, SRCCOPY));
        EXPECT_EQ(Picture(target), c.expected);
    }
}

TEST(ImageDrawTest, TransparentPaletteEntryBecomesTheColourKey) {
    const std::string gif = GifFile(1, 1, {0xFF0000, 0x00FF00})
                                .Control(2, 0, 1)
                                .Image(GifImage(0, 0, 1, 1, {1}))
                                .Done();
    Loaded loaded(gif, kBitmapDevice);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.image.Frame(0)->ColorKey(), RGB(0, 255, 0));
    EXPECT_EQ(loaded.image.Frame(0)->DelayMs(), 100u);  // no delay of its own
}

TEST(ImageDrawTest, AFailedLoadKeepsNothing) {
    for (int mode : {7, -1}) {
        Loaded loaded(RedThenGreen(0), mode);
        EXPECT_FALSE(loaded.ok);
        EXPECT_EQ(loaded.image.FrameCount(), 0u);
        EXPECT_EQ(loaded.image.Width(), 0);
        EXPECT_TRUE(loaded.image.Decoded().Frames().empty());
        QeSurface target;
        ASSERT_TRUE(MakeSurface(target, {"W"}));
        EXPECT_FALSE(loaded.image.DrawBlt(target, {0, 0, 0, 0}, {0, 0, 0, 0}, SRCCOPY));
    }
    Loaded broken(std::string("GIF89a\x01\x00", 8), kBitmapDevice);
    EXPECT_FALSE(broken.ok);
}

class ImageClockTest : public FakeClockTest {};

TEST_F(ImageClockTest, FramesFollowTheFrameClock) {
    QeClock::Instance()->Update();
    Loaded twice(RedThenGreen(2), kBitmapDevice);
    Loaded forever(RedThenGreen(0), kBitmapDevice);
    ASSERT_TRUE(twice.ok);
    ASSERT_TRUE(forever.ok);
    EXPECT_EQ(twice.image.TotalDelayMs(), 300u);
    const struct {
        DWORD at;
        size_t twice, forever;
    } steps[] = {{0, 0, 0},   {99, 0, 0},  {100, 1, 1}, {299, 1, 1}, {300, 0, 0},
                 {400, 1, 1}, {599, 1, 1}, {600, 1, 0}, {700, 1, 1}, {5000, 1, 1}};
    DWORD now = 0;
    for (const auto& step : steps) {
        AdvanceBlocked(step.at - now);
        now = step.at;
        QeClock::Instance()->Update();
        EXPECT_EQ(twice.image.CurrentFrame(), step.twice) << step.at << " ms";
        EXPECT_EQ(forever.image.CurrentFrame(), step.forever) << step.at << " ms";
    }
    // What is drawn is the frame due: green at the end.
    QeSurface target;
    ASSERT_TRUE(MakeSurface(target, {"."}));
    ASSERT_TRUE(twice.image.DrawBlt(target, {0, 0, 0, 0}, {0, 0, 0, 0}, SRCCOPY));
    EXPECT_EQ(Picture(target), (Rows{"G"}));
}

}  // namespace
