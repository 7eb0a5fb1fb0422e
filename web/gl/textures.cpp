// Textures: names from the WebGL backend, and each one's image and parameters, kept here so that
// a restored context gets them back.
#include <GL/gl.h>

#include <cstddef>
#include <cstdint>

#include "web/gl/layer_state.h"
#include "web/gl/webgl_backend.h"

namespace {

TextureRecord* boundTextureRecord() {
    if (gl.boundTexture == 0 || gl.boundTexture >= gl.textures.size()) {
        return nullptr;
    }
    return &gl.textures[gl.boundTexture];
}

}  // namespace

// An incomplete texture draws as if texturing were off (WebGL would sample it as black).
bool texturing() {
    if (!gl.texture2d) {
        return false;
    }
    const TextureRecord* t = boundTextureRecord();
    return t != nullptr && t->width > 0 && t->height > 0 &&
           (t->minFilter == GL_NEAREST || t->minFilter == GL_LINEAR);
}

void glGenTextures(GLsizei n, GLuint* textures) {
    if (refusedInPrimitive()) {
        return;
    }
    for (GLsizei i = 0; i < n; ++i) {
        const GLuint name = createTextureName();
        textures[i] = name;
        if (name >= gl.textures.size()) {
            gl.textures.resize(name + 1);
        }
    }
}

void glBindTexture(GLenum target, GLuint texture) {
    if (refusedInPrimitive()) {
        return;
    }
    if (target != GL_TEXTURE_2D) {
        setError(GL_INVALID_ENUM);
        return;
    }
    if (texture >= gl.textures.size()) {
        setError(GL_INVALID_VALUE);  // only names from glGenTextures are known here
        return;
    }
    gl.boundTexture = texture;
    bindTextureName(texture);
}

void glTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
    if (refusedInPrimitive()) {
        return;
    }
    TextureRecord* t = boundTextureRecord();
    if (target != GL_TEXTURE_2D || internalformat != GL_RGBA || format != GL_RGBA ||
        type != GL_UNSIGNED_BYTE || t == nullptr) {
        setError(GL_INVALID_ENUM);
        return;
    }
    if (level != 0 || border != 0 || width < 0 || height < 0) {
        setError(GL_INVALID_VALUE);
        return;
    }
    t->width = width;
    t->height = height;
    t->hasImage = true;
    const auto* bytes = static_cast<const uint8_t*>(pixels);
    if (bytes != nullptr) {
        t->rgba.assign(bytes, bytes + static_cast<std::size_t>(width) * height * 4);
    } else {
        t->rgba.clear();
    }
    uploadTextureImage(width, height, pixels);
}

void glTexParameteri(GLenum target, GLenum pname, GLint param) {
    if (refusedInPrimitive()) {
        return;
    }
    TextureRecord* t = boundTextureRecord();
    if (target != GL_TEXTURE_2D || t == nullptr) {
        setError(GL_INVALID_ENUM);
        return;
    }
    if (pname == GL_TEXTURE_MIN_FILTER) {
        t->minFilter = static_cast<GLenum>(param);
    }
    t->parameters.emplace_back(pname, param);
    setTextureParameter(pname, param);
}
