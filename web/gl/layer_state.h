// The layer's fixed-function GL state, the one copy of it: GL's entry points in the files beside
// this one read and write it, and a restored WebGL context gets it back from here
// (gl_layer.cpp). Who writes what:
//   primitives.cpp     the current vertex attributes, the primitive between glBegin and glEnd
//   matrices.cpp       the matrix stacks
//   gl_state.cpp       the capabilities, the light, blending, clear values, viewport, scissor
//   textures.cpp       the textures and which one is bound
//   display_lists.cpp  the lists and the one being compiled
//   gl_layer.cpp       the initial state; any file may set the error
#pragma once
#include <GL/gl.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "web/gl/gl_math.h"
#include "web/gl/webgl_backend.h"

// Which attributes a vertex carries itself; the others are taken from GL's current values when
// the vertex is drawn (a display list that sets no colour draws in the colour current at the
// call).
constexpr uint8_t givenColour = 1;
constexpr uint8_t givenNormal = 2;
constexpr uint8_t givenTexCoord = 4;
constexpr uint8_t givenAll = givenColour | givenNormal | givenTexCoord;

struct LayerVertex {
    float position[3];
    float normal[3];
    float colour[4];
    float texCoord[2];
    uint8_t given;
};

constexpr int matrixStackDepth = 32;       // as Mesa's modelview and projection stacks
constexpr GLenum noMinFilterYet = 0x2702;  // GL_NEAREST_MIPMAP_LINEAR, GL's initial min filter

// What a display list holds, in order: attribute and matrix commands and triangle batches.
enum ListOp : uint8_t {
    listBatch,
    listColour,
    listNormal,
    listTexCoord,
    listMatrixMode,
    listLoadIdentity,
    listPushMatrix,
    listPopMatrix,
    listMultMatrix,
    listTranslate,
    listScale,
    listRotate,
    listEnable,
    listDisable,
    listBlendFunc,
    listCallList,
};

struct ListCommand {
    ListOp op;
    GLenum e[2];
    float f[16];
    uint32_t batch;
};

struct ListBatch {
    std::vector<LayerVertex> vertices;
    std::vector<uint32_t> indices;
};

struct DisplayList {
    bool exists = false;
    std::vector<ListCommand> commands;
    std::vector<ListBatch> batches;
};

// A texture as it was given: its image (the bytes kept, so that a restored context gets them
// back) and its parameters in the order they were set.
struct TextureRecord {
    int width = 0;
    int height = 0;
    bool hasImage = false;
    std::vector<uint8_t> rgba;  // empty for an image given without pixels
    GLenum minFilter = noMinFilterYet;
    std::vector<std::pair<GLenum, GLint>> parameters;
};

struct FixedFunctionState {
    GLenum error = GL_NO_ERROR;

    GLenum matrixMode = GL_MODELVIEW;
    Mat4 modelview[matrixStackDepth];
    int modelviewDepth = 1;
    Mat4 projection[matrixStackDepth];
    int projectionDepth = 1;

    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float normal[3] = {0.0f, 0.0f, 1.0f};
    float texCoord[2] = {0.0f, 0.0f};

    LightingState lighting;
    float lightPosition[4] = {0.0f, 0.0f, 1.0f, 0.0f};  // eye space
    bool texture2d = false;
    // The rasterising state, which the WebGL context holds too.
    bool depthTest = false;
    bool blend = false;
    bool scissorTest = false;
    GLenum blendSource = GL_ONE;
    GLenum blendDestination = GL_ZERO;
    int viewport[4] = {0, 0, 0, 0};
    bool viewportSet = false;  // until glViewport, the context's own viewport holds
    int scissorBox[4] = {0, 0, 0, 0};
    bool scissorSet = false;
    float clearColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    double clearDepth = 1.0;

    std::vector<TextureRecord> textures;  // by name; name 0 is no texture
    GLuint boundTexture = 0;

    bool inPrimitive = false;
    GLenum primitiveMode = GL_TRIANGLES;
    std::vector<LayerVertex> primitive;
    std::vector<uint32_t> primitiveTriangles;

    std::vector<DisplayList> lists;  // by name - 1
    GLuint compilingList = 0;        // 0 while no list is being compiled
    GLenum compileMode = GL_COMPILE;
    DisplayList compiled;
    LayerVertex listCurrent = {};  // the attributes the list being compiled has set so far
    int executingDepth = 0;        // lists being executed, nested

    std::vector<DrawVertex> drawVertices;
};

extern FixedFunctionState gl;

// Sets GL's initial state; called once the context is open.
void resetFixedFunctionState();
// Keeps the first error until glGetError reads it, as GL does.
void setError(GLenum error);
// Most commands are refused between glBegin and glEnd (GL_INVALID_OPERATION).
bool refusedInPrimitive();

// Whether a command is recorded into the list being compiled, and whether it runs now (it may do
// both).
bool listRecording();
bool listExecuting();
// Records a command into the list being compiled; true when it must not also run now.
bool recordedInList(ListOp op, GLenum e0 = 0, GLenum e1 = 0, const float* f = nullptr,
                    int fCount = 0);
// Hands triangles over as glEnd does with a primitive: drawn at once, recorded into the display
// list being compiled, or both, as the list's mode says.
void submitTriangles(const LayerVertex* vertices, uint32_t vertexCount, const uint32_t* indices,
                     uint32_t indexCount);
// Transforms and lights the vertices with the current state and hands them to the backend.
void drawTriangles(const LayerVertex* vertices, uint32_t vertexCount, const uint32_t* indices,
                   uint32_t indexCount);
// While GL_COLOR_MATERIAL is on, every colour given becomes the material's ambient and diffuse
// colour, and stays that when it is turned off.
void trackColourInMaterial(const float colour[4]);

Mat4& currentMatrix();
const Mat4& modelviewMatrix();
const Mat4& projectionMatrix();

// GL textures only with a complete texture: one with pixels whose min filter needs no mipmaps.
bool texturing();
