#include "framework/ui/motion/QeEasing.h"

#include <cmath>

// Penner's easing equations in single precision; the transcendental parts go through the double
// functions and come back as float, as on the device.
namespace {

constexpr float kPi = 3.14159265f;
constexpr float kHalfPi = 1.5707964f;
constexpr float kTwoPi = 6.2831855f;
constexpr float kBack = 1.70158f;

float Sin(float x) { return static_cast<float>(std::sin(static_cast<double>(x))); }
float Cos(float x) { return static_cast<float>(std::cos(static_cast<double>(x))); }
float Sqrt(float x) { return static_cast<float>(std::sqrt(static_cast<double>(x))); }
float Pow2(float x) { return static_cast<float>(std::pow(2.0, static_cast<double>(x))); }

float Linear(float t, float b, float c, float d) { return c * t / d + b; }

float QuadIn(float t, float b, float c, float d) {
    t /= d;
    return c * t * t + b;
}
float QuadOut(float t, float b, float c, float d) {
    t /= d;
    return -c * t * (t - 2) + b;
}
float QuadInOut(float t, float b, float c, float d) {
    t /= d / 2;
    if (t < 1) return c / 2 * t * t + b;
    t -= 1;
    return -c / 2 * (t * (t - 2) - 1) + b;
}

float CubicIn(float t, float b, float c, float d) {
    t /= d;
    return c * t * t * t + b;
}
float CubicOut(float t, float b, float c, float d) {
    t = t / d - 1;
    return c * (t * t * t + 1) + b;
}
float CubicInOut(float t, float b, float c, float d) {
    t /= d / 2;
    if (t < 1) return c / 2 * t * t * t + b;
    t -= 2;
    return c / 2 * (t * t * t + 2) + b;
}

float QuartIn(float t, float b, float c, float d) {
    t /= d;
    return c * t * t * t * t + b;
}
float QuartOut(float t, float b, float c, float d) {
    t = t / d - 1;
    return -c * (t * t * t * t - 1) + b;
}
float QuartInOut(float t, float b, float c, float d) {
    t /= d / 2;
    if (t < 1) return c / 2 * t * t * t * t + b;
    t -= 2;
    return -c / 2 * (t * t * t * t - 2) + b;
}

float QuintIn(float t, float b, float c, float d) {
    t /= d;
    return c * t * t * t * t * t + b;
}
float QuintOut(float t, float b, float c, float d) {
    t = t / d - 1;
    return c * (t * t * t * t * t + 1) + b;
}
float QuintInOut(float t, float b, float c, float d) {
    t /= d / 2;
    if (t < 1) return c / 2 * t * t * t * t * t + b;
    t -= 2;
    return c / 2 * (t * t * t * t * t + 2) + b;
}

float SineIn(float t, float b, float c, float d) { return -c * Cos(t / d * kHalfPi) + c + b; }
float SineOut(float t, float b, float c, float d) { return c * Sin(t / d * kHalfPi) + b; }
float SineInOut(float t, float b, float c, float d) { return -c / 2 * (Cos(kPi * t / d) - 1) + b; }

float ExpoIn(float t, float b, float c, float d) { return t == 0 ? b : c * Pow2(10 * (t / d - 1)) + b; }
float ExpoOut(float t, float b, float c, float d) { return t == d ? b + c : c * (-Pow2(-10 * t / d) + 1) + b; }
float ExpoInOut(float t, float b, float c, float d) {
    if (t == 0) return b;
    if (t == d) return b + c;
    t /= d / 2;
    if (t < 1) return c / 2 * Pow2(10 * (t - 1)) + b;
    t -= 1;
    return c / 2 * (-Pow2(-10 * t) + 2) + b;
}

float CircIn(float t, float b, float c, float d) {
    t /= d;
    return -c * (Sqrt(1 - t * t) - 1) + b;
}
float CircOut(float t, float b, float c, float d) {
    t = t / d - 1;
    return c * Sqrt(1 - t * t) + b;
}
float CircInOut(float t, float b, float c, float d) {
    t /= d / 2;
    if (t < 1) return -c / 2 * (Sqrt(1 - t * t) - 1) + b;
    t -= 2;
    return c / 2 * (Sqrt(1 - t * t) + 1) + b;
}

float BackIn(float t, float b, float c, float d) {
    t /= d;
    return c * t * t * ((kBack + 1) * t - kBack) + b;
}
float BackOut(float t, float b, float c, float d) {
    t = t / d - 1;
    return c * (t * t * ((kBack + 1) * t + kBack) + 1) + b;
}
float BackInOut(float t, float b, float c, float d) {
    const float s = kBack * 1.525f;
    t /= d / 2;
    if (t < 1) return c / 2 * (t * t * ((s + 1) * t - s)) + b;
    t -= 2;
    return c / 2 * (t * t * ((s + 1) * t + s) + 2) + b;
}

// The amplitude is c itself, so the phase shift is a quarter period.
float ElasticIn(float t, float b, float c, float d) {
    if (t == 0) return b;
    t /= d;
    if (t == 1) return b + c;
    const float p = d * 0.3f;
    const float s = p / 4;
    t -= 1;
    return -(c * Pow2(10 * t) * Sin((t * d - s) * kTwoPi / p)) + b;
}
float ElasticOut(float t, float b, float c, float d) {
    if (t == 0) return b;
    t /= d;
    if (t == 1) return b + c;
    const float p = d * 0.3f;
    const float s = p / 4;
    return c * Pow2(-10 * t) * Sin((t * d - s) * kTwoPi / p) + c + b;
}
float ElasticInOut(float t, float b, float c, float d) {
    if (t == 0) return b;
    t /= d / 2;
    if (t == 2) return b + c;
    const float p = d * (0.3f * 1.5f);
    const float s = p / 4;
    t -= 1;
    if (t < 0) return -0.5f * (c * Pow2(10 * t) * Sin((t * d - s) * kTwoPi / p)) + b;
    return c * Pow2(-10 * t) * Sin((t * d - s) * kTwoPi / p) * 0.5f + c + b;
}

float BounceOut(float t, float b, float c, float d) {
    t /= d;
    if (t < 1 / 2.75f) return c * (7.5625f * t * t) + b;
    if (t < 2 / 2.75f) {
        t -= 1.5f / 2.75f;
        return c * (7.5625f * t * t + 0.75f) + b;
    }
    if (t < 2.5f / 2.75f) {
        t -= 2.25f / 2.75f;
        return c * (7.5625f * t * t + 0.9375f) + b;
    }
    t -= 2.625f / 2.75f;
    return c * (7.5625f * t * t + 0.984375f) + b;
}
float BounceIn(float t, float b, float c, float d) { return c - BounceOut(d - t, 0, c, d) + b; }
float BounceInOut(float t, float b, float c, float d) {
    if (t < d / 2) return BounceIn(t * 2, 0, c, d) * 0.5f + b;
    return BounceOut(t * 2 - d, 0, c, d) * 0.5f + c * 0.5f + b;
}

// Every curve divides by d; an animation of no length (or a duration that is not a number) is
// over before it starts.
template <QeEasingFunction Curve>
float Ended(float t, float b, float c, float d) {
    if (!(d > 0)) return b + c;
    return Curve(t, b, c, d);
}

constexpr QeEasingFunction kCurves[kLastEasingKind + 1] = {
    Ended<Linear>,     Ended<Linear>,     Ended<Linear>,      Ended<QuadIn>,      Ended<QuadOut>,
    Ended<QuadInOut>,  Ended<CubicIn>,    Ended<CubicOut>,    Ended<CubicInOut>,  Ended<QuartIn>,
    Ended<QuartOut>,   Ended<QuartInOut>, Ended<QuintIn>,     Ended<QuintOut>,    Ended<QuintInOut>,
    Ended<SineIn>,     Ended<SineOut>,    Ended<SineInOut>,   Ended<ExpoIn>,      Ended<ExpoOut>,
    Ended<ExpoInOut>,  Ended<CircIn>,     Ended<CircOut>,     Ended<CircInOut>,   Ended<BackIn>,
    Ended<BackOut>,    Ended<BackInOut>,  Ended<ElasticIn>,   Ended<ElasticOut>,  Ended<ElasticInOut>,
    Ended<BounceIn>,   Ended<BounceOut>,  Ended<BounceInOut>,
};

}  // namespace

QeEasingFunction GetEasingFunction(uint32_t kind) { return kind <= kLastEasingKind ? kCurves[kind] : nullptr; }

QeEasingFunction QeEasingOrDefault(uint32_t kind) {
    QeEasingFunction curve = GetEasingFunction(kind);
    return curve != nullptr ? curve : kCurves[kDefaultEasingKind];
}
