#include "web/gl/webgl_backend.h"

#include <GLES3/gl3.h>
#include <emscripten/html5_webgl.h>
#include <webgl/webgl1.h>
#include <webgl/webgl2.h>

#include <cstddef>
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
    std::vector<GLuint>
        textures;  // the context's object for each of the layer's names, by name - 1
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
    if (on) {
        emscripten_glEnable(cap);
    } else {
        emscripten_glDisable(cap);
    }
}

void setBlendFactors(uint32_t source, uint32_t destination) {
    drawGathered();
    emscripten_glBlendFunc(source, destination);
}

void setViewportRect(int x, int y, int width, int height) {
    drawGathered();
    emscripten_glViewport(x, y, width, height);
}

void setScissorRect(int x, int y, int width, int height) {
    drawGathered();
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
    GLuint object = 0;
    emscripten_glGenTextures(1, &object);
    backend.textures.push_back(object);
    return static_cast<uint32_t>(backend.textures.size());
}

void bindTextureName(uint32_t name) {
    drawGathered();
    const bool known = name != 0 && name <= backend.textures.size();
    emscripten_glBindTexture(GL_TEXTURE_2D, known ? backend.textures[name - 1] : 0);
}

void uploadTextureImage(int width, int height, const void* rgba) {
    drawGathered();
    emscripten_glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                            rgba);
}

void setTextureParameter(uint32_t pname, int value) {
    drawGathered();
    emscripten_glTexParameteri(GL_TEXTURE_2D, pname, value);
}

bool webGlContextLost() {
    return backend.context > 0 && emscripten_is_webgl_context_lost(backend.context);
}

// Everything the old context held is gone: the program, the vertex array and its buffers, the
// textures. They are made again, with a new, empty object for each texture name.
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
    for (GLuint& object : backend.textures) {
        emscripten_glGenTextures(1, &object);
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
