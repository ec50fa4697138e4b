#include "tools/artwork/Pictures.h"

#include <cmath>
#include <functional>
#include <string>
#include <tuple>
#include <utility>

#include "tools/artwork/Canvas.h"
#include "tools/artwork/Encoders.h"

namespace artwork {

namespace {

constexpr float kPi = 3.14159265358979f;

// ---- the palette: light greys, one accent, and the presence and alert colours

const Color kAccent = Hex(0x2f7de1);
const Color kAccentDark = Hex(0x1f63b8);
const Color kAccentLight = Hex(0x8fbaf0);
const Color kAccentTint = Hex(0xeef4fc);
const Color kWhite = Hex(0xffffff);
const Color kGround = Hex(0xf4f6f8);
const Color kBarLow = Hex(0xf1f4f7);
const Color kBarLower = Hex(0xe6ebf0);
const Color kBorder = Hex(0xd0d6dc);
const Color kFieldBorder = Hex(0xc8d0d8);
const Color kPopupBorder = Hex(0xb8c2cc);
const Color kDivider = Hex(0xe1e5ea);
const Color kGlyph = Hex(0x4a5560);
const Color kMuted = Hex(0x8a949e);
const Color kSoft = Hex(0x9aa3ab);
const Color kTrack = Hex(0xdde3e9);
const Color kRed = Hex(0xe0443c);
const Color kBlockRed = Hex(0x9b1c1c);
const Color kGreen = Hex(0x2eaa4f);
const Color kAmber = Hex(0xf0a020);
const Color kNewChat = Hex(0xf05a28);
const Color kFace = Hex(0xffd040);
const Color kAngryFace = Hex(0xf7935e);
const Color kFaceLine = Hex(0x6b4a12);
const Color kMouth = Hex(0x8a2a10);
const Color kTear = Hex(0x5aa8f0);
const Color kHeartLine = Hex(0x8e1f1a);

constexpr uint32_t kKey = 0xff00ff;

Shape Stroke(std::vector<Point> points, float width) { return Polyline(std::move(points), width); }

Shape Above(float y) {
    return [=](float, float py) { return py - y; };
}
Shape Below(float y) {
    return [=](float, float py) { return y - py; };
}

// ---- glyphs, each designed in a 24-unit box and drawn filled at any size with Fit

constexpr float kLine = 2.2f;  // stroke width of the outline glyphs

Shape Person(float cx, float top, float scale) {
    const Shape head = Circle(cx, top + 4.2f * scale, 4.0f * scale);
    const Shape shoulders = Intersect(Circle(cx, top + 19.5f * scale, 8.0f * scale), Above(top + 19.0f * scale));
    return Union(head, Minus(shoulders, Grow(head, 1.6f * scale)));
}

Shape EnvelopeShape(float x, float y, float w, float h) {
    const Shape body = Outline(RoundRect(x, y, w, h, 2), kLine);
    return Union(body, Stroke({{x + 1.5f, y + 2}, {x + w / 2, y + h * 0.58f}, {x + w - 1.5f, y + 2}}, kLine));
}

Shape BubbleShape() {
    return Union(RoundRect(3, 3.5f, 18, 13.5f, 4.5f), Polygon({{7, 15}, {7, 21.5f}, {13.5f, 15}}));
}

Shape GearShape() {
    Shape gear = Circle(12, 12, 7);
    for (int i = 0; i < 8; ++i) gear = Union(gear, Rotate(RoundRect(10, 1.8f, 4, 6, 1), 12, 12, static_cast<float>(i) * kPi / 4));
    return Minus(gear, Circle(12, 12, 3));
}

Shape Glyph(int which) {
    switch (which) {
    case 0:  // back
        return Stroke({{15, 5}, {8, 12}, {15, 19}}, 2.6f);
    case 1:  // close
        return Union(Segment({6, 6}, {18, 18}, 2.4f), Segment({18, 6}, {6, 18}, 2.4f));
    case 2:  // mail
        return EnvelopeShape(2.5f, 5, 19, 14);
    case 3: {  // web
        const Shape globe = Union(Outline(Circle(12, 12, 9), kLine), Outline(Ellipse(12, 12, 4, 9), kLine * 0.85f));
        return Union(globe, Intersect(Union(Segment({3, 12}, {21, 12}, kLine * 0.85f),
                                            Union(Segment({4.5f, 7.5f}, {19.5f, 7.5f}, kLine * 0.7f),
                                                  Segment({4.5f, 16.5f}, {19.5f, 16.5f}, kLine * 0.7f))),
                                      Circle(12, 12, 9)));
    }
    case 4:  // drop-down
        return Stroke({{6, 9}, {12, 15}, {18, 9}}, 2.6f);
    case 5: {  // emoticon
        const Shape eyes = Union(Circle(9, 10, 1.4f), Circle(15, 10, 1.4f));
        return Union(Outline(Circle(12, 12, 9), kLine), Union(eyes, Arc(12, 12.5f, 4.8f, 0.2f * kPi, 0.8f * kPi, kLine)));
    }
    case 6: {  // invite
        const Shape plus = Union(Segment({19.5f, 9}, {19.5f, 16}, 2.2f), Segment({16, 12.5f}, {23, 12.5f}, 2.2f));
        return Union(Person(9.5f, 3, 1.0f), plus);
    }
    case 7:  // menu
        return Union(Segment({5, 7}, {19, 7}, 2.4f), Union(Segment({5, 12}, {19, 12}, 2.4f), Segment({5, 17}, {19, 17}, 2.4f)));
    case 8:  // search
        return Union(Outline(Circle(10.5f, 10.5f, 6), 2.4f), Segment({15, 15}, {20, 20}, 3.2f));
    case 9:  // clear
        return Union(Outline(Circle(12, 12, 9), kLine), Union(Segment({8.8f, 8.8f}, {15.2f, 15.2f}, 2.2f),
                                                             Segment({15.2f, 8.8f}, {8.8f, 15.2f}, 2.2f)));
    case 10: {  // keyboard
        Shape keys = Segment({8, 15}, {16, 15}, 1.8f);
        for (int i = 0; i < 5; ++i) {
            const float x = 5.6f + static_cast<float>(i) * 3.2f;
            keys = Union(keys, Union(RoundRect(x - 0.9f, 8.6f, 1.8f, 1.8f, 0.3f), RoundRect(x - 0.9f, 11.4f, 1.8f, 1.8f, 0.3f)));
        }
        return Union(Outline(RoundRect(2, 5.5f, 20, 13, 2.5f), kLine * 0.9f), keys);
    }
    case 11: {  // write
        const Shape body = Polygon({{14.5f, 4.5f}, {19.5f, 9.5f}, {9, 20}, {4, 15}});
        const Shape tip = Polygon({{4, 15}, {9, 20}, {3, 21}});
        return Union(Outline(body, kLine * 0.85f), Union(tip, Segment({12.2f, 6.8f}, {17.2f, 11.8f}, kLine * 0.85f)));
    }
    case 12: {  // memo box
        const Shape tray = Stroke({{3, 13}, {8, 13}, {9.5f, 16}, {14.5f, 16}, {16, 13}, {21, 13}, {21, 20}, {3, 20}, {3, 13}}, kLine);
        const Shape arrow = Union(Segment({12, 3}, {12, 11}, kLine), Stroke({{8.5f, 7.8f}, {12, 11.3f}, {15.5f, 7.8f}}, kLine));
        return Union(tray, arrow);
    }
    case 13:  // chat
        return Outline(BubbleShape(), kLine);
    case 14: {  // memo
        const Shape sheet = Outline(Polygon({{5, 3}, {14.5f, 3}, {19, 7.5f}, {19, 21}, {5, 21}}), kLine);
        const Shape fold = Stroke({{14.5f, 3}, {14.5f, 7.5f}, {19, 7.5f}}, kLine * 0.8f);
        return Union(Union(sheet, fold), Union(Segment({8.5f, 11.5f}, {15.5f, 11.5f}, 1.8f), Segment({8.5f, 15.5f}, {15.5f, 15.5f}, 1.8f)));
    }
    case 15:  // options
        return GearShape();
    case 16:  // person
        return Person(12, 2.5f, 1.05f);
    default:  // two persons, the buddies tab
        return Union(Minus(Person(8, 4, 0.85f), Grow(Person(15, 2.5f, 1.0f), 1.8f)), Person(15, 2.5f, 1.0f));
    }
}

constexpr int kBuddiesGlyph = 17;

// ---- encoding helpers

PictureFile Png32(const std::string& name, const Canvas& canvas) {
    return {name, EncodePng(canvas.Width(), canvas.Height(), true, canvas.Rgba())};
}

// An opaque picture: whatever is left uncovered shows the ground colour.
PictureFile Png24(const std::string& name, const Canvas& canvas, Color ground = kWhite) {
    return {name, EncodePng(canvas.Width(), canvas.Height(), false, canvas.RgbOver(ground))};
}

// ---- the pictures

// A button drawn at the very size the skin places it, its pressed look below: stretching a smaller
// picture would scale the rounded corners into steps and thicken the ends.
Canvas Button(int width, int height) {
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    Canvas c(width, 2 * height);
    for (const auto& [top, fill, edge] : {std::tuple{0.0f, kAccent, kAccentDark}, {h, kAccentDark, Hex(0x17498a)}}) {
        c.Fill(RoundRect(0, top, w, h, 6), edge);
        c.Fill(RoundRect(1, top + 1, w - 2, h - 2, 5), fill);
    }
    return c;
}

// The sizes the skin gives its buttons and fields; every one is decoded at start, so the skin keeps
// to these few.
constexpr std::pair<int, int> kButtonSizes[] = {{400, 48}, {448, 48}, {216, 48}, {160, 48}, {88, 48}, {104, 36}};
constexpr int kFieldSizes[] = {400, 448, 364, 280};
constexpr int kFieldHeight = 44;

Canvas Icons() {
    Canvas c(680, 80);
    for (int i = 0; i < 17; ++i) {
        const float x = 40.0f * static_cast<float>(i);
        c.Fill(Fit(Glyph(i), 24, x + 8, 8, 24), kGlyph);
        c.Fill(Circle(x + 20, 60, 18), kAccent);
        c.Fill(Fit(Glyph(i), 24, x + 8, 48, 24), kWhite);
    }
    return c;
}

// The six presence marks, drawn in a 28-unit box: filled, clock, bar, ring, and the first and
// the ring struck through, so that they differ by shape as well as colour.
Shape PresenceBase(int which) {
    return which == 3 || which == 5 ? Outline(Circle(14, 14, 9.6f), 3.2f) : Circle(14, 14, 11.2f);
}

void Presence(Canvas& c, int which, float x, float y, float size) {
    static const Color colors[] = {kGreen, kAmber, kRed, kSoft, kGreen, kSoft};
    const Shape base = PresenceBase(which);
    c.Fill(Fit(base, 28, x, y, size), colors[which]);
    if (which == 1) {
        const Shape hands = Stroke({{14, 7}, {14, 14.5f}, {19, 17}}, 2.8f);
        c.Fill(Fit(hands, 28, x, y, size), kWhite);
    } else if (which == 2) {
        c.Fill(Fit(RoundRect(7, 12.2f, 14, 3.6f, 1.8f), 28, x, y, size), kWhite);
    } else if (which >= 4) {
        const Shape slash = Segment({6, 22}, {22, 6}, 3.4f);
        c.Fill(Fit(Intersect(Grow(slash, 1.3f), Grow(base, 0.5f)), 28, x, y, size), kWhite);
        c.Fill(Fit(slash, 28, x, y, size), kBlockRed);
    }
}

Canvas PresenceSheet() {
    Canvas c(168, 44);
    for (int i = 0; i < 6; ++i) {
        Presence(c, i, 28.0f * static_cast<float>(i), 0, 28);
        Presence(c, i, 16.0f * static_cast<float>(i), 28, 16);
    }
    return c;
}

Canvas Tabs() {
    Canvas c(480, 104);
    static const int glyphs[] = {kBuddiesGlyph, 13, 2, 15};
    c.Fill(RoundRect(0, 0, 480, 52, 0), kGround);
    c.Fill(RoundRect(0, 0, 480, 1, 0), kBorder);
    c.Fill(RoundRect(0, 52, 480, 52, 0), kWhite);
    for (int i = 0; i < 4; ++i) {
        const float x = 120.0f * static_cast<float>(i);
        c.Fill(RoundRect(x, 52, 120, 3, 0), kAccent);
        c.Fill(Fit(Glyph(glyphs[i]), 24, x + 46, 12, 28), kMuted);
        c.Fill(Fit(Glyph(glyphs[i]), 24, x + 46, 64, 28), kAccent);
    }
    return c;
}

// A red dot inside a white ring, the mark of something unread.
void UnreadDot(Canvas& c, float cx, float cy, float radius) {
    c.Fill(Circle(cx, cy, radius), kWhite);
    c.Fill(Circle(cx, cy, radius - 1.5f), kRed);
}

Canvas Badges() {
    Canvas c(80, 32);
    UnreadDot(c, 8, 8, 8);
    c.Fill(Fit(BubbleShape(), 24, 16, 2, 30), kAccent);
    UnreadDot(c, 41, 7, 6.5f);
    c.Fill(Fit(RoundRect(2.5f, 5, 19, 14, 2), 24, 48, 2, 30), kAccent);
    c.Fill(Fit(Stroke({{4.5f, 7.5f}, {12, 13.5f}, {19.5f, 7.5f}}, 1.8f), 24, 48, 2, 30), kWhite);
    UnreadDot(c, 73, 7, 6.5f);
    return c;
}

Canvas Bars() {
    Canvas c(480, 140);
    c.Fill(RoundRect(0, 0, 480, 48, 0), VerticalGradient(kWhite, 0, kBarLow, 47));
    c.Fill(RoundRect(0, 47, 480, 1, 0), kBorder);
    c.Fill(RoundRect(0, 48, 480, 48, 0), VerticalGradient(kBarLow, 48, kBarLower, 95));
    c.Fill(RoundRect(0, 48, 480, 1, 0), kBorder);
    c.Fill(RoundRect(0, 96, 480, 44, 0), kAccentTint);
    c.Fill(RoundRect(0, 139, 480, 1, 0), kBorder);
    return c;
}

// A bar with a white rounded field on it.
Canvas FieldBar(int width, int height, Color bar, float borderY, float fx, float fy, float fw, float fh) {
    Canvas c(width, height);
    c.Clear(bar);
    c.Fill(RoundRect(0, borderY, static_cast<float>(width), 1, 0), kBorder);
    c.Fill(RoundRect(fx, fy, fw, fh, 6), kFieldBorder);
    c.Fill(RoundRect(fx + 1, fy + 1, fw - 2, fh - 2, 5), kWhite);
    return c;
}

Canvas Field(int width, int height) {
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    Canvas c(width, height);
    c.Fill(RoundRect(0, 0, w, h, 4), kFieldBorder);
    c.Fill(RoundRect(1, 1, w - 2, h - 2, 3), kWhite);
    return c;
}

std::string SizeName(const char* kind, int width, int height) {
    return kind + std::to_string(width) + "x" + std::to_string(height) + ".png";
}

Canvas Paper() {
    Canvas c(480, 492);
    c.Clear(kGround);
    c.Fill(RoundRect(16, 120, 448, 364, 0), kBorder);
    c.Fill(RoundRect(17, 121, 446, 362, 0), kWhite);
    return c;
}

// The popup frame: a box of rounded corners cut into a top, a middle and a bottom strip. What lies
// outside the corners is the colour key, and the rims blend into the border colour, not the key.
std::string PopupFrame() {
    constexpr float kRadius = 12;
    Canvas top(440, 24), middle(440, 8), bottom(440, 24);
    const Shape outer = RoundRect(0, 0, 440, 200, kRadius), inner = RoundRect(1, 1, 438, 198, kRadius - 1);
    top.Fill(outer, kPopupBorder);
    top.Fill(inner, kWhite);
    top.Fill(Intersect(inner, Above(5)), kAccent);
    middle.Fill(RoundRect(0, -100, 440, 200, 0), kPopupBorder);
    middle.Fill(RoundRect(1, -100, 438, 200, 0), kWhite);
    const Shape flipped = RoundRect(0, -176, 440, 200, kRadius), flippedInner = RoundRect(1, -175, 438, 198, kRadius - 1);
    bottom.Fill(flipped, kPopupBorder);
    bottom.Fill(flippedInner, kWhite);
    return top.RgbKeyed(kPopupBorder, kKey) + middle.RgbKeyed(kPopupBorder, kKey) + bottom.RgbKeyed(kPopupBorder, kKey);
}

Canvas BoxIcons() {
    Canvas c(144, 48);
    for (int i = 0; i < 3; ++i) c.Fill(Circle(24 + 48.0f * static_cast<float>(i), 24, 22), kAccent);
    c.Fill(Circle(24, 13.5f, 3.2f), kWhite);
    c.Fill(RoundRect(21.2f, 19.5f, 5.6f, 17, 2.8f), kWhite);
    const Shape bell = Union(Union(Circle(12, 10, 5.6f), Polygon({{6.4f, 10}, {17.6f, 10}, {19.5f, 16.5f}, {4.5f, 16.5f}})),
                             Union(RoundRect(3.5f, 15.8f, 17, 2.6f, 1.3f), Union(Circle(12, 19.6f, 1.9f), Circle(12, 4.2f, 1.4f))));
    c.Fill(Fit(bell, 24, 48 + 10, 10, 28), kWhite);
    const Shape arrow = Union(Segment({12, 4}, {12, 15}, 2.6f), Stroke({{7.5f, 10.5f}, {12, 15}, {16.5f, 10.5f}}, 2.6f));
    c.Fill(Fit(Union(arrow, RoundRect(6, 18, 12, 2.6f, 1.3f)), 24, 96 + 10, 10, 28), kWhite);
    return c;
}

Canvas UpgradeBar() {
    Canvas c(360, 40);
    c.Clear(kWhite);
    const Paint fill = [](float x, float) { return Mix(Hex(0x6aa6ee), kAccent, std::fmin(x / 360.0f, 1.0f)); };
    for (int i = 0; i < 2; ++i) {
        const float y = 20.0f * static_cast<float>(i) + 2;
        c.Fill(RoundRect(0, y, 360, 16, 4), kFieldBorder);
        if (i == 0) {
            c.Fill(RoundRect(1, y + 1, 358, 14, 3), Hex(0xe6ebf0));
        } else {
            c.Fill(RoundRect(1, y + 1, 358, 14, 3), fill);
        }
    }
    return c;
}

Shape OpenEnvelope() {
    const Shape body = Outline(Polygon({{3, 10}, {12, 3.5f}, {21, 10}, {21, 20.5f}, {3, 20.5f}}), 1.8f);
    return Union(body, Stroke({{3.5f, 10.5f}, {12, 16}, {20.5f, 10.5f}}, 1.8f));
}

Canvas RowArt() {
    Canvas c(144, 24);
    c.Fill(Fit(Stroke({{9.5f, 6}, {15.5f, 12}, {9.5f, 18}}, 2.4f), 24, 0, 0, 24), kMuted);
    c.Fill(Fit(Polygon({{6, 8.5f}, {18, 8.5f}, {12, 16}}), 24, 24, 0, 24), kAccent);
    c.Fill(Fit(Polygon({{8.5f, 6}, {16, 12}, {8.5f, 18}}), 24, 48, 0, 24), kAccent);
    c.Fill(Fit(OpenEnvelope(), 24, 72, 0, 24), kMuted);
    c.Fill(Fit(RoundRect(3, 6, 18, 13, 2), 24, 96, 0, 24), kAccent);
    c.Fill(Fit(Stroke({{4.5f, 8}, {12, 13.5f}, {19.5f, 8}}, 1.6f), 24, 96, 0, 24), kWhite);
    UnreadDot(c, 96 + 19.5f, 5.5f, 4.5f);
    c.Fill(Circle(132, 12, 9), kNewChat);
    c.Fill(Fit(BubbleShape(), 24, 126, 6.5f, 12), kWhite);
    return c;
}

// As wide as the widest row it lies under, so the stretch keeps the accent a thin edge.
Canvas Selection() {
    Canvas c(472, 48);
    c.Fill(RoundRect(0, 0, 472, 48, 0), VerticalGradient(Hex(0xdcebfd), 0, Hex(0xc8ddf9), 47));
    c.Fill(RoundRect(0, 0, 3, 48, 0), kAccent);
    return c;
}

Canvas Line() {
    Canvas c(16, 2);
    c.Fill(RoundRect(0, 0, 16, 1, 0), kDivider);
    c.Fill(RoundRect(0, 1, 16, 1, 0), kWhite);
    return c;
}

Canvas Toggles() {
    Canvas c(112, 28);
    c.Fill(RoundRect(4, 4, 20, 20, 4), kSoft);
    c.Fill(RoundRect(6, 6, 16, 16, 2.5f), kWhite);
    c.Fill(RoundRect(32, 4, 20, 20, 4), kAccent);
    c.Fill(Stroke({{37.5f, 14.5f}, {41, 18}, {47, 10.5f}}, 2.6f), kWhite);
    c.Fill(Circle(70, 14, 10), kSoft);
    c.Fill(Circle(70, 14, 8), kWhite);
    c.Fill(Circle(98, 14, 10), kAccent);
    c.Fill(Circle(98, 14, 8), kWhite);
    c.Fill(Circle(98, 14, 5), kAccent);
    return c;
}

Canvas Progress() {
    Canvas c(48, 24);
    c.Fill(RoundRect(3, 3, 18, 18, 4), kTrack);
    c.Fill(RoundRect(27, 3, 18, 18, 4), kAccent);
    return c;
}

Canvas Indicator() {
    Canvas c(88, 22);
    c.Fill(Polygon({{14, 5.5f}, {14, 16.5f}, {7, 11}}), kSoft);
    c.Fill(Polygon({{30, 5.5f}, {30, 16.5f}, {37, 11}}), kSoft);
    c.Fill(Circle(55, 11, 4), kSoft);
    c.Fill(Circle(77, 11, 6), kAccent);
    return c;
}

// The transcript's box: the header with its lower border and a few white rows under it, the
// bottom border, and the sides, each of which keeps an inner margin of white beside its border.
Canvas ChatFrame() {
    Canvas c(480, 112);
    c.Clear(kGround);
    c.Fill(RoundRect(0, 0, 480, 55, 0), kWhite);
    c.Fill(RoundRect(0, 55, 480, 2, 0), kBorder);
    // Under the header: the box's first rows, white between its side borders at 7 and 472.
    c.Fill(RoundRect(7, 57, 466, 3, 0), kBorder);
    c.Fill(RoundRect(8, 57, 464, 3, 0), kWhite);
    c.Fill(RoundRect(0, 60, 480, 1, 0), kBorder);
    // The left side (0-15) and the right side (16-31, the screen's 464-479).
    c.Fill(RoundRect(7, 96, 18, 16, 0), kBorder);
    c.Fill(RoundRect(8, 96, 16, 16, 0), kWhite);
    return c;
}

// The memo: one card, its header above a divider and the text below, as wide as the rows of the
// view; the sides of the text's part keep an inner margin of white beside their borders.
Canvas MemoFrame() {
    Canvas c(472, 136);
    c.Clear(kGround);
    c.Fill(RoundRect(0, 11, 472, 109, 0), kBorder);
    c.Fill(RoundRect(1, 12, 470, 107, 0), kWhite);
    c.Fill(RoundRect(1, 102, 470, 1, 0), kDivider);
    // The left side (0-15) and the right side (16-31, the view's 456-471) of the text's part.
    c.Fill(RoundRect(0, 128, 32, 8, 0), kBorder);
    c.Fill(RoundRect(1, 128, 30, 8, 0), kWhite);
    return c;
}

// The product mark: two speech bubbles, the lighter behind, set apart by a gap. Designed in a
// 96-unit box.
void Mark(Canvas& c, float x, float y, float size) {
    const Shape back = Union(RoundRect(34, 8, 56, 42, 16), Polygon({{72, 44}, {84, 60}, {62, 46}}));
    const Shape front = Union(RoundRect(6, 28, 62, 46, 18), Polygon({{18, 68}, {12, 88}, {36, 70}}));
    c.Fill(Fit(Minus(back, Grow(front, 4)), 96, x, y, size), kAccentLight);
    c.Fill(Fit(front, 96, x, y, size), kAccent);
    const Shape dots = Union(Circle(24, 51, 4), Union(Circle(37, 51, 4), Circle(50, 51, 4)));
    c.Fill(Fit(dots, 96, x, y, size), kWhite);
}

Canvas LoginBackground() {
    Canvas c(480, 540);
    c.Fill(RoundRect(0, 0, 480, 540, 0), VerticalGradient(Hex(0xdceafb), 0, kWhite, 300));
    Mark(c, 192, 22, 96);
    return c;
}

Canvas Logo() {
    Canvas c(96, 96);
    Mark(c, 0, 0, 96);
    return c;
}

// ---- emoticons, each drawn in a 20-unit cell

Shape HeartShape(float cx, float cy, float size) {
    // Two lobes and a point, designed 20 units wide around (10, 10).
    const Shape heart = Union(Union(Circle(6.2f, 7.6f, 4.4f), Circle(13.8f, 7.6f, 4.4f)),
                              Polygon({{2.2f, 9.4f}, {17.8f, 9.4f}, {10, 17.6f}}));
    return Fit(heart, 20, cx - size / 2, cy - size / 2, size);
}

// The face and its features in the cell at x; `winking` closes the left eye of the wink.
void Emoticon(Canvas& c, int which, float x, bool winking = false) {
    const auto at = [x](Shape s) { return Translate(std::move(s), x, 0); };
    if (which == 8) {
        c.Fill(at(HeartShape(10, 10.3f, 20)), kHeartLine);
        c.Fill(at(HeartShape(10, 10.2f, 16.5f)), kRed);
        c.Fill(at(Ellipse(6.5f, 7, 1.6f, 1.1f)), Hex(0xf7a09a));
        return;
    }
    c.Fill(at(Circle(10, 10, 9.5f)), kFaceLine);
    c.Fill(at(Circle(10, 10, 8.3f)), which == 3 ? kAngryFace : kFace);
    const Shape dotEyes = Union(Circle(7, 8, 1.2f), Circle(13, 8, 1.2f));
    const Shape smile = Arc(10, 9.5f, 4.6f, 0.2f * kPi, 0.8f * kPi, 1.3f);
    const Shape frown = Arc(10, 16.5f, 4.2f, 1.25f * kPi, 1.75f * kPi, 1.3f);
    const Shape closedUp = Union(Arc(7, 9, 1.9f, 1.1f * kPi, 1.9f * kPi, 1.2f), Arc(13, 9, 1.9f, 1.1f * kPi, 1.9f * kPi, 1.2f));
    const Shape closedDown = Union(Arc(7, 7.5f, 1.9f, 0.1f * kPi, 0.9f * kPi, 1.2f), Arc(13, 7.5f, 1.9f, 0.1f * kPi, 0.9f * kPi, 1.2f));
    switch (which) {
    case 0:  // laugh
        c.Fill(at(closedUp), kFaceLine);
        c.Fill(at(Intersect(Circle(10, 11, 5), Below(11))), kMouth);
        c.Fill(at(Intersect(Circle(10, 16.5f, 2.6f), Circle(10, 11, 4))), Hex(0xe8665a));
        break;
    case 1:  // smile
        c.Fill(at(dotEyes), kFaceLine);
        c.Fill(at(smile), kFaceLine);
        break;
    case 2:  // sad
        c.Fill(at(dotEyes), kFaceLine);
        c.Fill(at(frown), kFaceLine);
        break;
    case 3:  // angry
        c.Fill(at(Union(Segment({4.8f, 5.2f}, {8.6f, 7.2f}, 1.4f), Segment({15.2f, 5.2f}, {11.4f, 7.2f}, 1.4f))), kFaceLine);
        c.Fill(at(Union(Circle(7.2f, 9.4f, 1.1f), Circle(12.8f, 9.4f, 1.1f))), kFaceLine);
        c.Fill(at(Arc(10, 17.5f, 4, 1.3f * kPi, 1.7f * kPi, 1.4f)), kFaceLine);
        break;
    case 4:  // surprised
        c.Fill(at(Union(Circle(7, 7.8f, 1.4f), Circle(13, 7.8f, 1.4f))), kFaceLine);
        c.Fill(at(Ellipse(10, 13.6f, 2.2f, 2.7f)), kMouth);
        break;
    case 5:  // love
        c.Fill(at(Union(HeartShape(7, 8, 5.2f), HeartShape(13, 8, 5.2f))), kRed);
        c.Fill(at(smile), kFaceLine);
        break;
    case 6:  // sleepy
        c.Fill(at(Union(Segment({5.2f, 8.8f}, {8.8f, 9.4f}, 1.2f), Segment({14.8f, 8.8f}, {11.2f, 9.4f}, 1.2f))), kFaceLine);
        c.Fill(at(Outline(Ellipse(10, 14, 1.5f, 1.2f), 1.1f)), kFaceLine);
        break;
    case 7:  // crying
        c.Fill(at(closedDown), kFaceLine);
        c.Fill(at(frown), kFaceLine);
        c.Fill(at(Union(Union(Circle(5.6f, 12.4f, 1.4f), Polygon({{4.3f, 12}, {6.9f, 12}, {5.6f, 9.6f}})),
                        Union(Circle(14.4f, 12.4f, 1.4f), Polygon({{13.1f, 12}, {15.7f, 12}, {14.4f, 9.6f}})))),
               kTear);
        break;
    case 9:  // wink: the left eye opens and closes
        c.Fill(at(winking ? Union(Arc(7, 9, 1.9f, 1.1f * kPi, 1.9f * kPi, 1.2f), Circle(13, 8, 1.2f)) : dotEyes), kFaceLine);
        c.Fill(at(smile), kFaceLine);
        break;
    default:
        break;
    }
}

constexpr int kEmoticons = 9;

Canvas Emoticons() {
    Canvas c(20 * kEmoticons, 20);
    for (int i = 0; i < kEmoticons; ++i) Emoticon(c, i, 20.0f * static_cast<float>(i));
    return c;
}

// The keyed sheet: each cell's rims blend into its own outline colour, never into the key.
std::string KeyedEmoticons() {
    std::vector<std::string> cells;
    for (int i = 0; i < kEmoticons; ++i) {
        Canvas cell(20, 20);
        Emoticon(cell, i, 0);
        cells.push_back(cell.RgbKeyed(i == 8 ? kHeartLine : kFaceLine, kKey));
    }
    std::string rows;
    for (int y = 0; y < 20; ++y) {
        for (const std::string& cell : cells) rows.append(cell, static_cast<size_t>(y) * 60, 60);
    }
    return rows;
}

std::string Wink() {
    std::vector<GifFrame> frames;
    for (bool winking : {false, true}) {
        Canvas c(20, 20);
        Emoticon(c, 9, 0, winking);
        frames.push_back(GifFrame{c.RgbKeyed(kFaceLine, kKey), 40});
    }
    return EncodeGif(20, 20, frames, kKey);
}

}  // namespace

std::vector<PictureFile> MakePictures() {
    std::vector<PictureFile> files;
    for (const auto& [width, height] : kButtonSizes) files.push_back(Png32(SizeName("button", width, height), Button(width, height)));
    files.push_back(Png32("icons.png", Icons()));
    files.push_back(Png32("presence.png", PresenceSheet()));
    files.push_back(Png24("tabs.png", Tabs()));
    files.push_back(Png32("badges.png", Badges()));
    files.push_back(Png24("bars.png", Bars()));
    files.push_back(Png24("searchbar.png", FieldBar(480, 48, kAccentTint, 47, 8, 6, 464, 36)));
    files.push_back(Png24("inputbar.png", FieldBar(480, 60, kBarLow, 0, 8, 8, 412, 44)));
    for (int width : kFieldSizes) files.push_back(Png32(SizeName("field", width, kFieldHeight), Field(width, kFieldHeight)));
    files.push_back(Png24("paper.png", Paper()));
    files.push_back({"popup.png", EncodePng(440, 56, false, PopupFrame())});
    files.push_back(Png32("boxicons.png", BoxIcons()));
    files.push_back(Png24("upgradebar.png", UpgradeBar()));
    files.push_back(Png32("rowart.png", RowArt()));
    files.push_back(Png24("selection.png", Selection()));
    files.push_back(Png24("line.png", Line()));
    files.push_back(Png32("toggles.png", Toggles()));
    files.push_back(Png32("progress.png", Progress()));
    files.push_back(Png32("indicator.png", Indicator()));
    files.push_back(Png24("chatframe.png", ChatFrame()));
    files.push_back(Png24("memoframe.png", MemoFrame()));
    files.push_back({"login.jpg", EncodeJpeg(480, 540, LoginBackground().RgbOver(kWhite), 90)});
    files.push_back(Png32("logo.png", Logo()));
    files.push_back({"emoticons.bmp", EncodeBmp(20 * kEmoticons, 20, KeyedEmoticons())});
    files.push_back(Png32("emoticons.png", Emoticons()));
    files.push_back({"wink.gif", Wink()});
    return files;
}

}  // namespace artwork
