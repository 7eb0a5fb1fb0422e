#include "render/gl_setup.h"

#include <GL/gl.h>

#include <cstdint>

#include "image/bitmap.h"

void initLightingAndDepth() {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    // A directional light given under the identity view, so it stays fixed to the viewer.
    const GLfloat lightPosition[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_DEPTH_TEST);
    glClearDepth(1.0);
}

void uploadCubeTexture(const BitmapImage& image) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    // Rows arrive bottom row first for an ordinary bitmap, as OpenGL's texture rows go. An image
    // without pixels for all its sides (none read, or refused) gives an empty texture, so the
    // upload never reads past what the reader holds.
    GLsizei width = bitmapWidthAbs(image);
    GLsizei height = bitmapHeightAbs(image);
    if (image.pixels == nullptr ||
        static_cast<int64_t>(width) * height != static_cast<int64_t>(image.pixelCount)) {
        width = 0;
        height = 0;
    }
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 width > 0 ? image.pixels : nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
}
