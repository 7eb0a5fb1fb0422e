// The scripted camera flight: the eye as a pure function of the show's elapsed milliseconds.
#pragma once
#include <cstdint>

#include "anim/scene_state.h"

// The eye of the keyframe script at elapsedMs; it always looks at the origin with y up.
Point3 cameraScriptEye(int32_t elapsedMs);
