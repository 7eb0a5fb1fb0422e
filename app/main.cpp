// PP: a self-running animation of a cube that rolls out a 3x3x3 block, spreads it apart and
// ends with a spinning ball over a rippling carpet, filmed by a scripted camera.
#include <GL/freeglut.h>

#include "anim/scene_state.h"
#include "anim/schedule.h"
#include "anim/steps.h"
#include "app/command_line.h"
#include "app/display.h"
#include "app/glut_timers.h"
#include "app/keys.h"
#include "app/sound.h"
#include "process/heap_tuning.h"
#include "process/standard_streams.h"
#include "render/gl_setup.h"

int main(int argc, char** argv) {
    openStandardDescriptors();
    const CommandLineAction action = readCommandLine(argc, argv);
    if (action != CommandLineAction::show) {
        return commandLineStatus(action);
    }
    keepFrameBuffersInHeap();
    startSoundTrack("bla_11.wav");
    seedPlacedCubes();

    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(800, 800);
    glutCreateWindow("PP");
    glutDisplayFunc(onDisplay);
    glutReshapeFunc(onReshape);
    glutKeyboardFunc(onKeyboard);

    stepHooks = StepHooks{armGlutPacedTimer, glutPostRedisplay, endProcess};
    layOutSchedule();

    initGraphics();
    glutMainLoop();
    return 0;
}
