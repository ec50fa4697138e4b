#include "framework/ui/drawing/QeDrawMath.h"

#include <algorithm>
#include <cmath>

#include "framework/ui/drawing/QeGraphicsTypes.h"

namespace {

// Truncates toward zero; values beyond 32 bits (or not a number) stop at the limits.
int64_t Truncate(float value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0f) return INT32_MAX;
    if (value <= -2147483648.0f) return INT32_MIN;
    return static_cast<int64_t>(value);
}

// Where a run of `extent` pixels starts in a span, by the alignment.
int64_t Align(int64_t start, int64_t end, int64_t extent, bool centre, bool far) {
    if (centre) return start + (end - start - extent) / 2;
    if (far) return end - extent;
    return start;
}

}  // namespace

QeTextPlacement PlaceText(const std::wstring& text, const RECT& layout, uint32_t format, QeTextMeasure& measure) {
    QeTextPlacement placement;
    placement.shown = text;
    SIZE extent = measure.Extent(text);
    const int64_t width = int64_t{layout.right} - layout.left;
    if ((format & kTextEndEllipsis) != 0 && extent.cx > width) {
        const int32_t limit = QeClamp32(width);
        const int fit = measure.Fit(text, limit);
        const size_t fitting = static_cast<size_t>(std::clamp<int>(fit, 0, static_cast<int>(text.size())));
        // The longest head below `fitting` that, with "...", is narrower than the rectangle (or
        // none). A longer head is never narrower, so bisection finds what a walk down from the
        // top would, in a logarithmic number of measures: a run of zero-width characters made
        // that walk quadratic.
        auto narrower = [&](size_t k) { return measure.Extent(text.substr(0, k) + L"...").cx < width; };
        size_t head = 0;  // narrower, or nothing at all
        size_t tooWide = fitting;
        while (tooWide - head > 1) {
            const size_t middle = head + (tooWide - head) / 2;
            (narrower(middle) ? head : tooWide) = middle;
        }
        placement.shown = text.substr(0, head) + L"...";
        extent = measure.Extent(placement.shown);
    }
    placement.x = QeClamp32(Align(layout.left, layout.right, extent.cx, (format & kTextHCenter) != 0,
                                  (format & kTextRight) != 0));
    placement.y = QeClamp32(Align(layout.top, layout.bottom, extent.cy, (format & kTextVCenter) != 0,
                                  (format & kTextBottom) != 0));
    return placement;
}

bool MapBoxPart(const RECT& source, const RECT& part, SIZE box, RECT& out) {
    if (box.cx <= 0 || box.cy <= 0) return false;
    // The small bias keeps an edge that lands exactly on a source pixel from falling one short.
    auto map = [](LONG from, LONG to, LONG edge, LONG span) {
        const float ratio = static_cast<float>(edge) / static_cast<float>(span) + 0.001f;
        return int64_t{from} + Truncate(static_cast<float>(int64_t{to} - from) * ratio);
    };
    // The bias may carry an edge past the source (a 1000-pixel source maps the box's right edge to
    // 1001), and parts outside the box map outside it: both are held to the source, where the
    // neighbouring images of a shared file begin and a blend refuses to read.
    auto hold = [](int64_t value, LONG a, LONG b) {
        return std::clamp<int64_t>(value, std::min(a, b), std::max(a, b));
    };
    auto span = [&](int64_t low, int64_t high, LONG from, LONG to, LONG& outLow, LONG& outHigh) {
        low = hold(low, from, to);
        high = hold(high, from, to);
        // At least one pixel, taken inside the source when there is room.
        if (high - low < 1) {
            high = low + 1;
            if (high > std::max(from, to) && std::max(from, to) > std::min(from, to)) {
                high = std::max(from, to);
                low = high - 1;
            }
        }
        outLow = QeClamp32(low);
        outHigh = QeClamp32(high);
    };
    span(map(source.left, source.right, part.left, box.cx), map(source.left, source.right, part.right, box.cx),
         source.left, source.right, out.left, out.right);
    span(map(source.top, source.bottom, part.top, box.cy), map(source.top, source.bottom, part.bottom, box.cy),
         source.top, source.bottom, out.top, out.bottom);
    return true;
}

size_t FrameAt(const std::vector<uint32_t>& delays, uint32_t loopCount, uint32_t elapsed) {
    if (delays.empty()) return 0;
    uint64_t total = 0;
    for (uint32_t delay : delays) total += std::max<uint32_t>(delay, 1);
    const uint64_t cycles = elapsed / total;
    if (loopCount != 0 && cycles >= loopCount) return delays.size() - 1;
    const uint64_t into = elapsed % total;
    uint64_t sum = 0;
    for (size_t i = 0; i < delays.size(); ++i) {
        sum += std::max<uint32_t>(delays[i], 1);
        if (sum > into) return i;
    }
    return delays.size() - 1;
}

uint32_t FrameChangeAfter(const std::vector<uint32_t>& delays, uint32_t loopCount, uint32_t elapsed) {
    if (delays.size() < 2) return 0;
    uint64_t total = 0;
    for (uint32_t delay : delays) total += std::max<uint32_t>(delay, 1);
    const uint64_t cycles = elapsed / total;
    if (loopCount != 0 && cycles >= loopCount) return 0;
    const uint64_t into = elapsed % total;
    uint64_t sum = 0;
    for (size_t i = 0; i < delays.size(); ++i) {
        sum += std::max<uint32_t>(delays[i], 1);
        if (sum > into) {
            // The last frame of the last loop stays.
            if (i + 1 == delays.size() && loopCount != 0 && cycles + 1 >= loopCount) return 0;
            return static_cast<uint32_t>(sum - into);
        }
    }
    return 0;
}
