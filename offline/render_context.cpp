#include "offline/render_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "process/heap_tuning.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// Whether a space-separated list of names (an extension string) holds the name as a word.
bool listHas(const char* list, const char* name) {
    return list != nullptr &&
           (" " + std::string(list) + " ").find(" " + std::string(name) + " ") != std::string::npos;
}

template <typename Function>
Function eglFunction(const char* name) {
    return reinterpret_cast<Function>(eglGetProcAddress(name));
}

// Whether the current context draws the fixed-function pipeline: any context before 3.2, and a
// later one with the compatibility profile.
bool currentContextIsCompatible() {
    GLint major = 0;
    GLint minor = 0;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (version == nullptr || std::sscanf(version, "%d.%d", &major, &minor) != 2) {
        return false;
    }
    if (major < 3 || (major == 3 && minor < 2)) {
        return true;
    }
    GLint profile = 0;
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    return (profile & GL_CONTEXT_COMPATIBILITY_PROFILE_BIT) != 0;
}

// Initialises the display and makes a compatibility context of it current with no surface (the
// drawing goes into framebuffer objects). False, the display given back, when it cannot.
bool makeContextCurrent(EGLDisplay display) {
    if (display == EGL_NO_DISPLAY || eglInitialize(display, nullptr, nullptr) != EGL_TRUE) {
        return false;
    }
    const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
    EGLContext context = EGL_NO_CONTEXT;
    if (listHas(extensions, "EGL_KHR_no_config_context") &&
        listHas(extensions, "EGL_KHR_surfaceless_context") && eglBindAPI(EGL_OPENGL_API)) {
        // No version asked: the context is the highest one that keeps the fixed functions.
        context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, nullptr);
    }
    if (context != EGL_NO_CONTEXT &&
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context) == EGL_TRUE) {
        if (currentContextIsCompatible()) {
            return true;
        }
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }
    if (context != EGL_NO_CONTEXT) {
        eglDestroyContext(display, context);
    }
    eglTerminate(display);
    return false;
}

// The first GPU among EGL's devices (any device but Mesa's software one) that gives a
// compatibility context, made current. False with what was found.
bool openGpuContext(const char* clientExtensions, std::string& found) {
    if (!listHas(clientExtensions, "EGL_EXT_device_enumeration") ||
        !listHas(clientExtensions, "EGL_EXT_platform_device")) {
        found = "EGL enumerates no devices here";
        return false;
    }
    const auto queryDevices = eglFunction<PFNEGLQUERYDEVICESEXTPROC>("eglQueryDevicesEXT");
    const auto queryDeviceString =
        eglFunction<PFNEGLQUERYDEVICESTRINGEXTPROC>("eglQueryDeviceStringEXT");
    const auto platformDisplay =
        eglFunction<PFNEGLGETPLATFORMDISPLAYEXTPROC>("eglGetPlatformDisplayEXT");
    EGLDeviceEXT devices[16];
    EGLint count = 0;
    if (queryDevices == nullptr || queryDeviceString == nullptr || platformDisplay == nullptr ||
        queryDevices(16, devices, &count) != EGL_TRUE) {
        found = "EGL enumerates no devices here";
        return false;
    }
    int gpus = 0;
    for (EGLint i = 0; i < count; ++i) {
        if (listHas(queryDeviceString(devices[i], EGL_EXTENSIONS), "EGL_MESA_device_software")) {
            continue;
        }
        gpus += 1;
        if (makeContextCurrent(platformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr))) {
            return true;
        }
    }
    found = gpus == 0 ? "no GPU among EGL's " + std::to_string(count) + " device(s)"
                      : "none of EGL's " + std::to_string(gpus) +
                            " GPU(s) gave an OpenGL compatibility context";
    return false;
}

// Mesa's software renderer (llvmpipe) on its surfaceless platform, made current. Mesa takes a
// GPU's render node for this platform where one is open to it, so the software renderer is
// asked for by name, for this process only.
bool openSoftwareContext(const char* clientExtensions, std::string& found) {
    const auto platformDisplay =
        eglFunction<PFNEGLGETPLATFORMDISPLAYEXTPROC>("eglGetPlatformDisplayEXT");
    if (!listHas(clientExtensions, "EGL_MESA_platform_surfaceless") || platformDisplay == nullptr) {
        found = "EGL offers no Mesa surfaceless platform (is Mesa's libegl1-mesa installed?)";
        return false;
    }
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    if (!makeContextCurrent(
            platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr))) {
        found = "Mesa's surfaceless platform gave no OpenGL compatibility context";
        return false;
    }
    return true;
}

}  // namespace

ContextOpened openRenderContext(RenderDevice device, std::string& error) {
    keepFrameBuffersInHeap();
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    std::string gpu;
    std::string software;
    const bool opened =
        (device != RenderDevice::software && openGpuContext(clientExtensions, gpu)) ||
        (device != RenderDevice::gpu && openSoftwareContext(clientExtensions, software));
    if (!opened) {
        if (device == RenderDevice::gpu) {
            error = "--device gpu: " + gpu + "; --device software draws on the processor";
            return ContextOpened::noGpu;
        }
        error = "no EGL device could give an OpenGL compatibility context: " +
                (device == RenderDevice::automatic ? gpu + "; " : std::string()) + software;
        return ContextOpened::failed;
    }
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!listHas(extensions, "GL_ARB_framebuffer_object")) {
        error = "the OpenGL renderer (" + renderContextName() +
                ") offers no framebuffer objects (GL_ARB_framebuffer_object)";
        return ContextOpened::failed;
    }
    return ContextOpened::yes;
}

std::string renderContextName() {
    const char* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return name != nullptr ? name : "unknown";
}

void checkLeaksBeforeExit() {
#if defined(__SANITIZE_ADDRESS__)
    __lsan_do_leak_check();
#endif
}
