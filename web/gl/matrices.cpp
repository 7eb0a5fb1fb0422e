// The modelview and projection stacks, and what the show's drawing multiplies them by, GLU's
// look-at and perspective included.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstring>

#include "web/gl/gl_math.h"
#include "web/gl/layer_state.h"

Mat4& currentMatrix() {
    return gl.matrixMode == GL_PROJECTION ? gl.projection[gl.projectionDepth - 1]
                                          : gl.modelview[gl.modelviewDepth - 1];
}

const Mat4& modelviewMatrix() {
    return gl.modelview[gl.modelviewDepth - 1];
}

const Mat4& projectionMatrix() {
    return gl.projection[gl.projectionDepth - 1];
}

namespace {

void multiplyCurrent(const Mat4& m) {
    Mat4& current = currentMatrix();
    current = multiplyMatrices(current, m);
}

}  // namespace

void glMatrixMode(GLenum mode) {
    if (refusedInPrimitive() || recordedInList(listMatrixMode, mode)) {
        return;
    }
    if (mode != GL_MODELVIEW && mode != GL_PROJECTION) {
        setError(GL_INVALID_ENUM);
        return;
    }
    gl.matrixMode = mode;
}

void glLoadIdentity() {
    if (refusedInPrimitive() || recordedInList(listLoadIdentity)) {
        return;
    }
    currentMatrix() = identityMatrix();
}

void glPushMatrix() {
    if (refusedInPrimitive() || recordedInList(listPushMatrix)) {
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
    if (refusedInPrimitive() || recordedInList(listPopMatrix)) {
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
    if (refusedInPrimitive() || recordedInList(listTranslate, 0, 0, v, 3)) {
        return;
    }
    translateMatrix(currentMatrix(), x, y, z);
}

void glTranslated(GLdouble x, GLdouble y, GLdouble z) {
    glTranslatef(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

void glScalef(GLfloat x, GLfloat y, GLfloat z) {
    const float v[3] = {x, y, z};
    if (refusedInPrimitive() || recordedInList(listScale, 0, 0, v, 3)) {
        return;
    }
    scaleMatrix(currentMatrix(), x, y, z);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    const float v[4] = {angle, x, y, z};
    if (refusedInPrimitive() || recordedInList(listRotate, 0, 0, v, 4)) {
        return;
    }
    rotateMatrix(currentMatrix(), angle, x, y, z);
}

void glMultMatrixf(const GLfloat* m) {
    if (refusedInPrimitive() || recordedInList(listMultMatrix, 0, 0, m, 16)) {
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
