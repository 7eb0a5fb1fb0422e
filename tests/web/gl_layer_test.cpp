// The web platform's fixed-function GL: primitives split into triangles, the matrix stacks, the
// lighting against what Mesa draws, display lists, the GLUT solids and texturing, with the
// triangles read back from a recording backend.
#include "web/gl/gl_layer.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "render/solid_shapes.h"
#include "tests/web/recording_backend.h"
#include "web/gl/gl_math.h"

namespace {

struct Point2 {
    double x, y;
};

double triangleArea(Point2 a, Point2 b, Point2 c) {
    return 0.5 * std::fabs((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y));
}

// The summed area of the triangles a mode makes of the given points.
double coveredArea(uint32_t mode, const std::vector<Point2>& points, int* triangles = nullptr) {
    std::vector<uint32_t> indices;
    const int made = triangulatePrimitive(mode, static_cast<int>(points.size()), 0, indices);
    if (triangles != nullptr) {
        *triangles = made;
    }
    double area = 0.0;
    for (std::size_t i = 0; i < indices.size(); i += 3) {
        area += triangleArea(points.at(indices[i]), points.at(indices[i + 1]),
                             points.at(indices[i + 2]));
    }
    return area;
}

TEST(Triangulation, EveryModeCoversItsShapeOnceAndDropsIncompleteVertices) {
    // Two unit squares side by side, in the vertex orders each mode expects.
    const std::vector<Point2> quads = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {1, 0},
                                       {2, 0}, {2, 1}, {1, 1}, {5, 5}};
    const std::vector<Point2> quadStrip = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {9, 9}};
    const std::vector<Point2> pentagon = {{0, 0}, {2, 0}, {3, 1}, {1, 3}, {-1, 1}};
    const std::vector<Point2> strip = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}};
    int made = 0;
    EXPECT_DOUBLE_EQ(coveredArea(primitiveQuads, quads, &made), 2.0);
    EXPECT_EQ(made, 4);
    EXPECT_DOUBLE_EQ(coveredArea(primitiveQuadStrip, quadStrip, &made), 2.0);
    EXPECT_EQ(made, 4);
    EXPECT_DOUBLE_EQ(coveredArea(primitivePolygon, pentagon, &made), 7.0);
    EXPECT_EQ(made, 3);
    EXPECT_DOUBLE_EQ(coveredArea(primitiveTriangleFan, pentagon), 7.0);
    EXPECT_DOUBLE_EQ(coveredArea(primitiveTriangleStrip, strip, &made), 1.5);
    EXPECT_EQ(made, 3);
    EXPECT_DOUBLE_EQ(coveredArea(primitiveTriangles, strip, &made), 0.5);
    EXPECT_EQ(made, 1);

    // Too few vertices, points and lines: nothing.
    for (uint32_t mode : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 42u}) {
        std::vector<uint32_t> indices;
        const int need = mode == primitiveQuads || mode == primitiveQuadStrip ? 4 : 3;
        EXPECT_EQ(triangulatePrimitive(mode, mode <= 3 ? 8 : need - 1, 0, indices), 0) << mode;
        EXPECT_TRUE(indices.empty());
    }
}

TEST(Triangulation, StripTrianglesKeepOneWindingAndIndicesCountFromTheBase) {
    const std::vector<Point2> strip = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}};
    std::vector<uint32_t> indices;
    triangulatePrimitive(primitiveTriangleStrip, 6, 100, indices);
    ASSERT_EQ(indices.size(), 12u);
    for (std::size_t i = 0; i < indices.size(); i += 3) {
        const Point2 a = strip.at(indices[i] - 100), b = strip.at(indices[i + 1] - 100),
                     c = strip.at(indices[i + 2] - 100);
        const double cross = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
        EXPECT_LT(cross, 0.0) << "triangle " << i / 3;
    }
}

class GlLayer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(openGlLayer("#canvas", false));
    }
    // The triangles drawn since the last call.
    std::vector<RecordedTriangle> drawn() {
        glFlush();
        std::vector<RecordedTriangle> out;
        out.swap(recorded.triangles);
        return out;
    }
    void drawUnitQuad() {
        glBegin(GL_QUADS);
        glVertex3f(-1, -1, 0);
        glVertex3f(1, -1, 0);
        glVertex3f(1, 1, 0);
        glVertex3f(-1, 1, 0);
        glEnd();
    }
};

TEST_F(GlLayer, MatrixStacksRestoreOnPopAndRefuseOverflowAndUnderflow) {
    double m[16];
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1, 2, 3);
    glPushMatrix();
    glScalef(2, 2, 2);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glRotatef(90, 0, 0, 1);
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[0], 1.0);
    EXPECT_EQ(m[12], 1.0);
    EXPECT_EQ(m[14], 3.0);
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    EXPECT_NEAR(m[1], 1.0, 1e-7);  // the projection's own push is still open
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    glPopMatrix();  // the modelview stack is back at its bottom
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_STACK_UNDERFLOW));
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[12], 1.0);

    for (int i = 0; i < 31; ++i) {
        glPushMatrix();
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glPushMatrix();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_STACK_OVERFLOW));
    glTranslatef(1, 0, 0);
    glPopMatrix();
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[12], 1.0);  // the overflowing push was refused, so this pop undid the move
}

TEST_F(GlLayer, LookAtAndPerspectivePlaceTheScene) {
    glMatrixMode(GL_PROJECTION);
    gluPerspective(50.0, 1.4, 0.1, 10.0);
    glMatrixMode(GL_MODELVIEW);
    gluLookAt(1, 2, 3, 0, 0, 0, 0, 1, 0);
    // The origin lies straight ahead, sqrt(14) away: centred, at that depth.
    glBegin(GL_TRIANGLES);
    glVertex3f(0, 0, 0);
    glVertex3f(0, 0, 0);
    glVertex3f(0, 0, 0);
    glEnd();
    const std::vector<RecordedTriangle> t = drawn();
    ASSERT_EQ(t.size(), 1u);
    const float* clip = t[0].corners[0].clip;
    EXPECT_NEAR(clip[0], 0.0, 1e-6);
    EXPECT_NEAR(clip[1], 0.0, 1e-6);
    EXPECT_NEAR(clip[3], std::sqrt(14.0), 1e-5);
    const double n = 0.1, f = 10.0, d = std::sqrt(14.0);
    EXPECT_NEAR(clip[2] / clip[3], (f + n) / (f - n) - 2 * f * n / ((f - n) * d), 1e-5);
}

// Bytes Mesa's software renderer drew for a quad facing the viewer, lit by the show's light at
// (1, 1, 1, 0) given under the identity, after glScalef and with the given normal and colour:
// normals are transformed by the inverse transpose and not normalised.
struct MesaProbe {
    float scale[3];
    float normal[3];
    float colour[3];
    bool colourMaterial;
    int bytes[3];
};

TEST_F(GlLayer, LightingMatchesWhatMesaDraws) {
    const MesaProbe probes[] = {
        {{0.1f, 0.6f, 0.1f}, {0, 1, 0}, {0.5f, 0, 0}, true, {148, 0, 0}},
        {{1, 1, 1}, {0, 1, 0}, {0.5f, 0, 0}, true, {99, 0, 0}},
        {{0.1f, 0.6f, 0.1f}, {1, 0, 0}, {0.5f, 0, 0}, true, {255, 0, 0}},
        {{1, 1, 1}, {0, 0, -1}, {0.5f, 0.25f, 1}, true, {26, 13, 51}},
        // Colour material off keeps the last colour it gave the material.
        {{1, 1, 1}, {0, 1, 0}, {1, 1, 1}, false, {99, 50, 198}},
        {{1, 1, 1}, {1, 1, 1}, {0.3f, 0.6f, 0.9f}, true, {148, 255, 255}},
        {{2, 2, 2}, {0, 0.5f, 0}, {0.8f, 0.8f, 0.8f}, true, {70, 70, 70}},
    };
    const GLfloat light[4] = {1, 1, 1, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    for (const MesaProbe& p : probes) {
        if (p.colourMaterial) {
            glEnable(GL_COLOR_MATERIAL);
        } else {
            glDisable(GL_COLOR_MATERIAL);
        }
        glLoadIdentity();
        glScalef(p.scale[0], p.scale[1], p.scale[2]);
        glNormal3f(p.normal[0], p.normal[1], p.normal[2]);
        glColor4f(p.colour[0], p.colour[1], p.colour[2], 1.0f);
        drawUnitQuad();
        const std::vector<RecordedTriangle> t = drawn();
        ASSERT_EQ(t.size(), 2u);
        for (int c = 0; c < 3; ++c) {
            const double byte = t[0].corners[0].colour[c] * 255.0;
            EXPECT_NEAR(byte, p.bytes[c], 1.0) << "channel " << c << " of scale " << p.scale[0];
        }
    }
}

TEST_F(GlLayer, DisplayListsReplayTheirGeometryInTheStateOfTheCall) {
    const GLuint list = glGenLists(1);
    ASSERT_TRUE(glIsList(list));
    glNewList(list, GL_COMPILE);
    glutSolidCube(1.0);
    glEndList();
    EXPECT_TRUE(drawn().empty());  // compiling draws nothing

    glColor4f(0.25f, 0.5f, 0.75f, 0.4f);
    glTranslatef(3, 0, 0);
    glCallList(list);
    glColor4f(1, 0, 0, 1);
    glCallList(list);
    const std::vector<RecordedTriangle> t = drawn();
    ASSERT_EQ(t.size(), 24u);
    EXPECT_FLOAT_EQ(t[0].corners[0].colour[3], 0.4f);  // the colour current at each call
    EXPECT_FLOAT_EQ(t[12].corners[0].colour[0], 1.0f);
    for (const RecordedTriangle& tri : t) {
        for (const DrawVertex& v : tri.corners) {
            EXPECT_NEAR(std::fabs(v.clip[0] - 3.0f), 0.5f, 1e-6);  // moved with the call's matrix
        }
    }

    // A colour set inside a list is the list's, and the current colour after the call.
    const GLuint coloured = glGenLists(1);
    glNewList(coloured, GL_COMPILE_AND_EXECUTE);
    glColor4f(0, 1, 0, 1);
    drawUnitQuad();
    glEndList();
    glColor4f(0, 0, 1, 1);
    glCallList(coloured);
    glBegin(GL_TRIANGLES);
    glVertex3f(0, 0, 0);
    glVertex3f(1, 0, 0);
    glVertex3f(0, 1, 0);
    glEnd();
    const std::vector<RecordedTriangle> after = drawn();
    ASSERT_EQ(after.size(), 5u);  // once while compiled, once called, then the triangle
    EXPECT_FLOAT_EQ(after[2].corners[0].colour[1], 1.0f);
    EXPECT_FLOAT_EQ(after[4].corners[0].colour[1], 1.0f);
    EXPECT_FLOAT_EQ(after[4].corners[0].colour[2], 0.0f);
}

TEST(GlutSolids, SphereRunsStackByStackFromThePoleAtPlusZ) {
    ShapeMesh sphere;
    sphereMesh(0.5f, 8, 5, sphere);
    std::vector<uint32_t> triangles;
    meshTriangles(sphere, triangles);
    const std::size_t vertexCount = sphere.positions.size() / 3;
    ASSERT_EQ(vertexCount, 8u * 4 + 2);
    for (std::size_t i = 0; i < vertexCount; ++i) {
        const float* p = &sphere.positions[i * 3];
        const float* n = &sphere.normals[i * 3];
        EXPECT_NEAR(std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]), 0.5, 1e-6);
        EXPECT_NEAR(p[0], 0.5f * n[0], 1e-6);
    }
    // Each strip of 2 (slices + 1) indices gives 2 slices triangles, poles included; their
    // heights fall stack by stack.
    ASSERT_EQ(triangles.size(), 3u * 2 * 8 * 5);
    float previousTop = 1.0f;
    for (std::size_t stack = 0; stack < 5; ++stack) {
        float top = -1.0f;
        for (std::size_t k = 0; k < 3 * 16; ++k) {
            top = std::max(top, sphere.positions[triangles[stack * 48 + k] * 3 + 2]);
        }
        EXPECT_LT(top, previousTop + 1e-6f) << "stack " << stack;
        previousTop = top;
    }
    // The first triangle touches the top pole, the last the bottom one.
    EXPECT_EQ(triangles[1], 0u);
    const auto last = triangles.end() - 3;
    EXPECT_NE(std::find(last, triangles.end(), vertexCount - 1), triangles.end());
    sphereMesh(0.5f, 0, 5, sphere);
    EXPECT_TRUE(sphere.indices.empty());
    sphereMesh(0.5f, 8, 1, sphere);
    EXPECT_TRUE(sphere.indices.empty());
}

TEST(GlutSolids, CubeFacesPointOutwardAndCoverItsSurface) {
    ShapeMesh cube;
    cubeMesh(0.35f, cube);
    ASSERT_EQ(cube.indices.size(), 36u);
    double area = 0.0;
    for (std::size_t i = 0; i < 36; i += 3) {
        const float* a = &cube.positions[cube.indices[i] * 3];
        const float* b = &cube.positions[cube.indices[i + 1] * 3];
        const float* c = &cube.positions[cube.indices[i + 2] * 3];
        const float* n = &cube.normals[cube.indices[i] * 3];
        const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const double v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const double cross[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                                 u[0] * v[1] - u[1] * v[0]};
        area += 0.5 * std::sqrt(cross[0] * cross[0] + cross[1] * cross[1] + cross[2] * cross[2]);
        // Counter-clockwise seen from outside: the winding agrees with the normal, which points
        // away from the centre.
        EXPECT_GT(cross[0] * n[0] + cross[1] * n[1] + cross[2] * n[2], 0.0) << i / 3;
        EXPECT_GT(a[0] * n[0] + a[1] * n[1] + a[2] * n[2], 0.0) << i / 3;
    }
    EXPECT_NEAR(area, 6 * 0.35 * 0.35, 1e-6);
}

TEST_F(GlLayer, TexturesOnlyWithAPictureAndAFilterThatNeedsNoMipmaps) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnable(GL_TEXTURE_2D);
    const unsigned char pixels[16] = {};

    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 0, 0, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    drawUnitQuad();
    EXPECT_FALSE(drawn().at(0).textured);  // an empty picture: plain lit colour, not black

    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    drawUnitQuad();
    EXPECT_TRUE(drawn().at(0).textured);

    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, 0x2702);  // mipmaps, none given
    drawUnitQuad();
    EXPECT_FALSE(drawn().at(0).textured);

    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glDisable(GL_TEXTURE_2D);
    drawUnitQuad();
    EXPECT_FALSE(drawn().at(0).textured);
}

}  // namespace
