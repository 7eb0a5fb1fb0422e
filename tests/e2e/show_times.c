/* Preloaded into pp by the end-to-end test: notes when the show starts and when the process
 * ends, on the monotonic clock, so the test can check the show's own length. The show starts
 * when its timer schedule is laid out, which arms the first GLUT timer; what comes before (the
 * libraries loading, the X connection, the sound device) is start-up, whose length is the
 * machine's, not the show's.
 *
 * PP_SHOW_TIMES_FILE names the file that gets "START_NS END_NS" as the process exits. A
 * process that armed no timer writes nothing (the program's helper children exit after it). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

typedef void (*TimerFunc)(unsigned int, void (*)(int), int);

static int64_t showStartNs = -1;

static int64_t monotonicNs(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
}

void glutTimerFunc(unsigned int delayMs, void (*callback)(int), int value) {
    static TimerFunc realTimerFunc = NULL;
    if (realTimerFunc == NULL) {
        realTimerFunc = (TimerFunc)dlsym(RTLD_NEXT, "glutTimerFunc");
        if (realTimerFunc == NULL) {
            abort(); /* no GLUT under us: fail the run rather than time nothing */
        }
    }
    if (showStartNs < 0) {
        showStartNs = monotonicNs();
    }
    realTimerFunc(delayMs, callback, value);
}

__attribute__((destructor)) static void writeShowTimes(void) {
    const char* path = getenv("PP_SHOW_TIMES_FILE");
    if (showStartNs < 0 || path == NULL || path[0] == '\0') {
        return;
    }
    FILE* file = fopen(path, "w");
    if (file != NULL) {
        fprintf(file, "%lld %lld\n", (long long)showStartNs, (long long)monotonicNs());
        fclose(file);
    }
}
