// A real GL context for tests: one hidden freeglut window on the X display (Xvfb in CI),
// created once per test process, with the show's lighting, depth test and an empty cube
// texture. Frames are drawn by calling the frame function directly and read from GL_BACK.
#pragma once
#include <array>
#include <functional>
#include <vector>

constexpr int testWindowWidth = 320;
constexpr int testWindowHeight = 240;

// Sets an orthographic view where object coordinates -1..1 fill the window on x and y and
// z runs -1..1 (near to far is +1 to -1), with the identity modelview.
void useUnitOrthoView();

// Runs draw() in feedback mode and returns the window coordinates (x, y, depth) of every vertex
// GL would rasterise (polygons may arrive split into triangles).
std::vector<std::array<float, 3>> feedbackWindowVertices(const std::function<void()>& draw);
// The same, converted back to object coordinates under useUnitOrthoView().
std::vector<std::array<float, 3>> feedbackVertices(void (*draw)());

// Reads the back buffer's RGB at window pixel (x, y), origin bottom left.
std::array<int, 3> backPixel(int x, int y);

// The 16 values of a GL matrix (GL_MODELVIEW_MATRIX or GL_PROJECTION_MATRIX).
std::array<float, 16> glMatrix(unsigned int which);
