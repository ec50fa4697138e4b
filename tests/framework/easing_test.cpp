#include "framework/ui/motion/QeEasing.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The curves again, in double precision and in their normalised form (progress u in [0, 1] to
// eased progress), written from the published shapes rather than from the code under test.
constexpr double kPi = 3.14159265358979323846;

double BounceOutRef(double u) {
    const double n = 7.5625, k = 2.75;
    if (u < 1 / k) return n * u * u;
    if (u < 2 / k) return n * (u - 1.5 / k) * (u - 1.5 / k) + 0.75;
    if (u < 2.5 / k) return n * (u - 2.25 / k) * (u - 2.25 / k) + 0.9375;
    return n * (u - 2.625 / k) * (u - 2.625 / k) + 0.984375;
}

double Reference(uint32_t kind, double u) {
    const double back = 1.70158, backInOut = back * 1.525;
    switch (kind) {
    case 0: case 1: case 2: return u;
    case 3: return u * u;
    case 4: return 1 - (1 - u) * (1 - u);
    case 5: return u < 0.5 ? 2 * u * u : 1 - std::pow(-2 * u + 2, 2) / 2;
    case 6: return u * u * u;
    case 7: return 1 - std::pow(1 - u, 3);
    case 8: return u < 0.5 ? 4 * u * u * u : 1 - std::pow(-2 * u + 2, 3) / 2;
    case 9: return std::pow(u, 4);
    case 10: return 1 - std::pow(1 - u, 4);
    case 11: return u < 0.5 ? 8 * std::pow(u, 4) : 1 - std::pow(-2 * u + 2, 4) / 2;
    case 12: return std::pow(u, 5);
    case 13: return 1 - std::pow(1 - u, 5);
    case 14: return u < 0.5 ? 16 * std::pow(u, 5) : 1 - std::pow(-2 * u + 2, 5) / 2;
    case 15: return 1 - std::cos(u * kPi / 2);
    case 16: return std::sin(u * kPi / 2);
    case 17: return -(std::cos(kPi * u) - 1) / 2;
    case 18: return u == 0 ? 0 : std::pow(2, 10 * u - 10);
    case 19: return u == 1 ? 1 : 1 - std::pow(2, -10 * u);
    case 20:
        if (u == 0 || u == 1) return u;
        return u < 0.5 ? std::pow(2, 20 * u - 10) / 2 : (2 - std::pow(2, -20 * u + 10)) / 2;
    case 21: return 1 - std::sqrt(1 - u * u);
    case 22: return std::sqrt(1 - (u - 1) * (u - 1));
    case 23:
        return u < 0.5 ? (1 - std::sqrt(1 - 4 * u * u)) / 2 : (std::sqrt(1 - std::pow(-2 * u + 2, 2)) + 1) / 2;
    case 24: return (back + 1) * u * u * u - back * u * u;
    case 25: return 1 + (back + 1) * std::pow(u - 1, 3) + back * std::pow(u - 1, 2);
    case 26:
        return u < 0.5 ? std::pow(2 * u, 2) * ((backInOut + 1) * 2 * u - backInOut) / 2
                       : (std::pow(2 * u - 2, 2) * ((backInOut + 1) * (2 * u - 2) + backInOut) + 2) / 2;
    case 27:
        if (u == 0 || u == 1) return u;
        return -std::pow(2, 10 * u - 10) * std::sin((u * 10 - 10.75) * (2 * kPi / 3));
    case 28:
        if (u == 0 || u == 1) return u;
        return std::pow(2, -10 * u) * std::sin((u * 10 - 0.75) * (2 * kPi / 3)) + 1;
    case 29:
        if (u == 0 || u == 1) return u;
        return u < 0.5 ? -(std::pow(2, 20 * u - 10) * std::sin((20 * u - 11.125) * (2 * kPi / 4.5))) / 2
                       : std::pow(2, -20 * u + 10) * std::sin((20 * u - 11.125) * (2 * kPi / 4.5)) / 2 + 1;
    case 30: return 1 - BounceOutRef(1 - u);
    case 31: return BounceOutRef(u);
    case 32: return u < 0.5 ? (1 - BounceOutRef(1 - 2 * u)) / 2 : (1 + BounceOutRef(2 * u - 1)) / 2;
    }
    return NAN;
}

TEST(EasingTest, EveryKindFollowsItsCurveAt101Points) {
    // A unit change, and a change that is neither unit nor positive over an odd duration.
    struct Span {
        float b, c, d;
    };
    for (const Span span : {Span{0, 1, 1}, Span{40, -25, 0.35f}}) {
        for (uint32_t kind = 0; kind <= kLastEasingKind; ++kind) {
            QeEasingFunction ease = GetEasingFunction(kind);
            ASSERT_NE(ease, nullptr) << kind;
            double worst = 0;
            int worstAt = 0;
            for (int i = 0; i <= 100; ++i) {
                const float t = span.d * static_cast<float>(i) / 100;
                const double expected = span.b + span.c * Reference(kind, static_cast<double>(t) / span.d);
                const double error = std::fabs(ease(t, span.b, span.c, span.d) - expected) / std::fabs(span.c);
                if (error > worst) worst = error, worstAt = i;
            }
            EXPECT_LT(worst, 1e-5) << "kind " << kind << " at point " << worstAt << " of change " << span.c;
        }
    }
}

TEST(EasingTest, EndpointsAreExact) {
    for (uint32_t kind = 0; kind <= kLastEasingKind; ++kind) {
        QeEasingFunction ease = GetEasingFunction(kind);
        EXPECT_FLOAT_EQ(ease(0, 3, 7, 0.5f), 3) << kind;
        EXPECT_FLOAT_EQ(ease(0.5f, 3, 7, 0.5f), 10) << kind;
    }
    // The default answers exactly, not merely close.
    QeEasingFunction ease = GetEasingFunction(kDefaultEasingKind);
    EXPECT_EQ(ease(0, 0, 1, 0.3f), 0.0f);
    EXPECT_EQ(ease(0.3f, 0, 1, 0.3f), 1.0f);
}

TEST(EasingTest, LinearKindsAreOneLine) {
    for (int i = 0; i <= 20; ++i) {
        const float t = static_cast<float>(i) * 0.05f;
        EXPECT_EQ(GetEasingFunction(0)(t, 2, 5, 1), GetEasingFunction(1)(t, 2, 5, 1));
        EXPECT_EQ(GetEasingFunction(0)(t, 2, 5, 1), GetEasingFunction(2)(t, 2, 5, 1));
    }
}

TEST(EasingTest, BackAndElasticOvershoot) {
    QeEasingFunction backInOut = GetEasingFunction(26), elasticOut = GetEasingFunction(28);
    EXPECT_LT(backInOut(0.1f, 0, 1, 1), 0);
    EXPECT_GT(backInOut(0.9f, 0, 1, 1), 1);
    // Elastic out passes above and below the end value before settling on it.
    bool above = false, below = false;
    for (int i = 1; i < 100; ++i) {
        const float v = elasticOut(static_cast<float>(i) / 100, 0, 1, 1);
        above = above || v > 1;
        below = below || (i > 10 && v < 1);
    }
    EXPECT_TRUE(above);
    EXPECT_TRUE(below);
    EXPECT_EQ(elasticOut(1, 0, 1, 1), 1.0f);
}

TEST(EasingTest, NoDurationAnswersTheEndAndUnknownKindsFallBack) {
    for (uint32_t kind = 0; kind <= kLastEasingKind; ++kind) {
        for (float d : {0.0f, -1.0f, NAN}) EXPECT_EQ(GetEasingFunction(kind)(0, 4, 6, d), 10.0f) << kind << " " << d;
    }
    EXPECT_EQ(GetEasingFunction(33), nullptr);
    EXPECT_EQ(GetEasingFunction(0xFFFFFFFF), nullptr);
    EXPECT_EQ(QeEasingOrDefault(33), GetEasingFunction(kDefaultEasingKind));
    EXPECT_EQ(QeEasingOrDefault(5), GetEasingFunction(5));
}

}  // namespace
