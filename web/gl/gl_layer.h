// The web platform's fixed-function GL: what the platform calls besides the GL, GLU and GLUT
// functions of <GL/gl.h>, <GL/glu.h> and <GL/freeglut.h> in include/.
#pragma once

// Opens WebGL 2 on the canvas the CSS selector names and sets GL's initial state; `keepPicture`
// keeps what was drawn readable after the browser shows it. False without WebGL 2.
bool openGlLayer(const char* canvasSelector, bool keepPicture);

// GLUT_ELAPSED_TIME counts from now: the web show's clock starts with the show.
void restartGlutClock();
