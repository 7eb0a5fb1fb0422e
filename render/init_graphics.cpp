// The program's whole set-up, in a file of its own: it is the one part of the set-up that asks
// the window system for anything (full screen), so pp-render, which draws without a window,
// links the rest of gl_setup without it.
#include <GL/freeglut.h>

#include "image/bitmap.h"
#include "render/gl_setup.h"

void initGraphics() {
    initLightingAndDepth();
    BitmapImage image = {};
    loadBitmap(image);
    uploadCubeTexture(image);
    glutFullScreen();
    releaseBitmap(image);
}
