// The drawing's shortcuts switch, read by every drawing routine that has a shortcut.
#pragma once

// Drawing shortcuts that leave every pixel exactly as the plain drawing steps would: the
// spheres of the ball come from display lists, a fully transparent fade overlay is left out,
// and the fade overlay is blended only over the parts of the window that hold a figure. On by
// default; tests switch them off to render the same frames both ways and compare.
extern bool pixelExactShortcuts;
