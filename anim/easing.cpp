#include "anim/easing.h"

#include <cmath>

namespace {

// Steps shared by both forms; every intermediate is rounded to single precision.
float easeFraction(float from, float to, float u) {
    const float diff = to - from;
    const float angle = u * piF + piF;
    const float c = static_cast<float>(std::cos(static_cast<double>(angle)));
    return from + (0.5f * c + 0.5f) * diff;
}

}  // namespace

float easeCosine(float from, float to, float t, int32_t duration) {
    if (to == from) {
        return to;
    }
    return easeFraction(from, to, t / static_cast<float>(duration));
}

float easeCosine2000(float from, float to, float t) {
    if (to == from) {
        return from;
    }
    return easeFraction(from, to, t / static_cast<float>(easeSteps2000));
}

float easeCosine2000Held(float from, float to, float t) {
    return t > static_cast<float>(easeSteps2000) ? to : easeCosine2000(from, to, t);
}
