// GL's capabilities, the light, blending, the clear values, the viewport and the scissor box,
// and the queries that read them back. The rasterising part of this state is passed on to the
// WebGL backend as it is set.
#include <GL/gl.h>

#include <cstring>

#include "web/gl/layer_state.h"
#include "web/gl/webgl_backend.h"

namespace {

// Where the layer keeps a capability's switch; null for one it does not know.
bool* capabilitySwitch(GLenum cap) {
    switch (cap) {
        case GL_LIGHTING:
            return &gl.lighting.enabled;
        case GL_LIGHT0:
            return &gl.lighting.light0;
        case GL_COLOR_MATERIAL:
            return &gl.lighting.colourMaterial;
        case GL_TEXTURE_2D:
            return &gl.texture2d;
        case GL_DEPTH_TEST:
            return &gl.depthTest;
        case GL_BLEND:
            return &gl.blend;
        case GL_SCISSOR_TEST:
            return &gl.scissorTest;
        default:
            return nullptr;
    }
}

void setCapability(GLenum cap, bool on) {
    bool* const capability = capabilitySwitch(cap);
    if (capability == nullptr) {
        setError(GL_INVALID_ENUM);
        return;
    }
    *capability = on;
    if (cap == GL_COLOR_MATERIAL) {
        trackColourInMaterial(gl.colour);
    } else if (cap == GL_DEPTH_TEST || cap == GL_BLEND || cap == GL_SCISSOR_TEST) {
        setRasterCapability(cap, on);
    }
}

}  // namespace

void glEnable(GLenum cap) {
    if (refusedInPrimitive() || recordedInList(listEnable, cap)) {
        return;
    }
    setCapability(cap, true);
}

void glDisable(GLenum cap) {
    if (refusedInPrimitive() || recordedInList(listDisable, cap)) {
        return;
    }
    setCapability(cap, false);
}

GLboolean glIsEnabled(GLenum cap) {
    const bool* const capability = capabilitySwitch(cap);
    if (capability == nullptr) {
        setError(GL_INVALID_ENUM);
        return GL_FALSE;
    }
    return *capability;
}

void glBlendFunc(GLenum sfactor, GLenum dfactor) {
    if (refusedInPrimitive() || recordedInList(listBlendFunc, sfactor, dfactor)) {
        return;
    }
    gl.blendSource = sfactor;
    gl.blendDestination = dfactor;
    setBlendFactors(sfactor, dfactor);
}

void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    if (refusedInPrimitive()) {
        return;
    }
    if (light != GL_LIGHT0) {
        setError(GL_INVALID_ENUM);
        return;
    }
    switch (pname) {
        case GL_POSITION: {
            // Kept in eye space: the modelview current now places the light.
            const Mat4& mv = modelviewMatrix();
            for (int row = 0; row < 4; ++row) {
                gl.lightPosition[row] = mv.m[row] * params[0] + mv.m[4 + row] * params[1] +
                                        mv.m[8 + row] * params[2] + mv.m[12 + row] * params[3];
            }
            break;
        }
        case GL_AMBIENT:
            std::memcpy(gl.lighting.lightAmbient, params, sizeof gl.lighting.lightAmbient);
            break;
        case GL_DIFFUSE:
            std::memcpy(gl.lighting.lightDiffuse, params, sizeof gl.lighting.lightDiffuse);
            break;
        default:
            setError(GL_INVALID_ENUM);
            break;
    }
}

namespace {

// Keeps a viewport or scissor rectangle as GL does: refused between glBegin and glEnd, and with
// a negative side. False when it was refused.
bool keepRect(int (&into)[4], GLint x, GLint y, GLsizei width, GLsizei height) {
    if (refusedInPrimitive()) {
        return false;
    }
    if (width < 0 || height < 0) {
        setError(GL_INVALID_VALUE);
        return false;
    }
    const int rect[4] = {x, y, width, height};
    std::memcpy(into, rect, sizeof rect);
    return true;
}

}  // namespace

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (keepRect(gl.viewport, x, y, width, height)) {
        gl.viewportSet = true;
        setViewportRect(x, y, width, height);
    }
}

void glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (keepRect(gl.scissorBox, x, y, width, height)) {
        gl.scissorSet = true;
        setScissorRect(x, y, width, height);
    }
}

void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha) {
    if (refusedInPrimitive()) {
        return;
    }
    const float c[4] = {red, green, blue, alpha};
    for (int i = 0; i < 4; ++i) {
        gl.clearColour[i] = c[i] < 0.0f ? 0.0f : (c[i] > 1.0f ? 1.0f : c[i]);
    }
}

void glClearDepth(GLclampd depth) {
    if (refusedInPrimitive()) {
        return;
    }
    gl.clearDepth = depth < 0.0 ? 0.0 : (depth > 1.0 ? 1.0 : depth);
}

void glClear(GLbitfield mask) {
    if (refusedInPrimitive()) {
        return;
    }
    clearBuffers(mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT), gl.clearColour, gl.clearDepth);
}

void glFlush() {
    drawGathered();
}

void glFinish() {
    drawGathered();
}

void glGetDoublev(GLenum pname, GLdouble* params) {
    switch (pname) {
        case GL_MODELVIEW_MATRIX:
        case GL_PROJECTION_MATRIX: {
            const Mat4& m = pname == GL_MODELVIEW_MATRIX ? modelviewMatrix() : projectionMatrix();
            for (int i = 0; i < 16; ++i) {
                params[i] = m.m[i];
            }
            return;
        }
        case GL_COLOR_CLEAR_VALUE:
            for (int i = 0; i < 4; ++i) {
                params[i] = gl.clearColour[i];
            }
            return;
        case GL_DEPTH_CLEAR_VALUE:
            params[0] = gl.clearDepth;
            return;
        case GL_VIEWPORT:
        case GL_SCISSOR_BOX: {
            const int* rect = pname == GL_VIEWPORT ? gl.viewport : gl.scissorBox;
            for (int i = 0; i < 4; ++i) {
                params[i] = rect[i];
            }
            return;
        }
        default:
            setError(GL_INVALID_ENUM);
            return;
    }
}

void glGetFloatv(GLenum pname, GLfloat* params) {
    double values[16];
    const int count = (pname == GL_MODELVIEW_MATRIX || pname == GL_PROJECTION_MATRIX) ? 16
                      : pname == GL_DEPTH_CLEAR_VALUE                                 ? 1
                                                                                      : 4;
    glGetDoublev(pname, values);
    for (int i = 0; i < count; ++i) {
        params[i] = static_cast<float>(values[i]);
    }
}

void glGetIntegerv(GLenum pname, GLint* params) {
    switch (pname) {
        case GL_VIEWPORT:
            std::memcpy(params, gl.viewport, sizeof gl.viewport);
            return;
        case GL_SCISSOR_BOX:
            std::memcpy(params, gl.scissorBox, sizeof gl.scissorBox);
            return;
        default:
            setError(GL_INVALID_ENUM);
            return;
    }
}
