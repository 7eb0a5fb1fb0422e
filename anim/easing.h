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
// The same with the duration fixed at 2000 (spread ticks, finale frames).
float easeCosine2000(float from, float to, float t);
