// One frame of the show, the display callback and the fade overlay.
#pragma once
#include <cstdint>

// Draws a whole frame into the back buffer as the scene stands at elapsedMs: clear, camera,
// cubes, the finale (advancing its per-frame quantities first) and the fade. Does not swap.
void renderFrame(int32_t elapsedMs);
// The GLUT display callback: a frame at GLUT's elapsed time, then the swap.
void onDisplay();
// The black square in the plane z = 1 whose opacity is fadeAlpha.
void drawFadeOverlay();
