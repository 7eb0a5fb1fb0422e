#include "anim/finale_motion.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(FinaleMotion, FirstFinaleFrameHeights) {
    // The first finale frame draws with the ripple phase at 0.1.
    EXPECT_NEAR(ballHeight(0.1f), 0.117131f, 1e-6f);
    EXPECT_NEAR(waveHeight(0.0f, 0.1f), 0.0071310f, 1e-7f);
}

TEST(FinaleMotion, BallRidesPointElevenAboveTheWaveAtTheCrossing) {
    for (float phase = 0.0f; phase < 300.0f; phase += 0.7f) {
        EXPECT_NEAR(ballHeight(phase) - waveHeight(0.0f, phase), 0.11f, 1e-5f) << phase;
    }
}

TEST(FinaleMotion, WaveHasWavelengthHalfAndAmplitudeOneFourteenth) {
    float highest = 0.0f;
    for (float s = -0.5f; s <= 0.5f; s += 0.001f) {
        const float h = waveHeight(s, 0.3f);
        EXPECT_NEAR(h, waveHeight(s + 0.5f, 0.3f), 1e-5f) << s;
        highest = std::fmax(highest, std::fabs(h));
    }
    EXPECT_NEAR(highest, 1.0f / 14.0f, 1e-5f);
}

TEST(FinaleMotion, CarpetGrowsOverTwoThousandFramesThenHolds) {
    // The first finale frame: old frame 0, new frame 1.
    EXPECT_EQ(carpetEndBound(0.0f), 0.2f);
    EXPECT_NEAR(carpetStartBound(1.0f), -0.2f, 1e-6f);
    EXPECT_LT(carpetStartBound(1.0f), -0.2f);
    EXPECT_NEAR(carpetEndBound(1000.0f), 0.35f, 1e-6f);
    EXPECT_NEAR(carpetStartBound(1000.0f), -0.35f, 1e-6f);
    EXPECT_NEAR(carpetEndBound(2000.0f), 0.5f, 1e-6f);
    EXPECT_NEAR(carpetStartBound(2000.0f), -0.5f, 1e-6f);
    for (float frame : {2001.0f, 2500.0f, 1e6f}) {
        EXPECT_EQ(carpetEndBound(frame), 0.5f);
        EXPECT_EQ(carpetStartBound(frame), -0.5f);
    }
}
