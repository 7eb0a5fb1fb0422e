#include "camera/camera_script.h"

#include <limits>

#include "anim/easing.h"

namespace {

// One eye component of a keyframe row: a fixed value, or an ease from `from` to `to` over
// `duration` ms with its clock starting at `offsetMs`. The ease is clamped to `to` once past its
// duration but never below its start: where the offset lies beyond the row's start the
// component follows the cosine at negative times for the whole row.
struct EyeComponent {
    bool eased;
    float from;  // the fixed value when not eased
    float to;
    float offsetMs;
    int32_t duration;
};

struct CameraRow {
    float endMs;  // the row applies while T is below this
    EyeComponent x, y, z;
};

constexpr EyeComponent fixed(float value) {
    return {false, value, value, 0.0f, 0};
}
constexpr EyeComponent ease(float from, float to, float offsetMs, int32_t duration) {
    return {true, from, to, offsetMs, duration};
}

constexpr float forever = std::numeric_limits<float>::infinity();

const CameraRow cameraRows[] = {
    {4000, fixed(0.25f), fixed(0.05f), ease(1.5f, -1.3f, 0, 4000)},
    {13000, fixed(-0.3f), ease(-0.8f, 1.5f, 4000, 13000), fixed(-0.45f)},
    {19500, ease(0.05f, 1.0f, 13000, 19500), ease(0.35f, 0.5f, 26000, 19500), fixed(1.0f)},
    {21375, fixed(1.0f), ease(2.0f, -2.0f, 19500, 1875), fixed(1.0f)},
    {23125, fixed(0.3f), fixed(2.0f), ease(2.0f, -2.0f, 21375, 2000)},
    {25125, ease(-5.0f, 0.0f, 23125, 2000), fixed(0.3f), fixed(2.0f)},
    {27750, fixed(0.3f), ease(3.0f, -1.0f, 25125, 2625), ease(5.0f, 1.0f, 50250, 5250)},
    {33750, ease(0.5f, 1.5f, 27750, 6250), fixed(0.7f), ease(1.0f, -0.2f, 55500, 12000)},
    {52750, fixed(0.2f), ease(-0.6f, 1.0f, 33750, 20000), fixed(0.6f)},
    {58750, fixed(0.0f), ease(cubeEdge, 2.0f, 52750, 6000), fixed(-0.15f)},
    {90250, ease(1.0f, 0.7f, 58750, 14000), fixed(0.5f), ease(1.0f, 2.0f, 89500, 28000)},
    {forever, fixed(0.7f), fixed(0.5f), fixed(2.0f)},
};

float evaluate(const EyeComponent& c, float t) {
    if (!c.eased) {
        return c.from;
    }
    const float s = t - c.offsetMs;
    if (s > static_cast<float>(c.duration)) {
        return c.to;
    }
    return easeCosine(c.from, c.to, s, c.duration);
}

}  // namespace

Point3 cameraScriptEye(int32_t elapsedMs) {
    const float t = static_cast<float>(elapsedMs);
    for (const CameraRow& row : cameraRows) {
        if (t < row.endMs) {
            return Point3{evaluate(row.x, t), evaluate(row.y, t), evaluate(row.z, t)};
        }
    }
    const CameraRow& last = cameraRows[sizeof cameraRows / sizeof cameraRows[0] - 1];
    return Point3{last.x.from, last.y.from, last.z.from};
}
