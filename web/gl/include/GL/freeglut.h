// The GLUT calls the show's drawing and display code makes, as the web platform provides them
// (web/gl/): the two solids drawn as freeglut draws them, the elapsed time of the page's show,
// the buffer swap (the browser shows the frame when the frame's callback returns) and a request
// for full screen, which the browser grants only while it handles a click or a key.
#pragma once
#include <GL/gl.h>
#include <GL/glu.h>

#define GLUT_ELAPSED_TIME 0x02BC

void glutSolidSphere(GLdouble radius, GLint slices, GLint stacks);
void glutSolidCube(GLdouble size);
int glutGet(GLenum query);
void glutSwapBuffers();
void glutFullScreen();
