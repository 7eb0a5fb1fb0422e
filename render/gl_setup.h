// One-time OpenGL set-up of the show: light, material, depth, and the cube texture.
#pragma once

struct BitmapImage;

// Light, colour material and depth test, switched on once for the whole show.
void initLightingAndDepth();
// Creates the one cube texture from the image (an empty image gives a 0 x 0 texture) and
// leaves it bound.
void uploadCubeTexture(const BitmapImage& image);
// The whole set-up: lighting and depth, the texture from "skin.bmp", then full screen.
void initGraphics();
