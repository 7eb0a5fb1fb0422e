/* Preloaded into pp by the end-to-end test: every buffer swap waits for the next 1/60 s
 * boundary of the monotonic clock before it is done, as a swap held to a 60 Hz monitor's
 * refresh does. The show must keep its length on such a screen.
 *
 * When PP_HELD_SWAPS_FILE names a file, the number of swaps held is written there as the
 * process exits, so the test can tell that the library was in effect. A process that held no
 * swap writes nothing: the program's helper children (a fork for D-Bus at start) exit after it
 * and must not overwrite its count. */
#define _GNU_SOURCE
#include <GL/glx.h>
#include <dlfcn.h>
#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

typedef void (*SwapBuffersFn)(Display*, GLXDrawable);

static long heldSwaps = 0;

static void waitForNextRefresh(void) {
    struct timespec now;
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) {
        abort();
    }
    const int64_t second = 1000000000;
    const int64_t nowNs = (int64_t)now.tv_sec * second + now.tv_nsec;
    /* The next multiple of 1/60 s, exactly: refresh k starts at k * 10^9 / 60 ns. */
    const int64_t refresh = nowNs * 60 / second + 1;
    const int64_t nextNs = refresh * second / 60;
    struct timespec until;
    until.tv_sec = (time_t)(nextNs / second);
    until.tv_nsec = (long)(nextNs % second);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, NULL) == EINTR) {
    }
}

void glXSwapBuffers(Display* display, GLXDrawable drawable) {
    static SwapBuffersFn realSwap = NULL;
    if (realSwap == NULL) {
        realSwap = (SwapBuffersFn)dlsym(RTLD_NEXT, "glXSwapBuffers");
        if (realSwap == NULL) {
            abort(); /* no GL library under us: fail the run rather than show nothing */
        }
    }
    waitForNextRefresh();
    realSwap(display, drawable);
    heldSwaps += 1;
}

__attribute__((destructor)) static void writeHeldSwaps(void) {
    const char* path = getenv("PP_HELD_SWAPS_FILE");
    if (heldSwaps == 0 || path == NULL || path[0] == '\0') {
        return;
    }
    FILE* file = fopen(path, "w");
    if (file != NULL) {
        fprintf(file, "%ld\n", heldSwaps);
        fclose(file);
    }
}
