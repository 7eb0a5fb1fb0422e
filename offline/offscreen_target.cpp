#define GL_GLEXT_PROTOTYPES
#include "offline/offscreen_target.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>

namespace {

// A renderbuffer of the picture's size in the format given, attached to the bound framebuffer.
GLuint attachRenderbuffer(GLenum format, GLenum attachment, int width, int height) {
    GLuint buffer = 0;
    glGenRenderbuffers(1, &buffer);
    glBindRenderbuffer(GL_RENDERBUFFER, buffer);
    glRenderbufferStorage(GL_RENDERBUFFER, format, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, attachment, GL_RENDERBUFFER, buffer);
    return buffer;
}

}  // namespace

bool createOffscreenTarget(OffscreenTarget& target, int width, int height, std::string& error) {
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSide);
    GLint maxViewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, maxViewport);
    const int limitW = std::min(maxSide, maxViewport[0]);
    const int limitH = std::min(maxSide, maxViewport[1]);
    if (width > limitW || height > limitH) {
        error = "the renderer draws pictures up to " + std::to_string(limitW) + "x" +
                std::to_string(limitH) + " pixels, not " + std::to_string(width) + "x" +
                std::to_string(height);
        return false;
    }
    target = OffscreenTarget{};
    target.width = width;
    target.height = height;
    glGenFramebuffers(1, &target.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    target.colourBuffer = attachRenderbuffer(GL_RGBA8, GL_COLOR_ATTACHMENT0, width, height);
    // A 24-bit depth buffer, as the show's window asks GLUT for.
    target.depthBuffer =
        attachRenderbuffer(GL_DEPTH_COMPONENT24, GL_DEPTH_ATTACHMENT, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);

    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE || glGetError() != GL_NO_ERROR) {
        error = "the renderer could not make a " + std::to_string(width) + "x" +
                std::to_string(height) + " framebuffer (out of memory?)";
        destroyOffscreenTarget(target);
        return false;
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, width, height);
    return true;
}

void destroyOffscreenTarget(OffscreenTarget& target) {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    // GL passes over the name 0, a buffer never made.
    glDeleteRenderbuffers(1, &target.depthBuffer);
    glDeleteRenderbuffers(1, &target.colourBuffer);
    glDeleteFramebuffers(1, &target.framebuffer);
    target = OffscreenTarget{};
}

void readOffscreenPixels(const OffscreenTarget& target, std::vector<uint8_t>& rgb) {
    const std::size_t rowBytes = static_cast<std::size_t>(target.width) * 3;
    rgb.resize(rowBytes * static_cast<std::size_t>(target.height));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target.framebuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, target.width, target.height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    // GL's rows go bottom up; pictures go top down.
    for (int top = 0, bottom = target.height - 1; top < bottom; ++top, --bottom) {
        uint8_t* a = rgb.data() + static_cast<std::size_t>(top) * rowBytes;
        std::swap_ranges(a, a + rowBytes, rgb.data() + static_cast<std::size_t>(bottom) * rowBytes);
    }
}
