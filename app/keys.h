// Keyboard and window reshape callbacks.
#pragma once

constexpr unsigned char escapeKey = 27;  // the key code GLUT reports for Escape

// Escape quits; a/d, f/r, w/s move the manual eye along x, y, z; c toggles the script.
void onKeyboard(unsigned char key, int x, int y);
// The fixed perspective: the same picture shape on every window, stretched to fill it.
constexpr double perspectiveFieldOfViewDegrees = 50.0;  // vertical
constexpr double perspectiveAspect = 1.4;               // width over height, whatever the window
constexpr double perspectiveNearPlane = 0.1;            // world units from the eye
constexpr double perspectiveFarPlane = 10.0;            // world units from the eye

// Viewport follows the window; the perspective keeps a 1.4 aspect whatever the window's shape.
void onReshape(int width, int height);
