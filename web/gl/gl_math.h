// The arithmetic of fixed-function GL as the show's native renderer (Mesa) does it, in single
// precision: the matrix operations, GLU's view and perspective, the normal matrix, the lighting
// of one vertex, and primitives split into triangles. Pure functions, no GL here, so that they
// are tested natively.
#pragma once
#include <cstdint>
#include <vector>

// A 4x4 matrix stored column by column, as GL stores matrices: element (row r, column c) is
// m[c * 4 + r].
struct Mat4 {
    float m[16];
};

Mat4 identityMatrix();
// a * b: a vertex transformed by the product goes through b first.
Mat4 multiplyMatrices(const Mat4& a, const Mat4& b);
// What glTranslatef, glScalef and glRotatef do to the current matrix (it is multiplied on the
// right). A rotation about an axis shorter than 1e-4 leaves the matrix as it is, as in Mesa.
void translateMatrix(Mat4& m, float x, float y, float z);
void scaleMatrix(Mat4& m, float x, float y, float z);
void rotateMatrix(Mat4& m, float angleDegrees, float x, float y, float z);
// The matrices gluLookAt and gluPerspective multiply the current one by, in the precision GLU
// uses (the look-at rotation in single, the perspective in double precision). lookAtRotation is
// followed by a translation to minus the eye. False from perspectiveMatrix where GLU does
// nothing: a zero depth range, field of view or aspect.
Mat4 lookAtRotation(double eyeX, double eyeY, double eyeZ, double centreX, double centreY,
                    double centreZ, double upX, double upY, double upZ);
bool perspectiveMatrix(double fovyDegrees, double aspect, double zNear, double zFar,
                       double out[16]);
Mat4 matrixFromDoubles(const double in[16]);

// Transforms a point (x, y, z, 1): out receives four coordinates.
void transformPoint(const Mat4& m, const float p[3], float out[4]);

// The matrix normals are transformed with: the inverse transpose of the modelview's upper 3x3,
// stored row by row. Normals are not normalised afterwards (GL_NORMALIZE is off), so a scaled
// modelview lengthens or shortens them, and the lighting follows. A singular modelview gives
// the identity, as Mesa does.
void normalMatrix(const Mat4& modelview, float out[9]);
void transformNormal(const float matrix[9], const float n[3], float out[3]);

// The lighting state the show uses: one directional light, the scene's ambient light, and the
// material's ambient and diffuse colours, which follow the current colour while
// GL_COLOR_MATERIAL is on and keep the last one it gave when it is turned off, as in GL. No
// specular part: the material's specular colour stays black.
struct LightingState {
    bool enabled = false;
    bool colourMaterial = false;
    bool light0 = false;
    float materialAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    float materialDiffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    float sceneAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    float lightAmbient[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float lightDiffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float lightDirection[3] = {0.0f, 0.0f, 1.0f};  // eye space, unit length, towards the light
};

// The direction towards a directional light given at eye-space position (x, y, z, 0).
void directionTowardsLight(const float eyePosition[4], float out[3]);

// The colour GL gives a vertex with the current colour and its eye-space normal, clamped to
// [0, 1]: with lighting off the colour itself. With GL_COLOR_MATERIAL the colour stands for the
// material's ambient and diffuse colours.
void vertexColour(const LightingState& lighting, const float colour[4], const float eyeNormal[3],
                  float out[4]);

// GL's primitive modes that make triangles.
enum PrimitiveMode : uint32_t {
    primitiveTriangles = 0x0004,
    primitiveTriangleStrip = 0x0005,
    primitiveTriangleFan = 0x0006,
    primitiveQuads = 0x0007,
    primitiveQuadStrip = 0x0008,
    primitivePolygon = 0x0009,
};

// Appends the triangles of a primitive of `count` vertices, three vertex indices each, counted
// from `base`. Vertices that complete no triangle, quad or polygon are dropped, as GL drops
// them; points and lines (modes 0 to 3) and unknown modes make nothing. Returns the number of
// triangles appended.
int triangulatePrimitive(uint32_t mode, int count, uint32_t base, std::vector<uint32_t>& out);
