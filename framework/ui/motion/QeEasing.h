// Easing: how every animation of the framework shapes its progress, chosen by a small integer kept
// in skins, records and defaults.
//
// Rules callers rely on:
//   - a function takes (t, b, c, d): elapsed time 0 <= t <= d, start value b, total change c and
//     duration d, and answers b at t = 0 and b + c at t = d; with d <= 0 it answers b + c (an
//     animation of no length is already over);
//   - kinds 0-32 have a curve; GetEasingFunction answers null for any other kind, and every
//     animation asks QeEasingOrDefault instead, which falls back to kDefaultEasingKind;
//   - back and elastic curves overshoot: their values leave [b, b + c] on the way, so whoever
//     turns them into pixels or alpha clamps.
#pragma once

#include <cstdint>

using QeEasingFunction = float (*)(float t, float b, float c, float d);

// Exponential out: the framework's default everywhere.
constexpr uint32_t kDefaultEasingKind = 19;
constexpr uint32_t kLastEasingKind = 32;

// 0-2 linear; then in, out and in-out of quadratic (3-5), cubic (6-8), quartic (9-11), quintic
// (12-14), sine (15-17), exponential (18-20), circular (21-23), back (24-26), elastic (27-29) and
// bounce (30-32). Null above 32.
QeEasingFunction GetEasingFunction(uint32_t kind);

// The kind's function, or kind 19's for a kind without a curve.
QeEasingFunction QeEasingOrDefault(uint32_t kind);
