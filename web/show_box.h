// Where the show's picture goes in a browser window of any shape and pixel density: the largest
// box of the show's 1.4 aspect that fits the window, centred on black, and the drawing buffer
// behind it. Pure arithmetic, written by the page (web/main.cpp) and tested natively.
#pragma once
#include <cstdint>

// Device pixels per CSS pixel are capped at 2: beyond that the picture gains nothing a viewer
// sees and the frame costs more than twice as much.
constexpr double maxShowPixelRatio = 2.0;
// The most pixels a drawing buffer may have: 4096 x 4096, the largest canvas iOS draws.
constexpr int64_t maxShowBufferPixels = 4096LL * 4096LL;

struct ShowBox {
    double cssWidth = 0.0;  // the canvas on the page, in CSS pixels
    double cssHeight = 0.0;
    int bufferWidth = 0;  // the drawing buffer to ask for, in device pixels
    int bufferHeight = 0;
};

// The box for a window of the given CSS size at the browser's device pixel ratio: the width
// over the height is the show's aspect, the buffer has the box's device pixels (the ratio
// capped) and no more than maxShowBufferPixels, at the box's aspect.
ShowBox fitShowBox(double windowCssWidth, double windowCssHeight, double devicePixelRatio);

// The largest buffer of the show's aspect within one the browser gave (browsers give less than
// was asked when a canvas is too large for them), so that the picture is never clipped.
void fitShowBuffer(int givenWidth, int givenHeight, int* width, int* height);
