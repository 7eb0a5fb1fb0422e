#include "tests/support/gl_context.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "image/bitmap.h"
#include "render/gl_setup.h"

namespace {

class GlContextEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        // A process with a GL context has the renderer's threads running: death tests must
        // re-run the binary instead of forking it. (Set here, after the flags are parsed.)
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        int argc = 1;
        char name[] = "pp-tests";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
        glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
        glutInitWindowSize(testWindowWidth, testWindowHeight);
        glutCreateWindow("PP tests");
        glutDisplayFunc([] {});  // frames are drawn by the tests themselves
        glutHideWindow();
        glutMainLoopEvent();
        initLightingAndDepth();
        BitmapImage empty = {};
        uploadCubeTexture(empty);
        glViewport(0, 0, testWindowWidth, testWindowHeight);
        glReadBuffer(GL_BACK);
        glDrawBuffer(GL_BACK);
    }
};

const bool registered = [] {
    ::testing::AddGlobalTestEnvironment(new GlContextEnvironment);
    return true;
}();

}  // namespace

void useUnitOrthoView() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, testWindowWidth, testWindowHeight);
}

std::vector<std::array<float, 3>> feedbackWindowVertices(const std::function<void()>& draw) {
    std::vector<GLfloat> buffer(1 << 22);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint count = glRenderMode(GL_RENDER);
    EXPECT_GE(count, 0) << "feedback buffer overflow";
    std::vector<std::array<float, 3>> vertices;
    for (GLint i = 0; i < count;) {
        const auto token = static_cast<GLint>(buffer[i++]);
        int n = 0;
        if (token == GL_POLYGON_TOKEN) {
            n = static_cast<int>(buffer[i++]);
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            n = 2;
        } else if (token == GL_POINT_TOKEN) {
            n = 1;
        } else if (token == GL_PASS_THROUGH_TOKEN || token == GL_BITMAP_TOKEN ||
                   token == GL_DRAW_PIXEL_TOKEN || token == GL_COPY_PIXEL_TOKEN) {
            i += token == GL_PASS_THROUGH_TOKEN ? 1 : 3;
            continue;
        }
        for (int k = 0; k < n; ++k, i += 3) {
            vertices.push_back({buffer[i], buffer[i + 1], buffer[i + 2]});
        }
    }
    return vertices;
}

std::vector<std::array<float, 3>> feedbackVertices(void (*draw)()) {
    std::vector<std::array<float, 3>> vertices = feedbackWindowVertices(draw);
    for (auto& v : vertices) {
        v = {v[0] / (testWindowWidth / 2.0f) - 1.0f, v[1] / (testWindowHeight / 2.0f) - 1.0f,
             1.0f - 2.0f * v[2]};
    }
    return vertices;
}

std::array<int, 3> backPixel(int x, int y) {
    GLubyte rgba[4] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return {rgba[0], rgba[1], rgba[2]};
}

std::array<float, 16> glMatrix(unsigned int which) {
    std::array<float, 16> m{};
    glGetFloatv(which, m.data());
    return m;
}
