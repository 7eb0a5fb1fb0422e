// Heights and bounds of the finale's figures: the carpet's travelling wave, the ball riding
// above it, and the carpet's growing extent. Pure arithmetic; the drawing lives in render/.
#pragma once

// Height of the carpet's sine wave at band coordinate s (wavelength 0.5, amplitude 1/14).
float waveHeight(float s, float phase);
// Height of the ball's centre: 0.11 above the wave at the bands' crossing.
float ballHeight(float phase);
// The carpet's bounds along each band for a finale frame, eased from frame counts one apart.
float carpetEndBound(float oldBallFrame);
float carpetStartBound(float newBallFrame);
