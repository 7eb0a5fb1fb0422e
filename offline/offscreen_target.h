// Where pp-render draws, in the context of offline/render_context.h: a framebuffer object with
// colour and depth renderbuffers of the picture's size, so pictures may be of any size the
// renderer offers.
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

// Creates the buffers and makes them the draw and read target. False with the reason when the
// size is beyond what the renderer offers or the framebuffer is incomplete.
bool createOffscreenTarget(OffscreenTarget& target, int width, int height, std::string& error);
// Deletes the buffers; the context then has nothing to draw into.
void destroyOffscreenTarget(OffscreenTarget& target);

// The target's pixels as RGB bytes, top row first (as pictures store them).
void readOffscreenPixels(const OffscreenTarget& target, std::vector<uint8_t>& rgb);
