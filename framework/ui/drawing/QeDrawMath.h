// The arithmetic of drawing, apart from the device it draws on: where a text goes and what of it
// shows, which part of an image a part of its box stands for, and which frame of an animation is
// due. Integer results never overflow: inputs from the skin may be anything.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win_types.h"

// The nearest 32-bit value: sums and differences of skin coordinates are worked out in 64 bits.
inline int32_t QeClamp32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// The minimum when value < minimum, the maximum when value > maximum, else the value (a NaN passes
// through: callers that convert it to an integer check for it first).
inline float ClampFloat(float value, float minimum, float maximum) {
    if (value < minimum) return minimum;
    if (value > maximum) return maximum;
    return value;
}

// What a font says about a text: its extent, and how many of its leading characters fit a width.
class QeTextMeasure {
public:
    virtual ~QeTextMeasure() = default;
    virtual SIZE Extent(const std::wstring& text) = 0;
    virtual int Fit(const std::wstring& text, int32_t maxWidth) = 0;
};

struct QeTextPlacement {
    std::wstring shown;  // the text, or its shortened form ending in "..."
    int32_t x = 0;
    int32_t y = 0;
};

// Places the text in the layout rectangle by the TextFormats flags. A text wider than the rectangle
// with EndEllipsis is shortened to the longest head that, followed by "...", is narrower than the
// rectangle (or "..." alone); the horizontal position is worked out from what is shown, so the
// shortened text stays inside the rectangle whatever the alignment.
QeTextPlacement PlaceText(const std::wstring& text, const RECT& layout, uint32_t format, QeTextMeasure& measure);

// The source rectangle that the part (box coordinates) of a box of the given size stands for when
// `source` is stretched over the box; at least one pixel wide and high, and never beyond the
// source. False for a box without width or height: there is nothing to map.
bool MapBoxPart(const RECT& source, const RECT& part, SIZE box, RECT& out);

// The index of the frame due `elapsed` ms after an animation started, for the frame delays (ms,
// each at least 1) played `loopCount` times (0 = forever), after which the last frame stays.
// 0 without frames.
size_t FrameAt(const std::vector<uint32_t>& delays, uint32_t loopCount, uint32_t elapsed);
// Milliseconds from `elapsed` to the next moment FrameAt gives another frame; 0 when it never
// does (fewer than two frames, or the last loop's last frame reached).
uint32_t FrameChangeAfter(const std::vector<uint32_t>& delays, uint32_t loopCount, uint32_t elapsed);
