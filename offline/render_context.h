// pp-render's OpenGL context: a compatibility-profile context from EGL, current without any
// surface, so nothing of a window system is needed: no X display, no GLUT. It draws into the
// framebuffer objects of offline/offscreen_target.h.
#pragma once
#include <string>

// Which renderer draws: the first GPU among EGL's devices that gives a compatibility context,
// else Mesa's software renderer (automatic); only the second (software); only the first (gpu).
enum class RenderDevice { automatic, software, gpu };

enum class ContextOpened {
    yes,
    noGpu,   // --device gpu, and no GPU among EGL's devices gave a context: a bad request
    failed,  // no device could give a context, or it offers no framebuffer objects
};

// Opens the context every later call uses on the device asked for, and tunes the process's
// memory allocator for the software renderer's per-frame buffers. Once per process. Anything
// but yes comes with the reason, which says what was tried.
ContextOpened openRenderContext(RenderDevice device, std::string& error);
// The open context's renderer as GL names it (GL_RENDERER), for the run's summary.
std::string renderContextName();

// In a build with the leak sanitizer, checks for leaks now; elsewhere does nothing. Call it when
// the drawing is done. Mesa unloads its driver at exit, before the sanitizer's own check: what
// the driver still holds would be reported as lost, from a library left without a name to
// suppress it by.
void checkLeaksBeforeExit();
