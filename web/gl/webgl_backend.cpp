#include "web/gl/webgl_backend.h"

#include <GLES3/gl3.h>
#include <emscripten/html5_webgl.h>
#include <webgl/webgl1.h>
#include <webgl/webgl2.h>

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace {

const char* const vertexShaderSource = R"(#version 300 es
in vec4 clipPosition;
in vec4 litColour;
in vec2 texCoord;
out vec4 colour;
out vec2 st;
void main() {
    gl_Position = clipPosition;
    colour = litColour;
    st = texCoord;
})";

// GL_MODULATE: the lit colour times the texel.
const char* const fragmentShaderSource = R"(#version 300 es
precision highp float;
uniform sampler2D skin;
uniform bool textured;
in vec4 colour;
in vec2 st;
out vec4 fragment;
void main() {
    fragment = textured ? colour * texture(skin, st) : colour;
})";

// A texture as the layer named it: the context's object for it now, and what was given to it,
// kept so that a restored context gets it back.
struct TextureCopy {
    GLuint object = 0;
    int width = 0;
    int height = 0;
    bool hasImage = false;
    std::vector<uint8_t> rgba;
    std::vector<std::pair<uint32_t, int>> parameters;  // in the order they were set
};

// The rasterising state the layer has set, re-applied to a restored context.
struct RasterState {
    bool depthTest = false;
    bool blend = false;
    bool scissorTest = false;
    uint32_t blendSource = GL_ONE;
    uint32_t blendDestination = GL_ZERO;
    int viewport[4] = {0, 0, 0, 0};
    bool viewportSet = false;
    int scissor[4] = {0, 0, 0, 0};
    bool scissorSet = false;
    uint32_t boundTexture = 0;  // the layer's name
};

struct Backend {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
    GLuint program = 0;
    GLint texturedUniform = -1;
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    std::vector<DrawVertex> vertices;
    std::vector<uint32_t> indices;
    bool textured = false;
    std::vector<TextureCopy> textures;  // by the layer's name - 1
    RasterState raster;
};

Backend backend;

GLuint compileShader(GLenum kind, const char* source) {
    const GLuint shader = emscripten_glCreateShader(kind);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    GLint ok = 0;
    emscripten_glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    return ok ? shader : 0;
}

bool buildProgram() {
    const GLuint vertexShader = compileShader(GL_VERTEX_SHADER, vertexShaderSource);
    const GLuint fragmentShader = compileShader(GL_FRAGMENT_SHADER, fragmentShaderSource);
    if (vertexShader == 0 || fragmentShader == 0) {
        return false;
    }
    const GLuint program = emscripten_glCreateProgram();
    emscripten_glAttachShader(program, vertexShader);
    emscripten_glAttachShader(program, fragmentShader);
    emscripten_glBindAttribLocation(program, 0, "clipPosition");
    emscripten_glBindAttribLocation(program, 1, "litColour");
    emscripten_glBindAttribLocation(program, 2, "texCoord");
    emscripten_glLinkProgram(program);
    GLint ok = 0;
    emscripten_glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        return false;
    }
    emscripten_glUseProgram(program);
    emscripten_glUniform1i(emscripten_glGetUniformLocation(program, "skin"), 0);
    backend.texturedUniform = emscripten_glGetUniformLocation(program, "textured");
    backend.program = program;
    return true;
}

void setUpVertexArray() {
    emscripten_glGenVertexArrays(1, &backend.vertexArray);
    emscripten_glBindVertexArray(backend.vertexArray);
    emscripten_glGenBuffers(1, &backend.vertexBuffer);
    emscripten_glGenBuffers(1, &backend.indexBuffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, backend.vertexBuffer);
    emscripten_glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, backend.indexBuffer);
    const GLsizei stride = sizeof(DrawVertex);
    emscripten_glEnableVertexAttribArray(0);
    emscripten_glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<void*>(offsetof(DrawVertex, clip)));
    emscripten_glEnableVertexAttribArray(1);
    emscripten_glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<void*>(offsetof(DrawVertex, colour)));
    emscripten_glEnableVertexAttribArray(2);
    emscripten_glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<void*>(offsetof(DrawVertex, texCoord)));
}

}  // namespace

bool openWebGlBackend(const char* canvasSelector, bool keepPicture) {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE;  // the page behind never shows through the picture
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;  // as the program's window: one sample per pixel
    attributes.preserveDrawingBuffer = keepPicture ? EM_TRUE : EM_FALSE;
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    backend = Backend{};
    backend.context = emscripten_webgl_create_context(canvasSelector, &attributes);
    if (backend.context <= 0 ||
        emscripten_webgl_make_context_current(backend.context) != EMSCRIPTEN_RESULT_SUCCESS) {
        return false;
    }
    if (!buildProgram()) {
        return false;
    }
    setUpVertexArray();
    emscripten_glActiveTexture(GL_TEXTURE0);
    return true;
}

void appendTriangles(const DrawVertex* vertices, uint32_t vertexCount, const uint32_t* indices,
                     uint32_t indexCount, bool textured) {
    if (!backend.indices.empty() && textured != backend.textured) {
        drawGathered();
    }
    backend.textured = textured;
    const uint32_t base = static_cast<uint32_t>(backend.vertices.size());
    backend.vertices.insert(backend.vertices.end(), vertices, vertices + vertexCount);
    for (uint32_t i = 0; i < indexCount; ++i) {
        backend.indices.push_back(base + indices[i]);
    }
}

void drawGathered() {
    if (backend.indices.empty() || backend.program == 0) {
        backend.vertices.clear();
        backend.indices.clear();
        return;
    }
    emscripten_glBufferData(GL_ARRAY_BUFFER,
                            static_cast<GLsizeiptr>(backend.vertices.size() * sizeof(DrawVertex)),
                            backend.vertices.data(), GL_STREAM_DRAW);
    emscripten_glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                            static_cast<GLsizeiptr>(backend.indices.size() * sizeof(uint32_t)),
                            backend.indices.data(), GL_STREAM_DRAW);
    emscripten_glUniform1i(backend.texturedUniform, backend.textured ? 1 : 0);
    emscripten_glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(backend.indices.size()),
                              GL_UNSIGNED_INT, nullptr);
    backend.vertices.clear();
    backend.indices.clear();
}

void setRasterCapability(uint32_t cap, bool on) {
    drawGathered();
    switch (cap) {
        case GL_DEPTH_TEST:
            backend.raster.depthTest = on;
            break;
        case GL_BLEND:
            backend.raster.blend = on;
            break;
        case GL_SCISSOR_TEST:
            backend.raster.scissorTest = on;
            break;
        default:
            break;
    }
    if (on) {
        emscripten_glEnable(cap);
    } else {
        emscripten_glDisable(cap);
    }
}

void setBlendFactors(uint32_t source, uint32_t destination) {
    drawGathered();
    backend.raster.blendSource = source;
    backend.raster.blendDestination = destination;
    emscripten_glBlendFunc(source, destination);
}

void setViewportRect(int x, int y, int width, int height) {
    drawGathered();
    const int rect[4] = {x, y, width, height};
    std::copy(rect, rect + 4, backend.raster.viewport);
    backend.raster.viewportSet = true;
    emscripten_glViewport(x, y, width, height);
}

void setScissorRect(int x, int y, int width, int height) {
    drawGathered();
    const int rect[4] = {x, y, width, height};
    std::copy(rect, rect + 4, backend.raster.scissor);
    backend.raster.scissorSet = true;
    emscripten_glScissor(x, y, width, height);
}

void clearBuffers(uint32_t mask, const float colour[4], double depth) {
    drawGathered();
    emscripten_glClearColor(colour[0], colour[1], colour[2], colour[3]);
    emscripten_glClearDepthf(static_cast<GLfloat>(depth));
    emscripten_glClear(mask);
}

// The layer's texture names are the backend's own, 1 upwards, so that they stay the same when a
// restored context hands out new objects.
uint32_t createTextureName() {
    TextureCopy copy;
    emscripten_glGenTextures(1, &copy.object);
    backend.textures.push_back(std::move(copy));
    return static_cast<uint32_t>(backend.textures.size());
}

namespace {

TextureCopy* boundTexture() {
    const uint32_t name = backend.raster.boundTexture;
    return name == 0 || name > backend.textures.size() ? nullptr : &backend.textures[name - 1];
}

}  // namespace

void bindTextureName(uint32_t name) {
    drawGathered();
    backend.raster.boundTexture = name <= backend.textures.size() ? name : 0;
    const TextureCopy* texture = boundTexture();
    emscripten_glBindTexture(GL_TEXTURE_2D, texture != nullptr ? texture->object : 0);
}

void uploadTextureImage(int width, int height, const void* rgba) {
    drawGathered();
    TextureCopy* texture = boundTexture();
    if (texture != nullptr) {
        texture->width = width;
        texture->height = height;
        texture->hasImage = true;
        const auto* bytes = static_cast<const uint8_t*>(rgba);
        if (bytes != nullptr) {
            texture->rgba.assign(bytes, bytes + static_cast<std::size_t>(width) * height * 4);
        } else {
            texture->rgba.clear();
        }
    }
    emscripten_glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                            rgba);
}

void setTextureParameter(uint32_t pname, int value) {
    drawGathered();
    TextureCopy* texture = boundTexture();
    if (texture != nullptr) {
        texture->parameters.emplace_back(pname, value);
    }
    emscripten_glTexParameteri(GL_TEXTURE_2D, pname, value);
}

bool webGlContextLost() {
    return backend.context > 0 && emscripten_is_webgl_context_lost(backend.context);
}

// Everything the old context held is gone: the program, the vertex array and its buffers, the
// textures. They are made again, the textures from the bytes kept, and the rasterising state is
// set as the layer last set it.
bool restoreWebGlBackend() {
    backend.vertices.clear();
    backend.indices.clear();
    backend.program = 0;
    if (webGlContextLost() ||
        emscripten_webgl_make_context_current(backend.context) != EMSCRIPTEN_RESULT_SUCCESS ||
        !buildProgram()) {
        return false;
    }
    setUpVertexArray();
    emscripten_glActiveTexture(GL_TEXTURE0);
    for (TextureCopy& texture : backend.textures) {
        emscripten_glGenTextures(1, &texture.object);
        emscripten_glBindTexture(GL_TEXTURE_2D, texture.object);
        if (texture.hasImage) {
            emscripten_glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, texture.width, texture.height, 0,
                                    GL_RGBA, GL_UNSIGNED_BYTE,
                                    texture.rgba.empty() ? nullptr : texture.rgba.data());
        }
        for (const auto& [pname, value] : texture.parameters) {
            emscripten_glTexParameteri(GL_TEXTURE_2D, pname, value);
        }
    }
    const RasterState& r = backend.raster;
    const TextureCopy* bound = boundTexture();
    emscripten_glBindTexture(GL_TEXTURE_2D, bound != nullptr ? bound->object : 0);
    const std::pair<uint32_t, bool> capabilities[] = {
        {GL_DEPTH_TEST, r.depthTest}, {GL_BLEND, r.blend}, {GL_SCISSOR_TEST, r.scissorTest}};
    for (const auto& [cap, on] : capabilities) {
        if (on) {
            emscripten_glEnable(cap);
        } else {
            emscripten_glDisable(cap);
        }
    }
    emscripten_glBlendFunc(r.blendSource, r.blendDestination);
    if (r.viewportSet) {
        emscripten_glViewport(r.viewport[0], r.viewport[1], r.viewport[2], r.viewport[3]);
    }
    if (r.scissorSet) {
        emscripten_glScissor(r.scissor[0], r.scissor[1], r.scissor[2], r.scissor[3]);
    }
    return true;
}

void drawingBufferSize(int* width, int* height) {
    *width = 0;
    *height = 0;
    if (backend.context > 0) {
        emscripten_webgl_get_drawing_buffer_size(backend.context, width, height);
    }
}
