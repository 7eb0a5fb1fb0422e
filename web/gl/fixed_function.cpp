// GL 1.x's fixed-function state for the show's drawing: immediate mode, the matrix stacks, one
// directional light with colour material, texturing, the raster state and display lists. Each
// primitive is split into triangles at glEnd, transformed to clip space and lit per vertex here,
// as GL does it, and handed to the WebGL backend.
#include "web/gl/fixed_function.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstring>
#include <vector>

#include "render/solid_shapes.h"
#include "web/gl/gl_layer.h"
#include "web/gl/gl_math.h"
#include "web/gl/webgl_backend.h"

namespace {

constexpr int matrixStackDepth = 32;       // as Mesa's modelview and projection stacks
constexpr int maxListNesting = 64;         // GL's least maximum for glCallList inside lists
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

struct TextureRecord {
    int width = 0;
    int height = 0;
    GLenum minFilter = noMinFilterYet;
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
    bool depthTest = false;
    bool blend = false;
    bool scissorTest = false;
    bool texture2d = false;
    GLenum blendSource = GL_ONE;
    GLenum blendDestination = GL_ZERO;
    float lightPosition[4] = {0.0f, 0.0f, 1.0f, 0.0f};  // eye space
    float clearColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    double clearDepth = 1.0;
    int viewport[4] = {0, 0, 0, 0};
    int scissorBox[4] = {0, 0, 0, 0};

    std::vector<TextureRecord> textures;  // by name
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

FixedFunctionState gl;

void setError(GLenum error) {
    if (gl.error == GL_NO_ERROR) {
        gl.error = error;
    }
}

// Most commands are refused between glBegin and glEnd.
bool refusedInPrimitive() {
    if (gl.inPrimitive) {
        setError(GL_INVALID_OPERATION);
        return true;
    }
    return false;
}

// A list is being compiled and this command is not coming out of a list being executed.
bool recording() {
    return gl.compilingList != 0 && gl.executingDepth == 0;
}

// Whether a command runs now (it may also be recorded).
bool executing() {
    return !recording() || gl.compileMode == GL_COMPILE_AND_EXECUTE;
}

// Records a command into the list being compiled; true when it must not also run now.
bool recorded(ListOp op, GLenum e0 = 0, GLenum e1 = 0, const float* f = nullptr, int fCount = 0) {
    if (!recording()) {
        return false;
    }
    ListCommand command = {op, {e0, e1}, {}, 0};
    if (f != nullptr) {
        std::memcpy(command.f, f, sizeof(float) * static_cast<std::size_t>(fCount));
    }
    gl.compiled.commands.push_back(command);
    return !executing();
}

Mat4& currentMatrix() {
    return gl.matrixMode == GL_PROJECTION ? gl.projection[gl.projectionDepth - 1]
                                          : gl.modelview[gl.modelviewDepth - 1];
}

TextureRecord* boundTextureRecord() {
    if (gl.boundTexture == 0 || gl.boundTexture >= gl.textures.size()) {
        return nullptr;
    }
    return &gl.textures[gl.boundTexture];
}

// GL textures only with a complete texture: one with pixels whose min filter needs no mipmaps.
// An incomplete one draws as if texturing were off (WebGL would sample it as black).
bool texturing() {
    if (!gl.texture2d) {
        return false;
    }
    const TextureRecord* t = boundTextureRecord();
    return t != nullptr && t->width > 0 && t->height > 0 &&
           (t->minFilter == GL_NEAREST || t->minFilter == GL_LINEAR);
}

// Transforms and lights the vertices with the current state and hands them to the backend.
void drawTriangles(const LayerVertex* vertices, uint32_t vertexCount, const uint32_t* indices,
                   uint32_t indexCount) {
    if (vertexCount == 0 || indexCount == 0) {
        return;
    }
    const Mat4& modelview = gl.modelview[gl.modelviewDepth - 1];
    const Mat4 clipFromObject = multiplyMatrices(gl.projection[gl.projectionDepth - 1], modelview);
    float normals[9];
    normalMatrix(modelview, normals);
    directionTowardsLight(gl.lightPosition, gl.lighting.lightDirection);

    gl.drawVertices.resize(vertexCount);
    for (uint32_t i = 0; i < vertexCount; ++i) {
        const LayerVertex& v = vertices[i];
        DrawVertex& out = gl.drawVertices[i];
        transformPoint(clipFromObject, v.position, out.clip);
        const float* colour = (v.given & givenColour) ? v.colour : gl.colour;
        const float* normal = (v.given & givenNormal) ? v.normal : gl.normal;
        const float* texCoord = (v.given & givenTexCoord) ? v.texCoord : gl.texCoord;
        float eyeNormal[3];
        transformNormal(normals, normal, eyeNormal);
        vertexColour(gl.lighting, colour, eyeNormal, out.colour);
        out.texCoord[0] = texCoord[0];
        out.texCoord[1] = texCoord[1];
    }
    appendTriangles(gl.drawVertices.data(), vertexCount, indices, indexCount, texturing());
}

void executeList(GLuint name);

void runListCommand(const DisplayList& list, const ListCommand& c) {
    switch (c.op) {
        case listBatch: {
            const ListBatch& b = list.batches[c.batch];
            drawTriangles(b.vertices.data(), static_cast<uint32_t>(b.vertices.size()),
                          b.indices.data(), static_cast<uint32_t>(b.indices.size()));
            break;
        }
        case listColour:
            glColor4f(c.f[0], c.f[1], c.f[2], c.f[3]);
            break;
        case listNormal:
            glNormal3f(c.f[0], c.f[1], c.f[2]);
            break;
        case listTexCoord:
            glTexCoord2f(c.f[0], c.f[1]);
            break;
        case listMatrixMode:
            glMatrixMode(c.e[0]);
            break;
        case listLoadIdentity:
            glLoadIdentity();
            break;
        case listPushMatrix:
            glPushMatrix();
            break;
        case listPopMatrix:
            glPopMatrix();
            break;
        case listMultMatrix:
            glMultMatrixf(c.f);
            break;
        case listTranslate:
            glTranslatef(c.f[0], c.f[1], c.f[2]);
            break;
        case listScale:
            glScalef(c.f[0], c.f[1], c.f[2]);
            break;
        case listRotate:
            glRotatef(c.f[0], c.f[1], c.f[2], c.f[3]);
            break;
        case listEnable:
            glEnable(c.e[0]);
            break;
        case listDisable:
            glDisable(c.e[0]);
            break;
        case listBlendFunc:
            glBlendFunc(c.e[0], c.e[1]);
            break;
        case listCallList:
            executeList(c.e[0]);
            break;
    }
}

void executeList(GLuint name) {
    if (name == 0 || name > gl.lists.size() || !gl.lists[name - 1].exists ||
        gl.executingDepth >= maxListNesting) {
        return;
    }
    gl.executingDepth += 1;
    // No command a list holds changes the table of lists, so the reference stays valid.
    const DisplayList& list = gl.lists[name - 1];
    for (const ListCommand& command : list.commands) {
        runListCommand(list, command);
    }
    gl.executingDepth -= 1;
}

void multiplyCurrent(const Mat4& m) {
    Mat4& current = currentMatrix();
    current = multiplyMatrices(current, m);
}

// While GL_COLOR_MATERIAL is on, every colour given becomes the material's ambient and diffuse
// colour, and stays that when it is turned off.
void trackColourInMaterial(const float colour[4]) {
    if (gl.lighting.colourMaterial) {
        std::memcpy(gl.lighting.materialAmbient, colour, sizeof gl.lighting.materialAmbient);
        std::memcpy(gl.lighting.materialDiffuse, colour, sizeof gl.lighting.materialDiffuse);
    }
}

void setCapability(GLenum cap, bool on) {
    switch (cap) {
        case GL_LIGHTING:
            gl.lighting.enabled = on;
            break;
        case GL_LIGHT0:
            gl.lighting.light0 = on;
            break;
        case GL_COLOR_MATERIAL:
            gl.lighting.colourMaterial = on;
            trackColourInMaterial(gl.colour);
            break;
        case GL_TEXTURE_2D:
            gl.texture2d = on;
            break;
        case GL_DEPTH_TEST:
            gl.depthTest = on;
            setRasterCapability(cap, on);
            break;
        case GL_BLEND:
            gl.blend = on;
            setRasterCapability(cap, on);
            break;
        case GL_SCISSOR_TEST:
            gl.scissorTest = on;
            setRasterCapability(cap, on);
            break;
        default:
            setError(GL_INVALID_ENUM);
            break;
    }
}

}  // namespace

void resetFixedFunctionState() {
    gl = FixedFunctionState{};
    gl.modelview[0] = identityMatrix();
    gl.projection[0] = identityMatrix();
    gl.textures.resize(1);
}

bool openGlLayer(const char* canvasSelector, bool keepPicture) {
    if (!openWebGlBackend(canvasSelector, keepPicture)) {
        return false;
    }
    resetFixedFunctionState();
    return true;
}

bool restoreGlLayer() {
    return restoreWebGlBackend();
}

void glLayerDrawingBufferSize(int* width, int* height) {
    drawingBufferSize(width, height);
}

void submitTriangles(const LayerVertex* vertices, uint32_t vertexCount, const uint32_t* indices,
                     uint32_t indexCount) {
    if (recording()) {
        ListBatch batch;
        batch.vertices.assign(vertices, vertices + vertexCount);
        batch.indices.assign(indices, indices + indexCount);
        gl.compiled.batches.push_back(std::move(batch));
        ListCommand command = {listBatch, {0, 0}, {}, 0};
        command.batch = static_cast<uint32_t>(gl.compiled.batches.size() - 1);
        gl.compiled.commands.push_back(command);
        if (!executing()) {
            return;
        }
    }
    drawTriangles(vertices, vertexCount, indices, indexCount);
}

// Immediate mode

void glBegin(GLenum mode) {
    if (refusedInPrimitive()) {
        return;
    }
    if (mode > GL_POLYGON) {
        setError(GL_INVALID_ENUM);
        return;
    }
    gl.inPrimitive = true;
    gl.primitiveMode = mode;
    gl.primitive.clear();
}

void glEnd() {
    if (!gl.inPrimitive) {
        setError(GL_INVALID_OPERATION);
        return;
    }
    gl.inPrimitive = false;
    gl.primitiveTriangles.clear();
    triangulatePrimitive(gl.primitiveMode, static_cast<int>(gl.primitive.size()), 0,
                         gl.primitiveTriangles);
    submitTriangles(gl.primitive.data(), static_cast<uint32_t>(gl.primitive.size()),
                    gl.primitiveTriangles.data(),
                    static_cast<uint32_t>(gl.primitiveTriangles.size()));
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    if (!gl.inPrimitive) {
        return;  // GL leaves a vertex outside glBegin/glEnd undefined; it draws nothing here
    }
    LayerVertex v = recording() ? gl.listCurrent : LayerVertex{};
    if (!recording()) {
        std::memcpy(v.colour, gl.colour, sizeof v.colour);
        std::memcpy(v.normal, gl.normal, sizeof v.normal);
        std::memcpy(v.texCoord, gl.texCoord, sizeof v.texCoord);
        v.given = givenAll;
    }
    v.position[0] = x;
    v.position[1] = y;
    v.position[2] = z;
    gl.primitive.push_back(v);
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    const float n[3] = {x, y, z};
    if (recording()) {
        std::memcpy(gl.listCurrent.normal, n, sizeof n);
        gl.listCurrent.given |= givenNormal;
    }
    if (recorded(listNormal, 0, 0, n, 3)) {
        return;
    }
    std::memcpy(gl.normal, n, sizeof n);
}

void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
    const float c[4] = {red, green, blue, alpha};
    if (recording()) {
        std::memcpy(gl.listCurrent.colour, c, sizeof c);
        gl.listCurrent.given |= givenColour;
    }
    if (recorded(listColour, 0, 0, c, 4)) {
        return;
    }
    std::memcpy(gl.colour, c, sizeof c);
    trackColourInMaterial(c);
}

void glTexCoord2f(GLfloat s, GLfloat t) {
    const float st[2] = {s, t};
    if (recording()) {
        std::memcpy(gl.listCurrent.texCoord, st, sizeof st);
        gl.listCurrent.given |= givenTexCoord;
    }
    if (recorded(listTexCoord, 0, 0, st, 2)) {
        return;
    }
    std::memcpy(gl.texCoord, st, sizeof st);
}

// Matrices

void glMatrixMode(GLenum mode) {
    if (refusedInPrimitive() || recorded(listMatrixMode, mode)) {
        return;
    }
    if (mode != GL_MODELVIEW && mode != GL_PROJECTION) {
        setError(GL_INVALID_ENUM);
        return;
    }
    gl.matrixMode = mode;
}

void glLoadIdentity() {
    if (refusedInPrimitive() || recorded(listLoadIdentity)) {
        return;
    }
    currentMatrix() = identityMatrix();
}

void glPushMatrix() {
    if (refusedInPrimitive() || recorded(listPushMatrix)) {
        return;
    }
    Mat4* stack = gl.matrixMode == GL_PROJECTION ? gl.projection : gl.modelview;
    int& depth = gl.matrixMode == GL_PROJECTION ? gl.projectionDepth : gl.modelviewDepth;
    if (depth >= matrixStackDepth) {
        setError(GL_STACK_OVERFLOW);
        return;
    }
    stack[depth] = stack[depth - 1];
    depth += 1;
}

void glPopMatrix() {
    if (refusedInPrimitive() || recorded(listPopMatrix)) {
        return;
    }
    int& depth = gl.matrixMode == GL_PROJECTION ? gl.projectionDepth : gl.modelviewDepth;
    if (depth <= 1) {
        setError(GL_STACK_UNDERFLOW);
        return;
    }
    depth -= 1;
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    const float v[3] = {x, y, z};
    if (refusedInPrimitive() || recorded(listTranslate, 0, 0, v, 3)) {
        return;
    }
    translateMatrix(currentMatrix(), x, y, z);
}

void glTranslated(GLdouble x, GLdouble y, GLdouble z) {
    glTranslatef(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

void glScalef(GLfloat x, GLfloat y, GLfloat z) {
    const float v[3] = {x, y, z};
    if (refusedInPrimitive() || recorded(listScale, 0, 0, v, 3)) {
        return;
    }
    scaleMatrix(currentMatrix(), x, y, z);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    const float v[4] = {angle, x, y, z};
    if (refusedInPrimitive() || recorded(listRotate, 0, 0, v, 4)) {
        return;
    }
    rotateMatrix(currentMatrix(), angle, x, y, z);
}

void glMultMatrixf(const GLfloat* m) {
    if (refusedInPrimitive() || recorded(listMultMatrix, 0, 0, m, 16)) {
        return;
    }
    Mat4 matrix;
    std::memcpy(matrix.m, m, sizeof matrix.m);
    multiplyCurrent(matrix);
}

void glMultMatrixd(const GLdouble* m) {
    const Mat4 matrix = matrixFromDoubles(m);
    glMultMatrixf(matrix.m);
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
               GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ) {
    const Mat4 rotation =
        lookAtRotation(eyeX, eyeY, eyeZ, centerX, centerY, centerZ, upX, upY, upZ);
    glMultMatrixf(rotation.m);
    glTranslated(-eyeX, -eyeY, -eyeZ);
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    double m[16];
    if (perspectiveMatrix(fovy, aspect, zNear, zFar, m)) {
        glMultMatrixd(m);
    }
}

// State

void glEnable(GLenum cap) {
    if (refusedInPrimitive() || recorded(listEnable, cap)) {
        return;
    }
    setCapability(cap, true);
}

void glDisable(GLenum cap) {
    if (refusedInPrimitive() || recorded(listDisable, cap)) {
        return;
    }
    setCapability(cap, false);
}

GLboolean glIsEnabled(GLenum cap) {
    switch (cap) {
        case GL_LIGHTING:
            return gl.lighting.enabled;
        case GL_LIGHT0:
            return gl.lighting.light0;
        case GL_COLOR_MATERIAL:
            return gl.lighting.colourMaterial;
        case GL_TEXTURE_2D:
            return gl.texture2d;
        case GL_DEPTH_TEST:
            return gl.depthTest;
        case GL_BLEND:
            return gl.blend;
        case GL_SCISSOR_TEST:
            return gl.scissorTest;
        default:
            setError(GL_INVALID_ENUM);
            return GL_FALSE;
    }
}

void glBlendFunc(GLenum sfactor, GLenum dfactor) {
    if (refusedInPrimitive() || recorded(listBlendFunc, sfactor, dfactor)) {
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
            const Mat4& mv = gl.modelview[gl.modelviewDepth - 1];
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
        setViewportRect(x, y, width, height);
    }
}

void glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (keepRect(gl.scissorBox, x, y, width, height)) {
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

GLenum glGetError() {
    const GLenum error = gl.error;
    gl.error = GL_NO_ERROR;
    return error;
}

// Queries

void glGetDoublev(GLenum pname, GLdouble* params) {
    switch (pname) {
        case GL_MODELVIEW_MATRIX:
        case GL_PROJECTION_MATRIX: {
            const Mat4& m = pname == GL_MODELVIEW_MATRIX ? gl.modelview[gl.modelviewDepth - 1]
                                                         : gl.projection[gl.projectionDepth - 1];
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

// Display lists

GLuint glGenLists(GLsizei range) {
    if (range <= 0 || refusedInPrimitive()) {
        if (range < 0) {
            setError(GL_INVALID_VALUE);
        }
        return 0;
    }
    // Names are handed out upwards and never reused, so the range is always free.
    const GLuint first = static_cast<GLuint>(gl.lists.size() + 1);
    for (GLsizei i = 0; i < range; ++i) {
        DisplayList list;
        list.exists = true;  // a reserved name is an empty list, as in Mesa
        gl.lists.push_back(list);
    }
    return first;
}

GLboolean glIsList(GLuint list) {
    return list != 0 && list <= gl.lists.size() && gl.lists[list - 1].exists;
}

void glNewList(GLuint list, GLenum mode) {
    if (refusedInPrimitive()) {
        return;
    }
    if (list == 0) {
        setError(GL_INVALID_VALUE);
        return;
    }
    if (mode != GL_COMPILE && mode != GL_COMPILE_AND_EXECUTE) {
        setError(GL_INVALID_ENUM);
        return;
    }
    if (gl.compilingList != 0) {
        setError(GL_INVALID_OPERATION);
        return;
    }
    gl.compilingList = list;
    gl.compileMode = mode;
    gl.compiled = DisplayList{};
    gl.compiled.exists = true;
    gl.listCurrent = LayerVertex{};
}

void glEndList() {
    if (refusedInPrimitive()) {
        return;
    }
    if (gl.compilingList == 0) {
        setError(GL_INVALID_OPERATION);
        return;
    }
    if (gl.compilingList > gl.lists.size()) {
        gl.lists.resize(gl.compilingList);
    }
    gl.lists[gl.compilingList - 1] = std::move(gl.compiled);
    gl.compiled = DisplayList{};
    gl.compilingList = 0;
}

void glCallList(GLuint list) {
    if (refusedInPrimitive() || recorded(listCallList, list)) {
        return;
    }
    executeList(list);
}

void glDeleteLists(GLuint list, GLsizei range) {
    if (range < 0) {
        setError(GL_INVALID_VALUE);
        return;
    }
    for (GLsizei i = 0; i < range; ++i) {
        const GLuint name = list + static_cast<GLuint>(i);
        if (name != 0 && name <= gl.lists.size()) {
            gl.lists[name - 1] = DisplayList{};
        }
    }
}

// Textures

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
    setTextureParameter(pname, param);
}

// The GLUT solids, drawn through the same path as glBegin/glEnd

namespace {

void submitMesh(const ShapeMesh& mesh) {
    const std::size_t count = mesh.positions.size() / 3;
    std::vector<LayerVertex> vertices(count);
    for (std::size_t i = 0; i < count; ++i) {
        LayerVertex& v = vertices[i];
        std::memcpy(v.position, &mesh.positions[i * 3], sizeof v.position);
        std::memcpy(v.normal, &mesh.normals[i * 3], sizeof v.normal);
        v.given = givenNormal;  // colour and texture coordinate: GL's current ones
    }
    std::vector<uint32_t> triangles;
    meshTriangles(mesh, triangles);
    submitTriangles(vertices.data(), static_cast<uint32_t>(count), triangles.data(),
                    static_cast<uint32_t>(triangles.size()));
}

}  // namespace

void glutSolidSphere(GLdouble radius, GLint slices, GLint stacks) {
    ShapeMesh mesh;
    sphereMesh(static_cast<float>(radius), slices, stacks, mesh);
    submitMesh(mesh);
}

void glutSolidCube(GLdouble size) {
    ShapeMesh mesh;
    cubeMesh(static_cast<float>(size), mesh);
    submitMesh(mesh);
}
