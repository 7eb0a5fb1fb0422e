// The layer's state as a whole: the one record, its initial values, GL's error, and what a
// restored WebGL context is handed back.
#include "web/gl/gl_layer.h"

#include "web/gl/layer_state.h"
#include "web/gl/webgl_backend.h"

FixedFunctionState gl;

void resetFixedFunctionState() {
    gl = FixedFunctionState{};
    gl.modelview[0] = identityMatrix();
    gl.projection[0] = identityMatrix();
    gl.textures.resize(1);
}

void setError(GLenum error) {
    if (gl.error == GL_NO_ERROR) {
        gl.error = error;
    }
}

bool refusedInPrimitive() {
    if (gl.inPrimitive) {
        setError(GL_INVALID_OPERATION);
        return true;
    }
    return false;
}

bool openGlLayer(const char* canvasSelector, bool keepPicture) {
    if (!openWebGlBackend(canvasSelector, keepPicture)) {
        return false;
    }
    resetFixedFunctionState();
    return true;
}

namespace {

// Every texture's image and parameters, then the one bound.
void handTexturesBack() {
    for (GLuint name = 1; name < gl.textures.size(); ++name) {
        const TextureRecord& texture = gl.textures[name];
        bindTextureName(name);
        if (texture.hasImage) {
            uploadTextureImage(texture.width, texture.height,
                               texture.rgba.empty() ? nullptr : texture.rgba.data());
        }
        for (const auto& [pname, value] : texture.parameters) {
            setTextureParameter(pname, value);
        }
    }
    bindTextureName(gl.boundTexture);
}

void handRasterStateBack() {
    setRasterCapability(GL_DEPTH_TEST, gl.depthTest);
    setRasterCapability(GL_BLEND, gl.blend);
    setRasterCapability(GL_SCISSOR_TEST, gl.scissorTest);
    setBlendFactors(gl.blendSource, gl.blendDestination);
    if (gl.viewportSet) {
        setViewportRect(gl.viewport[0], gl.viewport[1], gl.viewport[2], gl.viewport[3]);
    }
    if (gl.scissorSet) {
        setScissorRect(gl.scissorBox[0], gl.scissorBox[1], gl.scissorBox[2], gl.scissorBox[3]);
    }
}

}  // namespace

// The backend makes its program, buffers and texture objects again; the state that lived in
// the lost context is set again from the layer's own.
bool restoreGlLayer() {
    if (!restoreWebGlBackend()) {
        return false;
    }
    handTexturesBack();
    handRasterStateBack();
    return true;
}

void glLayerDrawingBufferSize(int* width, int* height) {
    drawingBufferSize(width, height);
}

GLenum glGetError() {
    const GLenum error = gl.error;
    gl.error = GL_NO_ERROR;
    return error;
}
