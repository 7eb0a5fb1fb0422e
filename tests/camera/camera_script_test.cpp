#include "camera/camera_script.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

// The cosine ease worked out in double precision, with the caller's clamp past the duration
// and no clamp below zero.
double eased(double from, double to, double s, double duration) {
    if (s > duration) {
        return to;
    }
    return from + (0.5 * std::cos(M_PI * (1.0 + s / duration)) + 0.5) * (to - from);
}

struct Eye {
    double x, y, z;
};

// The flight written out independently of the program's table.
Eye expectedEye(double t) {
    if (t < 4000)
        return {0.25, 0.05, eased(1.5, -1.3, t, 4000)};
    if (t < 13000)
        return {-0.3, eased(-0.8, 1.5, t - 4000, 13000), -0.45};
    if (t < 19500)
        return {eased(0.05, 1.0, t - 13000, 19500), eased(0.35, 0.5, t - 26000, 19500), 1.0};
    if (t < 21375)
        return {1.0, eased(2, -2, t - 19500, 1875), 1.0};
    if (t < 23125)
        return {0.3, 2.0, eased(2, -2, t - 21375, 2000)};
    if (t < 25125)
        return {eased(-5, 0, t - 23125, 2000), 0.3, 2.0};
    if (t < 27750)
        return {0.3, eased(3, -1, t - 25125, 2625), eased(5, 1, t - 50250, 5250)};
    if (t < 33750)
        return {eased(0.5, 1.5, t - 27750, 6250), 0.7, eased(1, -0.2, t - 55500, 12000)};
    if (t < 52750)
        return {0.2, eased(-0.6, 1.0, t - 33750, 20000), 0.6};
    if (t < 58750)
        return {0.0, eased(0.2, 2.0, t - 52750, 6000), -0.15};
    if (t < 90250)
        return {eased(1.0, 0.7, t - 58750, 14000), 0.5, eased(1.0, 2.0, t - 89500, 28000)};
    return {0.7, 0.5, 2.0};
}

void expectEye(int32_t t, double x, double y, double z, double tolerance = 2e-6) {
    const Point3 eye = cameraScriptEye(t);
    EXPECT_NEAR(eye.x, x, tolerance) << "T = " << t;
    EXPECT_NEAR(eye.y, y, tolerance) << "T = " << t;
    EXPECT_NEAR(eye.z, z, tolerance) << "T = " << t;
}

const int32_t rowBounds[] = {4000,  13000, 19500, 21375, 23125, 25125,
                             27750, 33750, 52750, 58750, 90250};

}  // namespace

TEST(CameraScript, NamedInstants) {
    expectEye(0, 0.25, 0.05, 1.5);
    // Just before row 2 the eye has nearly but not quite reached -1.3.
    const Point3 late = cameraScriptEye(3999);
    EXPECT_GT(late.z, -1.3f);
    EXPECT_LT(late.z, -1.2999f);
    expectEye(4000, -0.3, -0.8, -0.45);
    // Row 3's eye y is evaluated at negative s: about 0.4625, not the ease's start 0.35.
    expectEye(13000, 0.05, 0.4625, 1.0);
    expectEye(19499, eased(0.05, 1.0, 6499, 19500), 0.3875, 1.0, 1e-4);
    expectEye(90250, 0.7, 0.5, 2.0);
    expectEye(1000000, 0.7, 0.5, 2.0);
    expectEye(INT32_MAX, 0.7, 0.5, 2.0);
}

TEST(CameraScript, EveryRowBoundaryFromBothSides) {
    for (int32_t bound : rowBounds) {
        for (int32_t t : {bound - 1, bound}) {
            const Eye e = expectedEye(t);
            expectEye(t, e.x, e.y, e.z, 2e-5);
        }
    }
}

TEST(CameraScript, JumpsWhereAnEaseOutlastsItsRow) {
    // Row 2 runs 9000 ms of a 13000 ms ease: eye y jumps from about 0.87 to row 3's 0.4625.
    EXPECT_NEAR(cameraScriptEye(12999).y, eased(-0.8, 1.5, 8999, 13000), 2e-5);
    EXPECT_GT(cameraScriptEye(12999).y - cameraScriptEye(13000).y, 0.3f);
    // Row 5's z is at -1.7 when row 6 takes over with z = 2.
    EXPECT_NEAR(cameraScriptEye(23124).z, eased(2, -2, 1749, 2000), 2e-5);
    EXPECT_EQ(cameraScriptEye(23125).z, 2.0f);
    // Row 11's eye x stays at 0.7 once its 14000 ms ease is over.
    EXPECT_EQ(cameraScriptEye(72751).x, 0.7f);
    EXPECT_EQ(cameraScriptEye(90249).x, 0.7f);
}

TEST(CameraScript, NegativeTimeRowsFollowTheCosine) {
    // Rows 7, 8 and 11 each have a component whose ease starts after the row does.
    for (int32_t t : {25125, 26000, 27000, 27749}) {
        EXPECT_NEAR(cameraScriptEye(t).z, eased(5, 1, t - 50250.0, 5250), 2e-5) << t;
    }
    for (int32_t t : {27750, 30000, 33749}) {
        EXPECT_NEAR(cameraScriptEye(t).z, eased(1, -0.2, t - 55500.0, 12000), 2e-5) << t;
    }
    for (int32_t t : {58750, 65000, 70600, 90249}) {
        EXPECT_NEAR(cameraScriptEye(t).z, eased(1, 2, t - 89500.0, 28000), 2e-5) << t;
    }
    // During the fade (58.75 s on) the eye stays beyond the overlay's plane z = 1.
    for (int32_t t = 58750; t <= 70750; t += 250) {
        EXPECT_GT(cameraScriptEye(t).z, 1.7f) << t;
    }
}

TEST(CameraScript, WholeFlightAgainstTheWrittenOutTable) {
    for (int32_t t = 0; t <= 95000; t += 125) {
        const Eye e = expectedEye(t);
        expectEye(t, e.x, e.y, e.z, 2e-5);
    }
}
