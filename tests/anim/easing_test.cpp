#include "anim/easing.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Easing, EndsAndMidpoint) {
    EXPECT_FLOAT_EQ(easeCosine(1.5f, -1.3f, 0.0f, 4000), 1.5f);
    EXPECT_NEAR(easeCosine(1.5f, -1.3f, 4000.0f, 4000), -1.3f, 1e-6f);
    EXPECT_NEAR(easeCosine(1.5f, -1.3f, 2000.0f, 4000), 0.1f, 1e-6f);
    // Zero speed at both ends: a step of 1 in 4000 barely moves the value.
    EXPECT_NEAR(easeCosine(1.5f, -1.3f, 1.0f, 4000), 1.5f, 1e-5f);
    EXPECT_NEAR(easeCosine(1.5f, -1.3f, 3999.0f, 4000), -1.3f, 1e-5f);
}

TEST(Easing, EqualEndsReturnThatValueForAnyTime) {
    for (float t : {-5000.0f, 0.0f, 1234.5f, 1e9f}) {
        EXPECT_EQ(easeCosine(0.7f, 0.7f, t, 3000), 0.7f);
        EXPECT_EQ(easeCosine2000(-0.2f, -0.2f, t), -0.2f);
    }
}

TEST(Easing, NegativeTimeFollowsTheCosineUnclamped) {
    // pi * (1 - 13000/19500) = pi/3: cos is 0.5, three quarters of the way.
    EXPECT_NEAR(easeCosine(0.35f, 0.5f, -13000.0f, 19500), 0.4625f, 1e-6f);
    // Half a duration before the start gives the midpoint again.
    EXPECT_NEAR(easeCosine(0.0f, 1.0f, -2000.0f, 4000), 0.5f, 1e-6f);
    // A whole duration before the start is the end value, not the start.
    EXPECT_NEAR(easeCosine(0.0f, 1.0f, -4000.0f, 4000), 1.0f, 1e-6f);
}

TEST(Easing, FixedDurationFormMatchesTheGeneralOne) {
    for (float t = -500.0f; t <= 2500.0f; t += 37.0f) {
        EXPECT_EQ(easeCosine2000(0.0f, 0.3f, t), easeCosine(0.0f, 0.3f, t, 2000)) << t;
    }
}

TEST(Easing, SpreadReachesExactlySinglePrecisionPointThree) {
    // The spread step stops when this value is no longer below 0.3.
    EXPECT_EQ(easeCosine2000(0.0f, 0.3f, 2000.0f), 0.3f);
    EXPECT_FALSE(static_cast<double>(easeCosine2000(0.0f, 0.3f, 2000.0f)) < 0.3);
    EXPECT_TRUE(static_cast<double>(easeCosine2000(0.0f, 0.3f, 1999.0f)) < 0.3);
}

TEST(Easing, IsMonotonicInsideTheDuration) {
    float previous = easeCosine2000(-0.2f, -0.5f, 0.0f);
    for (int t = 1; t <= 2000; ++t) {
        const float value = easeCosine2000(-0.2f, -0.5f, static_cast<float>(t));
        EXPECT_LE(value, previous) << t;
        previous = value;
    }
    EXPECT_NEAR(previous, -0.5f, 1e-6f);
}
