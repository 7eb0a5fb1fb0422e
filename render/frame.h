// One frame of the show, the display callback and the fade overlay.
#pragma once
#include <cstdint>

// Drawing shortcuts that leave every pixel exactly as the plain drawing steps would: the
// spheres of the ball come from display lists, a fully transparent fade overlay is left out,
// and the fade overlay is blended only over the parts of the window that hold a figure. On by
// default; tests switch them off to render the same frames both ways and compare.
extern bool pixelExactShortcuts;

// Draws a whole frame into the back buffer as the scene stands at elapsedMs: clear, camera,
// cubes, the finale (advancing its per-frame quantities first) and the fade. Does not swap.
void renderFrame(int32_t elapsedMs);
// The GLUT display callback: a frame at GLUT's elapsed time, then the swap.
void onDisplay();
// The black square in the plane z = 1 whose opacity is fadeAlpha.
void drawFadeOverlay();
