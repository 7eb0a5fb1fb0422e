// Keyboard and window reshape callbacks.
#pragma once

// Escape quits; a/d, f/r, w/s move the manual eye along x, y, z; c toggles the script.
void onKeyboard(unsigned char key, int x, int y);
// Viewport follows the window; the perspective keeps a 1.4 aspect whatever the window's shape.
void onReshape(int width, int height);
