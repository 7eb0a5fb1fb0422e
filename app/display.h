// The display callback: the frame's step, then its drawing.
#pragma once
#include <cstdint>

#include "anim/steps.h"

// One frame of the show at elapsedMs into the back buffer, as the display callback makes it:
// the frame step advances the finale, then the frame is drawn from the scene. Does not swap.
// (show_frame.cpp: it asks nothing of GLUT.)
FinaleFrame showFrame(int32_t elapsedMs);
// The GLUT display callback: a frame at GLUT's elapsed time, then the swap.
void onDisplay();
