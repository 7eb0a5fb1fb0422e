// Immediate mode and drawing: glBegin/glEnd with the current vertex attributes, each primitive
// split into triangles at glEnd, transformed to clip space and lit per vertex, as GL does it,
// and handed to the WebGL backend.
#include <GL/gl.h>

#include <cstring>

#include "web/gl/gl_math.h"
#include "web/gl/layer_state.h"
#include "web/gl/webgl_backend.h"

void drawTriangles(const LayerVertex* vertices, uint32_t vertexCount, const uint32_t* indices,
                   uint32_t indexCount) {
    if (vertexCount == 0 || indexCount == 0) {
        return;
    }
    const Mat4& modelview = modelviewMatrix();
    const Mat4 clipFromObject = multiplyMatrices(projectionMatrix(), modelview);
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

void trackColourInMaterial(const float colour[4]) {
    if (gl.lighting.colourMaterial) {
        std::memcpy(gl.lighting.materialAmbient, colour, sizeof gl.lighting.materialAmbient);
        std::memcpy(gl.lighting.materialDiffuse, colour, sizeof gl.lighting.materialDiffuse);
    }
}

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
    LayerVertex v = listRecording() ? gl.listCurrent : LayerVertex{};
    if (!listRecording()) {
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

namespace {

// Sets a current attribute: while a list is compiled it becomes the list's own for the vertices
// that follow there, and the command is recorded; it takes effect now unless the list is only
// compiled. True when it took effect.
bool setAttribute(ListOp op, uint8_t given, float* listValue, float* current, const float* value,
                  int count) {
    const std::size_t size = sizeof(float) * static_cast<std::size_t>(count);
    if (listRecording()) {
        std::memcpy(listValue, value, size);
        gl.listCurrent.given |= given;
    }
    if (recordedInList(op, 0, 0, value, count)) {
        return false;
    }
    std::memcpy(current, value, size);
    return true;
}

}  // namespace

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    const float n[3] = {x, y, z};
    setAttribute(listNormal, givenNormal, gl.listCurrent.normal, gl.normal, n, 3);
}

void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
    const float c[4] = {red, green, blue, alpha};
    if (setAttribute(listColour, givenColour, gl.listCurrent.colour, gl.colour, c, 4)) {
        trackColourInMaterial(c);
    }
}

void glTexCoord2f(GLfloat s, GLfloat t) {
    const float st[2] = {s, t};
    setAttribute(listTexCoord, givenTexCoord, gl.listCurrent.texCoord, gl.texCoord, st, 2);
}
