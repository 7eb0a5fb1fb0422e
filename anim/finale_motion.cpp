#include "anim/finale_motion.h"

#include <cmath>

#include "anim/easing.h"
#include "anim/scene_state.h"

namespace {
constexpr float wavePhaseOffset = 12.566371f;  // 4 pi: the ball follows the wave at s = 0
}  // namespace

float waveHeight(float s, float phase) {
    const double a = static_cast<double>(s) * static_cast<double>(piF) * 4.0 + phase;
    const float sine = static_cast<float>(std::sin(static_cast<double>(static_cast<float>(a))));
    return sine / waveAmplitudeDivisor;
}

float ballHeight(float phase) {
    const float r = phase + wavePhaseOffset;
    const float sine = static_cast<float>(std::sin(static_cast<double>(r)));
    return static_cast<float>(static_cast<double>(sine) /
                                  static_cast<double>(waveAmplitudeDivisor) +
                              static_cast<double>(ballLift));
}

float carpetEndBound(float oldBallFrame) {
    return easeCosine2000Held(cubeEdge, carpetGrownReach, oldBallFrame);
}

float carpetStartBound(float newBallFrame) {
    return easeCosine2000Held(carpetStartFrom, -carpetGrownReach, newBallFrame);
}
