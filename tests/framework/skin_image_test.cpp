#include "framework/ui/drawing/QeSkinElements.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/base/QePathTable.h"
#include "framework/ui/drawing/QeDecodeAhead.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "framework/ui/view/QeRect.h"
#include "tests/framework/picture.h"
#include "tests/framework/skin_folder.h"
#include "tests/support/ImageFiles.h"
#include "tests/support/TraceLog.h"

namespace {

using Rows = std::vector<std::string>;

// Whole chunks whose picture data does not inflate: only decoding finds it.
std::string Garbled(std::string png) {
    const size_t idat = png.find("IDAT");
    png[idat + 4] ^= 0x55;  // the zlib header
    uint32_t length = 0;
    for (int b = 0; b < 4; ++b) length = length << 8 | static_cast<uint8_t>(png[idat - 4 + b]);
    const uint32_t crc = static_cast<uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(png.data() + idat), length + 4));
    for (int b = 0; b < 4; ++b) png[idat + 4 + length + b] = static_cast<char>(crc >> (24 - 8 * b));
    return png;
}

class SkinImageTest : public SkinFolderTest {
protected:
    void SetUp() override {
        SkinFolderTest::SetUp();
        m_dir.WriteBytes("keyed.bmp", PictureBmp({"MRM", "GMB"}));
        m_dir.WriteBytes("strip.bmp", PictureBmp({"RGBW"}));
    }
    void TearDown() override {
        QeDecodeAhead::Drop();
        SkinFolderTest::TearDown();
    }

    std::wstring ImagePath(const wchar_t* name) {
        std::wstring path;
        QePathTable::Instance()->Resolve(path, 0, name);
        return path;
    }
};

TEST_F(SkinImageTest, DrawMethodsFromTheSkin) {
    const struct {
        const wchar_t* markup;
        Rows expected;  // the element filling a 3 x 2 box over blue
    } cases[] = {
        // No ImageCoord: the whole image.
        {L"<E><File>keyed.bmp</File></E>", {"MRM", "GMB"}},
        {L"<E><File>keyed.bmp</File><DrawMethod>TransparentBlt</DrawMethod><ColorKey>#ff00ff</ColorKey></E>",
         {"BRB", "GBB"}},
        // ConstantAlpha overrides ColorKey, whatever their order.
        {L"<E><File>keyed.bmp</File><DrawMethod>AlphaBlend</DrawMethod><ConstantAlpha>0</ConstantAlpha>"
         L"<ColorKey>#ff00ff</ColorKey></E>",
         {"BBB", "BBB"}},
        {L"<E><File>keyed.bmp</File><DrawMethod>AlphaBlend</DrawMethod><ColorKey>#0000ff</ColorKey>"
         L"<ConstantAlpha>255</ConstantAlpha></E>",
         {"MRM", "GMB"}},
        {L"<E><File>strip.bmp</File><ImageCoord>1, 0, 1, 1</ImageCoord></E>", {"GGG", "GGG"}},
        // An unknown method word reads as BitBlt.
        {L"<E><File>strip.bmp</File><ImageCoord>3, 0, 1, 1</ImageCoord><DrawMethod>Copy</DrawMethod></E>",
         {"WWW", "WWW"}},
    };
    for (const auto& c : cases) {
        QeSkinImage image;
        ASSERT_TRUE(image.Load(Element(c.markup))) << c.markup;
        QeSurface target;
        ASSERT_TRUE(MakeSurface(target, {"BBB", "BBB"}));
        EXPECT_TRUE(image.Draw(target, {0, 0, 3, 2}, {0, 0, 3, 2}, {3, 2})) << c.markup;
        EXPECT_EQ(Picture(target), c.expected) << c.markup;
    }
}

TEST_F(SkinImageTest, PartsOfTheBox) {
    QeSkinImage image;
    // The middle three pixels of the strip, stretched over the box.
    ASSERT_TRUE(image.Load(Element(L"<E><File>strip.bmp</File><ImageCoord>1, 0, 3, 1</ImageCoord></E>")));
    const struct {
        const char* what;
        RECT destination;
        RECT part;
        SIZE box;
        Rows expected;
    } cases[] = {
        {"the whole box", {0, 0, 6, 1}, {0, 0, 3, 1}, {3, 1}, {"GGBBWW"}},
        // A third of a 3-wide box is column 1 only because of the bias: 1/3 x 3 falls short in floats.
        {"the middle third", {0, 0, 6, 1}, {1, 0, 2, 1}, {3, 1}, {"BBBBBB"}},
        {"narrower than a source pixel", {2, 0, 3, 1}, {50, 0, 51, 1}, {100, 1}, {"..B..."}},
        {"the last sliver", {5, 0, 6, 1}, {99, 0, 100, 1}, {100, 1}, {".....W"}},
    };
    for (const auto& c : cases) {
        QeSurface target;
        ASSERT_TRUE(MakeSurface(target, {"......"}));
        EXPECT_TRUE(image.Draw(target, c.destination, c.part, c.box)) << c.what;
        EXPECT_EQ(Picture(target), c.expected) << c.what;
    }
    // A box without width or height draws nothing.
    QeSurface target;
    ASSERT_TRUE(MakeSurface(target, {"......"}));
    EXPECT_FALSE(image.Draw(target, {0, 0, 6, 1}, {0, 0, 1, 1}, {0, 1}));
    EXPECT_FALSE(image.Draw(target, {0, 0, 6, 1}, {0, 0, 1, 1}, {3, 0}));
    EXPECT_EQ(Picture(target), (Rows{"......"}));
}

// A dirty area redrawn alone gives what the whole box gives there, else seams show: bands of one
// and three pixels both ways, each method, stretching up, down and by 1.4 (a 40-pixel button at 56).
TEST_F(SkinImageTest, PartsMatchTheWholeBox) {
    m_dir.WriteBytes("bands.bmp", PictureBmp({"RGBWMR.", "GMRW.BG", "B.WRGMW", "WRG.BMR", "MWBGR.B"}, 32,
                                             {"#+.#+.#", "+#.+#.#", ".#+#.+#", "#.+#+.#", "+#.#+#."}));
    for (const std::wstring method : {L"BitBlt</DrawMethod>", L"TransparentBlt</DrawMethod><ColorKey>#ff00ff</ColorKey>",
                                      L"AlphaBlend</DrawMethod><ConstantAlpha>160</ConstantAlpha>",
                                      L"AlphaBlendPerPixel</DrawMethod>"}) {
        QeSkinImage image;
        ASSERT_TRUE(image.Load(
            Element(L"<E><File>bands.bmp</File><ImageCoord>1, 1, 5, 4</ImageCoord><DrawMethod>" + method + L"</E>")));
        for (const SIZE box : {SIZE{7, 6}, SIZE{15, 8}, SIZE{3, 3}, SIZE{4, 13}})
            for (const SIZE band : {SIZE{1, box.cy}, SIZE{3, box.cy}, SIZE{box.cx, 1}, SIZE{box.cx, 3}}) {
                const auto draw = [&](QeSurface& on, RECT p) { return image.Draw(on, QeOffsetRect(p, 1, 1), p, box); };
                QeSurface whole, bands;
                ASSERT_TRUE(whole.Create(box.cx + 1, box.cy + 1) && bands.Create(box.cx + 1, box.cy + 1));
                ASSERT_TRUE(draw(whole, {0, 0, box.cx, box.cy}));
                for (LONG x = 0; x < box.cx; x += band.cx)
                    for (LONG y = 0; y < box.cy; y += band.cy)
                        ASSERT_TRUE(draw(bands, {x, y, std::min(x + band.cx, box.cx), std::min(y + band.cy, box.cy)}));
                std::map<COLORREF, char> legend;  // each colour of the whole draw as a letter of its own
                for (LONG i = 0; i < (box.cx + 1) * (box.cy + 1); ++i)
                    legend.emplace(PixelAt(whole, i % (box.cx + 1), i / (box.cx + 1)), 'a' + legend.size());
                EXPECT_EQ(Picture(bands, legend), Picture(whole, legend))
                    << method << box.cx << "x" << box.cy << " by " << band.cx << "x" << band.cy;
            }
    }
}

TEST_F(SkinImageTest, ElementsShareThePooledImage) {
    QeSkinImage first, second, other;
    ASSERT_TRUE(first.Load(Element(L"<E><File>keyed.bmp</File></E>")));
    ASSERT_TRUE(second.Load(Element(L"<E><File>keyed.bmp</File><DrawMethod>AlphaBlend</DrawMethod></E>")));
    ASSERT_TRUE(other.Load(Element(L"<E><File>strip.bmp</File></E>")));
    EXPECT_EQ(first.Handle(), second.Handle());
    EXPECT_NE(first.Handle(), other.Handle());
    EXPECT_EQ(QeImagePool::Instance()->Size(), 2u);
    // Loading another image lets go of the one held.
    ASSERT_TRUE(second.SetImage(other.Descriptor()));
    EXPECT_EQ(second.Handle(), other.Handle());
    EXPECT_EQ(second.Descriptor().source.right, 4);
    QeSkinImage().SetImage(first.Descriptor());
    EXPECT_EQ(QeImagePool::Instance()->Size(), 2u);
}

TEST_F(SkinImageTest, MissingAndBrokenImages) {
    m_dir.WriteBytes("short.bmp", "BM\x01");
    for (const wchar_t* markup : {L"<E><File>nowhere.png</File></E>", L"<E><File>short.bmp</File></E>", L"<E/>"}) {
        QeSkinImage image;
        EXPECT_FALSE(image.Load(Element(markup))) << markup;
        EXPECT_EQ(image.Handle(), -1);
        QeSurface target;
        ASSERT_TRUE(MakeSurface(target, {"W"}));
        EXPECT_FALSE(image.Draw(target, {0, 0, 1, 1}, {0, 0, 1, 1}, {1, 1}));
        EXPECT_EQ(Picture(target), (Rows{"W"}));
    }
    EXPECT_EQ(QeImagePool::Instance()->Size(), 0u);
}

TEST_F(SkinImageTest, PngPicturesDecodeWhenDrawn) {
    const std::string png = image_files::PngFile({2, 1, 2, 8, false, {}, std::string("\xff\0\0\0\xff\0", 6)});
    m_dir.WriteBytes("pair.png", png);
    // The header and its chunk whole, no picture data: found cut at load.
    m_dir.WriteBytes("headless.png", png.substr(0, 33));
    m_dir.WriteBytes("garbled.png", Garbled(png));
    {
        QeSkinImage cut;
        EXPECT_FALSE(cut.Load(Element(L"<E><File>headless.png</File></E>")));
    }
    const struct {
        const wchar_t* markup;
        bool drawn;
        Rows expected;
    } cases[] = {
        {L"<E><File>pair.png</File></E>", true, {"RG"}},
        // Only drawing finds that the body does not decode: the element then has no image.
        {L"<E><File>garbled.png</File></E>", false, {"WW"}},
    };
    for (const auto& c : cases) {
        QeSkinImage image;
        ASSERT_TRUE(image.Load(Element(c.markup))) << c.markup;
        const RECT& source = image.Descriptor().source;
        EXPECT_EQ((std::vector<LONG>{source.left, source.top, source.right, source.bottom}),
                  (std::vector<LONG>{0, 0, 2, 1}));
        // A picture let go is decoded again for its next drawing.
        for (int pass = 0; pass < 2; ++pass, image.Purge()) {
            QeSurface target;
            ASSERT_TRUE(MakeSurface(target, {"WW"}));
            EXPECT_EQ(image.Draw(target, {0, 0, 2, 1}, {0, 0, 2, 1}, {2, 1}), c.drawn) << c.markup;
            EXPECT_EQ(Picture(target), c.expected) << c.markup;
        }
        EXPECT_EQ(image.Image() != nullptr, c.drawn) << c.markup;
    }
}

TEST_F(SkinImageTest, APictureDecodedAheadIsTakenByItsFirstDrawingWithItsTraces) {
    const std::string png = image_files::PngFile({2, 1, 2, 8, false, {}, std::string("\xff\0\0\0\xff\0", 6)});
    m_dir.WriteBytes("pair.png", png);
    m_dir.WriteBytes("garbled.png", Garbled(png));
    TraceLog trace;
    const auto draw = [&](const wchar_t* markup, Rows expected) {
        QeSkinImage image;
        ASSERT_TRUE(image.Load(Element(markup))) << markup;
        QeSurface target;
        ASSERT_TRUE(MakeSurface(target, {"WW"}));
        image.Draw(target, {0, 0, 2, 1}, {0, 0, 2, 1}, {2, 1});
        EXPECT_EQ(Picture(target), expected) << markup;
    };
    const auto takeable = [&](const wchar_t* name, int format) {
        QeDecodedImage image;
        bool decoded = false;
        return QeDecodeAhead::Take(ImagePath(name), format, image, decoded) && decoded == (image.Width() == 2);
    };
    // What drawing the damaged picture traces when nothing was decoded ahead.
    draw(L"<E><File>garbled.png</File></E>", {"WW"});
    const std::wstring damaged = trace.Text();
    EXPECT_NE(damaged.find(L"could not be loaded"), std::wstring::npos);
    trace.Clear();

    QeDecodeAhead::Expect({ImagePath(L"pair.png"), ImagePath(L"garbled.png")});
    QeDecodeAhead::DecodeExpected();
    EXPECT_EQ(trace.Text(), L"");
    draw(L"<E><File>pair.png</File></E>", {"RG"});
    draw(L"<E><File>garbled.png</File></E>", {"WW"});
    EXPECT_EQ(trace.Text(), damaged);
    EXPECT_FALSE(takeable(L"pair.png", kImageOther));
    EXPECT_FALSE(takeable(L"garbled.png", kImageOther));

    // A picture that its load decodes, announced between others, is decoded ahead all the same.
    m_dir.WriteBytes("pair.bmp", PictureBmp({"RG"}));
    QeDecodeAhead::Expect({ImagePath(L"pair.png"), ImagePath(L"pair.bmp"), ImagePath(L"garbled.png")});
    QeDecodeAhead::DecodeExpected();
    EXPECT_TRUE(takeable(L"pair.bmp", kImageOther));
    EXPECT_TRUE(takeable(L"pair.png", kImageOther));
    EXPECT_TRUE(takeable(L"garbled.png", kImageOther));

    // Read as another format, the file is not the decode's; taken, it is gone.
    QeDecodeAhead::Expect({ImagePath(L"pair.png")});
    QeDecodeAhead::DecodeExpected();
    EXPECT_FALSE(takeable(L"pair.png", kImageJpeg));
    EXPECT_TRUE(takeable(L"pair.png", kImagePng));
    EXPECT_FALSE(takeable(L"pair.png", kImagePng));

    // Decoded ahead and never drawn: its faults are never told.
    trace.Clear();
    QeDecodeAhead::Expect({ImagePath(L"garbled.png")});
    QeDecodeAhead::DecodeExpected();
    QeDecodeAhead::Drop();
    EXPECT_FALSE(takeable(L"garbled.png", kImageOther));
    EXPECT_EQ(trace.Text(), L"");
}

// The header read ahead stands for the file at load: the picture loads and draws although its file
// is gone by then. A file whose chunks are not whole is read again at load and fails there.
TEST_F(SkinImageTest, APictureReadAheadLoadsByTheHeaderReadAhead) {
    const std::string png = image_files::PngFile({2, 1, 2, 8, false, {}, std::string("\xff\0\0\0\xff\0", 6)});
    m_dir.WriteBytes("pair.png", png);
    m_dir.WriteBytes("cut.png", png.substr(0, png.size() - 4));
    QeDecodeAhead::Expect({ImagePath(L"pair.png"), ImagePath(L"cut.png")});
    QeDecodeAhead::DecodeExpected();
    std::remove(m_dir.NativePath("pair.png").c_str());
    QeSkinImage image;
    ASSERT_TRUE(image.Load(Element(L"<E><File>pair.png</File></E>")));
    const RECT source = image.Descriptor().source;
    EXPECT_EQ((std::vector<LONG>{source.left, source.top, source.right, source.bottom}), (std::vector<LONG>{0, 0, 2, 1}));
    QeSurface target;
    ASSERT_TRUE(MakeSurface(target, {"WW"}));
    image.Draw(target, {0, 0, 2, 1}, {0, 0, 2, 1}, {2, 1});
    EXPECT_EQ(Picture(target), (Rows{"RG"}));
    TraceLog trace;
    EXPECT_FALSE(QeSkinImage().Load(Element(L"<E><File>cut.png</File></E>")));
    EXPECT_NE(trace.Text().find(L"could not be loaded"), std::wstring::npos);
}

}  // namespace
