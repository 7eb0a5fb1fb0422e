// Cosine ease-in-out used by every smooth motion of the show.
//
// Callers clamp: past the duration they take the end value themselves; below zero they do not
// clamp, and the cosine is followed unchanged (the camera script relies on that).
#pragma once
#include <cstdint>

// Pi rounded to single precision, as every angle of the show's motion is computed.
constexpr float piF = 3.1415927f;

// Eases from `from` to `to` as t runs from 0 to `duration`, in single precision throughout.
float easeCosine(float from, float to, float t, int32_t duration);
// The length of the spread (in ticks) and of the carpet's growth (in finale frames).
constexpr int32_t easeSteps2000 = 2000;
// The same with the duration fixed at easeSteps2000.
float easeCosine2000(float from, float to, float t);
// easeCosine2000 held at `to` once t has passed the duration, as the spread and the carpet are.
float easeCosine2000Held(float from, float to, float t);
