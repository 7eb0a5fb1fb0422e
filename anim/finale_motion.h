// Heights and bounds of the finale's figures: the carpet's travelling wave, the ball riding
// above it, and the carpet's growing extent. Pure arithmetic; the drawing lives in render/.
#pragma once

// The finale's figures, shared by the drawing (render/finale.cpp) and the bounds around it.
constexpr float waveAmplitudeDivisor = 14.0f;  // the wave rises and falls 1/14
constexpr float ballLift = 0.11f;              // the ball's centre above the wave
constexpr float carpetGrownReach = 0.5f;       // both band ends, once the carpet has grown
constexpr float carpetStartFrom = -0.2f;       // the bands' start bound before they grow
constexpr float ballRadius = 0.08f;            // the dark-red sphere
constexpr float ballShellScale = 1.2f;         // the translucent shell, over the sphere's radius
constexpr double ballBarCube = 0.35;           // the GLUT cube each bar is scaled from
constexpr float ballBarLong = 0.6f;            // a bar's scale along its axis
constexpr float ballBarThin = 0.1f;            // and across it

// Height of the carpet's sine wave at band coordinate s (wavelength 0.5, amplitude 1/14).
float waveHeight(float s, float phase);
// Height of the ball's centre: 0.11 above the wave at the bands' crossing.
float ballHeight(float phase);
// The carpet's bounds along each band for a finale frame, eased from frame counts one apart.
float carpetEndBound(float oldBallFrame);
float carpetStartBound(float newBallFrame);
