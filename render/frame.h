// Drawing one frame of the show, and the fade overlay. Drawing reads the scene and never
// changes it: the frame's own step (advanceFrame) runs before, outside this folder.
#pragma once
#include <cstdint>

#include "anim/steps.h"
#include "render/shortcuts.h"

// Draws a whole frame into the back buffer as the scene stands at elapsedMs: clear, camera,
// cubes, the finale with the ball frames the frame step gave, and the fade. Does not swap.
void renderFrame(int32_t elapsedMs, const FinaleFrame& finale);
// The black square in the plane z = 1 whose opacity is fadeAlpha.
void drawFadeOverlay();
