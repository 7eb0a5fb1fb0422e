// The frame the display callback draws, apart from display.cpp's GLUT calls, so that pp-render,
// which has no GLUT, draws its frames with the same code.
#include "app/display.h"
#include "render/frame.h"

FinaleFrame showFrame(int32_t elapsedMs) {
    const FinaleFrame finale = advanceFrame();
    renderFrame(elapsedMs, finale);
    return finale;
}
