#include "anim/finale_motion.h"

#include <cmath>

#include "anim/easing.h"
#include "anim/scene_state.h"

namespace {
constexpr float wavePhaseOffset = 12.566371f;  // 4 pi: the ball follows the wave at s = 0
constexpr float ballLift = 0.11f;
}  // namespace

float waveHeight(float s, float phase) {
    const double a = static_cast<double>(s) * static_cast<double>(piF) * 4.0 + phase;
    const float sine = static_cast<float>(std::sin(static_cast<double>(static_cast<float>(a))));
    return sine / 14.0f;
}

float ballHeight(float phase) {
    const float r = phase + wavePhaseOffset;
    const float sine = static_cast<float>(std::sin(static_cast<double>(r)));
    return static_cast<float>(static_cast<double>(sine) / 14.0 + static_cast<double>(ballLift));
}

float carpetEndBound(float oldBallFrame) {
    return oldBallFrame > 2000.0f ? 0.5f : easeCosine2000(cubeEdge, 0.5f, oldBallFrame);
}

float carpetStartBound(float newBallFrame) {
    return newBallFrame > 2000.0f ? -0.5f : easeCosine2000(-0.2f, -0.5f, newBallFrame);
}
