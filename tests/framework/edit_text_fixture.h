// The edit's text model in tests: a still and an animated emoticon for the images folder, the
// fixed test font (NanumGothicCoding: every Latin letter one advance, every Hangul syllable two)
// and a picture of laid-out lines written as text.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "framework/controls/EmoticonImage.h"
#include "framework/controls/QeEditLayout.h"
#include "framework/controls/QeFontCache.h"
#include "framework/ui/drawing/QeGraphics.h"
#include "platform/system/text.h"
#include "tests/framework/temp_dir.h"
#include "tests/support/ImageFiles.h"

namespace edit_text {

// The test font: a 16-pixel cell, Latin letters kLatin wide, Hangul syllables twice that.
inline QeTextStyle TestStyle(int32_t height = 16) {
    QeTextStyle style;
    style.font.height = height;
    style.font.faceName = L"NanumGothicCoding";
    style.backColor = RGB(0, 0, 255);
    style.textColor = RGB(255, 255, 255);
    return style;
}
inline constexpr int32_t kLineHeight = 16;
inline constexpr int32_t kLatin = 8;
// The emoticons: a still 30 x 24 picture and a 20 x 10 animation of two frames.
inline constexpr SIZE kStill{30, 24};
inline constexpr SIZE kAnimated{20, 10};

inline std::string StillBmp() {
    image_files::Bmp bmp;
    bmp.width = kStill.cx;
    bmp.height = kStill.cy;
    std::vector<std::string> rows(static_cast<size_t>(kStill.cy), std::string(static_cast<size_t>(kStill.cx) * 3, '\0'));
    for (auto& row : rows) {
        for (size_t i = 0; i < row.size(); i += 3) row[i + 1] = '\xFF';  // green
    }
    bmp.pixels = image_files::BmpRows(rows);
    return image_files::BmpFile(bmp);
}

inline std::string AnimatedGif() {
    const std::vector<uint8_t> frame(static_cast<size_t>(kAnimated.cx * kAnimated.cy), 1);
    return image_files::GifFile(static_cast<uint16_t>(kAnimated.cx), static_cast<uint16_t>(kAnimated.cy),
                                {0x000000, 0xFF0000})
        .Loop(0)
        .Control(0, 10, -1)
        .Image({0, 0, static_cast<uint16_t>(kAnimated.cx), static_cast<uint16_t>(kAnimated.cy), frame})
        .Control(0, 10, -1)
        .Image({0, 0, static_cast<uint16_t>(kAnimated.cx), static_cast<uint16_t>(kAnimated.cy), frame})
        .Done();
}

inline EmoticonImage Emoticon(const wchar_t* file, const wchar_t* text) {
    EmoticonImage e;
    e.File = file;
    e.Text = text;
    return e;
}
inline EmoticonImage Still() { return Emoticon(L"still.bmp", L"(s)"); }
inline EmoticonImage Animated() { return Emoticon(L"animated.gif", L"(a)"); }

// The two emoticons in the images folder.
inline void WriteEmoticons(const TempDir& folder) {
    folder.WriteBytes("still.bmp", StillBmp());
    folder.WriteBytes("animated.gif", AnimatedGif());
}

// One line of a layout as text: "top+height left: glyphs", where "^" is the begin anchor, "$" the
// end anchor, "/" a line break, "S" and "A" the still and the animated emoticon, and characters
// stand for themselves.
inline std::string GlyphChar(QeEditGlyph* glyph) {
    if (QeIsAnchor(glyph, QeEditGlyphAnchor::kBegin)) return "^";
    if (QeIsAnchor(glyph, QeEditGlyphAnchor::kEnd)) return "$";
    if (QeIsAnchor(glyph, QeEditGlyphAnchor::kLineBreak)) return "/";
    if (QeEditGlyphImage* image = QeAsImage(glyph)) return image->IsAnimated() ? "A" : "S";
    if (QeEditGlyphText* text = QeAsText(glyph)) {
        return TextWideToUtf8(std::wstring(1, static_cast<wchar_t>(text->Character())));
    }
    return "?";
}

inline std::vector<std::string> Lines(const QeEditLayout& layout) {
    std::vector<std::string> out;
    for (const auto& paragraph : layout.Paragraphs()) {
        for (const auto& line : paragraph->lines) {
            std::string text = std::to_string(line->box.top) + "+" + std::to_string(line->box.bottom - line->box.top) +
                               " " + std::to_string(line->box.left) + ": ";
            for (QeEditGlyph* glyph = line->first; glyph != nullptr; glyph = glyph->next) {
                text += GlyphChar(glyph);
                if (glyph == line->last) break;
            }
            out.push_back(text);
        }
    }
    return out;
}

}  // namespace edit_text
