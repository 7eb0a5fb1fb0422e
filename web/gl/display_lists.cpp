// Display lists: the layer's own, kept outside the WebGL context. A list records the attribute,
// matrix and state commands given while it is compiled and the triangles of every primitive and
// solid, with the attributes those vertices carry; calling it runs the commands in order.
#include <GL/gl.h>

#include <cstring>
#include <utility>

#include "web/gl/layer_state.h"

namespace {

constexpr int maxListNesting = 64;  // GL's least maximum for glCallList inside lists

}  // namespace

// A list is being compiled and this command is not coming out of a list being executed.
bool listRecording() {
    return gl.compilingList != 0 && gl.executingDepth == 0;
}

bool listExecuting() {
    return !listRecording() || gl.compileMode == GL_COMPILE_AND_EXECUTE;
}

bool recordedInList(ListOp op, GLenum e0, GLenum e1, const float* f, int fCount) {
    if (!listRecording()) {
        return false;
    }
    ListCommand command = {op, {e0, e1}, {}, 0};
    if (f != nullptr) {
        std::memcpy(command.f, f, sizeof(float) * static_cast<std::size_t>(fCount));
    }
    gl.compiled.commands.push_back(command);
    return !listExecuting();
}

void submitTriangles(const LayerVertex* vertices, uint32_t vertexCount, const uint32_t* indices,
                     uint32_t indexCount) {
    if (listRecording()) {
        ListBatch batch;
        batch.vertices.assign(vertices, vertices + vertexCount);
        batch.indices.assign(indices, indices + indexCount);
        gl.compiled.batches.push_back(std::move(batch));
        ListCommand command = {listBatch, {0, 0}, {}, 0};
        command.batch = static_cast<uint32_t>(gl.compiled.batches.size() - 1);
        gl.compiled.commands.push_back(command);
        if (!listExecuting()) {
            return;
        }
    }
    drawTriangles(vertices, vertexCount, indices, indexCount);
}

namespace {

void executeList(GLuint name);

void drawBatch(const ListBatch& b) {
    drawTriangles(b.vertices.data(), static_cast<uint32_t>(b.vertices.size()), b.indices.data(),
                  static_cast<uint32_t>(b.indices.size()));
}

void runListCommand(const DisplayList& list, const ListCommand& c) {
    switch (c.op) {
        case listBatch:
            drawBatch(list.batches[c.batch]);
            break;
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
        case listDisable:
            (c.op == listEnable ? glEnable : glDisable)(c.e[0]);
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

}  // namespace

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
    if (refusedInPrimitive() || recordedInList(listCallList, list)) {
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
