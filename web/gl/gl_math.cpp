#include "web/gl/gl_math.h"

#include <cmath>
#include <cstring>

namespace {

constexpr double piD = 3.14159265358979323846;

// Element (row, column) of a matrix stored column by column.
float& at(Mat4& m, int row, int column) {
    return m.m[column * 4 + row];
}
float at(const Mat4& m, int row, int column) {
    return m.m[column * 4 + row];
}

void normalise3(float v[3]) {
    const float length = static_cast<float>(std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
    if (length == 0.0f) {
        return;
    }
    v[0] /= length;
    v[1] /= length;
    v[2] /= length;
}

void cross3(const float a[3], const float b[3], float out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

float clamp01(float v) {
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

void appendTriangle(std::vector<uint32_t>& out, uint32_t a, uint32_t b, uint32_t c) {
    out.push_back(a);
    out.push_back(b);
    out.push_back(c);
}

}  // namespace

Mat4 identityMatrix() {
    Mat4 m = {};
    m.m[0] = m.m[5] = m.m[10] = m.m[15] = 1.0f;
    return m;
}

Mat4 multiplyMatrices(const Mat4& a, const Mat4& b) {
    Mat4 p;
    for (int i = 0; i < 4; ++i) {
        const float ai0 = at(a, i, 0), ai1 = at(a, i, 1), ai2 = at(a, i, 2), ai3 = at(a, i, 3);
        for (int j = 0; j < 4; ++j) {
            at(p, i, j) =
                ai0 * at(b, 0, j) + ai1 * at(b, 1, j) + ai2 * at(b, 2, j) + ai3 * at(b, 3, j);
        }
    }
    return p;
}

void translateMatrix(Mat4& m, float x, float y, float z) {
    float* v = m.m;
    for (int row = 0; row < 4; ++row) {
        v[12 + row] = v[row] * x + v[4 + row] * y + v[8 + row] * z + v[12 + row];
    }
}

void scaleMatrix(Mat4& m, float x, float y, float z) {
    for (int row = 0; row < 4; ++row) {
        m.m[row] *= x;
        m.m[4 + row] *= y;
        m.m[8 + row] *= z;
    }
}

void rotateMatrix(Mat4& m, float angleDegrees, float x, float y, float z) {
    const float radians = static_cast<float>(angleDegrees * piD / 180.0);
    const float s = std::sin(radians);
    const float c = std::cos(radians);
    Mat4 r = identityMatrix();
    // A rotation about a coordinate axis is written out directly, with no normalising.
    if (x == 0.0f && y == 0.0f && z != 0.0f) {
        at(r, 0, 0) = c;
        at(r, 1, 1) = c;
        at(r, 0, 1) = z < 0.0f ? s : -s;
        at(r, 1, 0) = z < 0.0f ? -s : s;
    } else if (x == 0.0f && z == 0.0f && y != 0.0f) {
        at(r, 0, 0) = c;
        at(r, 2, 2) = c;
        at(r, 0, 2) = y < 0.0f ? -s : s;
        at(r, 2, 0) = y < 0.0f ? s : -s;
    } else if (y == 0.0f && z == 0.0f && x != 0.0f) {
        at(r, 1, 1) = c;
        at(r, 2, 2) = c;
        at(r, 1, 2) = x < 0.0f ? s : -s;
        at(r, 2, 1) = x < 0.0f ? -s : s;
    } else {
        const float length = std::sqrt(x * x + y * y + z * z);
        if (length <= 1.0e-4f) {
            return;
        }
        x /= length;
        y /= length;
        z /= length;
        const float oneC = 1.0f - c;
        at(r, 0, 0) = (oneC * x * x) + c;
        at(r, 0, 1) = (oneC * x * y) - z * s;
        at(r, 0, 2) = (oneC * z * x) + y * s;
        at(r, 1, 0) = (oneC * x * y) + z * s;
        at(r, 1, 1) = (oneC * y * y) + c;
        at(r, 1, 2) = (oneC * y * z) - x * s;
        at(r, 2, 0) = (oneC * z * x) - y * s;
        at(r, 2, 1) = (oneC * y * z) + x * s;
        at(r, 2, 2) = (oneC * z * z) + c;
    }
    m = multiplyMatrices(m, r);
}

Mat4 lookAtRotation(double eyeX, double eyeY, double eyeZ, double centreX, double centreY,
                    double centreZ, double upX, double upY, double upZ) {
    float forward[3] = {static_cast<float>(centreX - eyeX), static_cast<float>(centreY - eyeY),
                        static_cast<float>(centreZ - eyeZ)};
    float up[3] = {static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)};
    normalise3(forward);
    float side[3];
    cross3(forward, up, side);
    normalise3(side);
    cross3(side, forward, up);
    Mat4 m = identityMatrix();
    for (int i = 0; i < 3; ++i) {
        at(m, 0, i) = side[i];
        at(m, 1, i) = up[i];
        at(m, 2, i) = -forward[i];
    }
    return m;
}

bool perspectiveMatrix(double fovyDegrees, double aspect, double zNear, double zFar,
                       double out[16]) {
    const double radians = fovyDegrees / 2 * piD / 180;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || aspect == 0) {
        return false;
    }
    const double cotangent = std::cos(radians) / sine;
    for (int i = 0; i < 16; ++i) {
        out[i] = (i % 5 == 0) ? 1.0 : 0.0;
    }
    out[0] = cotangent / aspect;
    out[5] = cotangent;
    out[10] = -(zFar + zNear) / deltaZ;
    out[11] = -1;
    out[14] = -2 * zNear * zFar / deltaZ;
    out[15] = 0;
    return true;
}

Mat4 matrixFromDoubles(const double in[16]) {
    Mat4 m;
    for (int i = 0; i < 16; ++i) {
        m.m[i] = static_cast<float>(in[i]);
    }
    return m;
}

void transformPoint(const Mat4& m, const float p[3], float out[4]) {
    for (int row = 0; row < 4; ++row) {
        out[row] =
            at(m, row, 0) * p[0] + at(m, row, 1) * p[1] + at(m, row, 2) * p[2] + at(m, row, 3);
    }
}

void normalMatrix(const Mat4& mv, float out[9]) {
    const float a00 = at(mv, 0, 0), a01 = at(mv, 0, 1), a02 = at(mv, 0, 2);
    const float a10 = at(mv, 1, 0), a11 = at(mv, 1, 1), a12 = at(mv, 1, 2);
    const float a20 = at(mv, 2, 0), a21 = at(mv, 2, 1), a22 = at(mv, 2, 2);
    // The inverse transpose is the cofactor matrix over the determinant.
    const float cofactors[9] = {
        a11 * a22 - a12 * a21, a12 * a20 - a10 * a22, a10 * a21 - a11 * a20,
        a02 * a21 - a01 * a22, a00 * a22 - a02 * a20, a01 * a20 - a00 * a21,
        a01 * a12 - a02 * a11, a02 * a10 - a00 * a12, a00 * a11 - a01 * a10,
    };
    const float det = a00 * cofactors[0] + a01 * cofactors[1] + a02 * cofactors[2];
    if (std::fabs(det) < 1e-25f) {
        const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        std::memcpy(out, identity, sizeof identity);
        return;
    }
    const float inverseDet = 1.0f / det;
    for (int i = 0; i < 9; ++i) {
        out[i] = cofactors[i] * inverseDet;
    }
}

void transformNormal(const float matrix[9], const float n[3], float out[3]) {
    for (int row = 0; row < 3; ++row) {
        out[row] = matrix[row * 3] * n[0] + matrix[row * 3 + 1] * n[1] + matrix[row * 3 + 2] * n[2];
    }
}

void directionTowardsLight(const float eyePosition[4], float out[3]) {
    out[0] = eyePosition[0];
    out[1] = eyePosition[1];
    out[2] = eyePosition[2];
    normalise3(out);
}

void vertexColour(const LightingState& lighting, const float colour[4], const float eyeNormal[3],
                  float out[4]) {
    if (!lighting.enabled) {
        for (int i = 0; i < 4; ++i) {
            out[i] = clamp01(colour[i]);
        }
        return;
    }
    const float* ambient = lighting.colourMaterial ? colour : lighting.materialAmbient;
    const float* diffuse = lighting.colourMaterial ? colour : lighting.materialDiffuse;
    const float* l = lighting.lightDirection;
    const float facing = eyeNormal[0] * l[0] + eyeNormal[1] * l[1] + eyeNormal[2] * l[2];
    const float diffuseShare = facing > 0.0f ? facing : 0.0f;
    for (int i = 0; i < 3; ++i) {
        float c = lighting.sceneAmbient[i] * ambient[i];
        if (lighting.light0) {
            c += lighting.lightAmbient[i] * ambient[i];
            c += diffuseShare * lighting.lightDiffuse[i] * diffuse[i];
        }
        out[i] = clamp01(c);
    }
    out[3] = clamp01(diffuse[3]);
}

int triangulatePrimitive(uint32_t mode, int count, uint32_t base, std::vector<uint32_t>& out) {
    int made = 0;
    switch (mode) {
        case primitiveTriangles:
            for (int i = 0; i + 2 < count; i += 3, ++made) {
                appendTriangle(out, base + i, base + i + 1, base + i + 2);
            }
            break;
        case primitiveTriangleStrip:
            // Every other triangle swaps its first two vertices, keeping the strip's winding.
            for (int i = 0; i + 2 < count; ++i, ++made) {
                if (i % 2 == 0) {
                    appendTriangle(out, base + i, base + i + 1, base + i + 2);
                } else {
                    appendTriangle(out, base + i + 1, base + i, base + i + 2);
                }
            }
            break;
        case primitiveTriangleFan:
        case primitivePolygon:
            for (int i = 1; i + 1 < count; ++i, ++made) {
                appendTriangle(out, base, base + i, base + i + 1);
            }
            break;
        case primitiveQuads:
            for (int i = 0; i + 3 < count; i += 4, made += 2) {
                appendTriangle(out, base + i, base + i + 1, base + i + 2);
                appendTriangle(out, base + i, base + i + 2, base + i + 3);
            }
            break;
        case primitiveQuadStrip:
            // Quad k has the pairs k and k + 1, the second pair taken in reverse order.
            for (int i = 0; i + 3 < count; i += 2, made += 2) {
                appendTriangle(out, base + i, base + i + 1, base + i + 3);
                appendTriangle(out, base + i, base + i + 3, base + i + 2);
            }
            break;
        default:
            break;
    }
    return made;
}
