// The cube block: every entry of placedCubes, spread apart, with the rolling cube turning.
#pragma once

// Draws one cube per placedCubes entry; leaves the modelview matrix as it found it.
void drawCubeAssembly();
// One lit, textured, axis-aligned cube of the given edge centred at the current origin.
void drawTexturedCube(float edge);
