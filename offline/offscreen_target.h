// Where pp-render draws: an OpenGL context held by a small hidden freeglut window, and a
// framebuffer object with colour and depth renderbuffers of the picture's size, so pictures
// may be larger than the screen.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct OffscreenTarget {
    unsigned int framebuffer = 0;
    unsigned int colourBuffer = 0;
    unsigned int depthBuffer = 0;
    int width = 0;
    int height = 0;
};

// Opens the X display and the hidden window whose context every later call uses, and tunes the
// process's memory allocator for the software renderer's per-frame buffers. Once per process. False
// with the reason when there is no display or no framebuffer object support; a display that
// cannot be opened is said in a line of pp-render's own, before freeglut would end the process.
bool openRenderContext(std::string& error);

// In a build with the leak sanitizer, checks for leaks now; elsewhere does nothing. Call it when
// the drawing is done. freeglut closes the display at exit, before the sanitizer's own check,
// and Mesa then unloads its driver: what the driver still holds would be reported as lost,
// from a library left without a name to suppress it by.
void checkLeaksBeforeExit();

// Creates the buffers and makes them the draw and read target. False with the reason when the
// size is beyond what the renderer offers or the framebuffer is incomplete.
bool createOffscreenTarget(OffscreenTarget& target, int width, int height, std::string& error);
// Deletes the buffers; drawing goes back to the window.
void destroyOffscreenTarget(OffscreenTarget& target);

// The target's pixels as RGB bytes, top row first (as pictures store them).
void readOffscreenPixels(const OffscreenTarget& target, std::vector<uint8_t>& rgb);
