// The web platform's fixed-function GL: what the platform calls besides the GL, GLU and GLUT
// functions of <GL/gl.h>, <GL/glu.h> and <GL/freeglut.h> in include/.
#pragma once

// Opens WebGL 2 on the canvas the CSS selector names and sets GL's initial state; `keepPicture`
// keeps what was drawn readable after the browser shows it. False without WebGL 2.
bool openGlLayer(const char* canvasSelector, bool keepPicture);

// After the browser gave back the context it took away: the program, buffers and textures are
// made again (the textures from the bytes the layer kept) and GL's state is as it was; display
// lists are the layer's own and outlive the context. False when the context is lost still.
bool restoreGlLayer();
// The drawing buffer's size as the browser made it, which can be less than the canvas asked for.
void glLayerDrawingBufferSize(int* width, int* height);

// GLUT_ELAPSED_TIME counts from now: the web show's clock starts with the show.
void restartGlutClock();
// While paused, GLUT_ELAPSED_TIME stands still; resumed, it goes on from where it stood.
void pauseGlutClock();
void resumeGlutClock();
