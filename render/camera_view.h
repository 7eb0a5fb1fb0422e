// Places the eye for a frame: the keyframe script or the manual eye, looking at the origin.
#pragma once
#include <cstdint>

#include "render/screen_cover.h"

// Sets the view of the scripted camera at elapsedMs with gluLookAt.
void applyCameraScript(int32_t elapsedMs);
// Sets the view from the manual eye that the keys move.
void applyManualCamera();

// The current projection, modelview and viewport, read back from GL.
ClipTransform currentClipTransform();
