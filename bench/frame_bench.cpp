// Frame cost of the show: renders frames of each phase with the real drawing code in a real
// window and prints median and 95th-percentile wall and main-thread CPU milliseconds, and the
// median CPU time of all the process's threads (the renderer's own included), beside a bare
// frame (clear and swap) as the floor.
//
//   frame_bench [WIDTHxHEIGHT ...] [--frames N]     (default 1920x1080 800x800, 200 frames)
//   PP_BENCH_PLAIN=1 frame_bench ...                 (without the frame-cost measures)
//   frame_bench --paired ...                         (what the drawing shortcuts save)
//
// --paired draws every frame twice in a row from the same scene, once with the drawing
// shortcuts and once without, alternating which goes first, and prints the medians of the
// differences: on a shared machine whose speed drifts this shows a change that plain medians
// taken minutes apart would hide.
#include <GL/freeglut.h>
#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "anim/schedule.h"
#include "app/display.h"
#include "app/keys.h"
#include "image/bitmap.h"
#include "process/heap_tuning.h"
#include "render/frame.h"
#include "render/gl_setup.h"
#include "tests/support/show_scenes.h"

namespace {

double nowMs(clockid_t clock) {
    timespec ts;
    clock_gettime(clock, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

struct Phase {
    const char* name;
    int startMs;  // the show's time of the first frame; each frame is 10 ms later
    void (*prepare)();
};

// Instants inside each phase, from the show's schedule, and the finale frames drawn by then.
constexpr int buildingRoll = 11;  // the twelfth roll, half way through its turn
constexpr int finaleFrames = 1400;
constexpr int fadeFinaleFrames = 3800;
constexpr int64_t tick = stepTickMs;

const Phase phases[] = {
    {"building", static_cast<int>(scheduledMs(rollRow, buildingRoll) + 8 * tick),
     [] { sceneRolling(buildingRoll, 45.0f); }},
    {"spread", static_cast<int>(scheduledMs(spreadRow) + 5 * tick), [] { sceneSpread(0.05f); }},
    {"finale", static_cast<int>(scheduledMs(ballRow) + finaleFrames * tick),
     [] { sceneFinale(finaleFrames); }},
    {"fade", static_cast<int>(scheduledMs(ballRow) + fadeFinaleFrames * tick),
     [] { sceneFade(fadeFinaleFrames, 0.5f); }},
};

struct Stats {
    double wallMedian, wallP95, cpuMedian, cpuP95, allThreadsMedian;
};

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(p * (v.size() - 1) + 0.5)];
}

// The cost of one frame drawn by draw(i), swapped and finished.
struct FrameCost {
    double wall, cpu, allThreads;
};

template <typename Draw>
FrameCost timeFrame(int i, Draw draw) {
    const double w0 = nowMs(CLOCK_MONOTONIC), c0 = nowMs(CLOCK_THREAD_CPUTIME_ID),
                 p0 = nowMs(CLOCK_PROCESS_CPUTIME_ID);
    draw(i);
    glutSwapBuffers();
    glFinish();
    glutMainLoopEvent();
    return {nowMs(CLOCK_MONOTONIC) - w0, nowMs(CLOCK_THREAD_CPUTIME_ID) - c0,
            nowMs(CLOCK_PROCESS_CPUTIME_ID) - p0};
}

template <typename Draw>
Stats measure(int frames, Draw draw) {
    std::vector<double> wall, cpu, all;
    for (int i = 0; i < frames + 10; ++i) {
        const FrameCost cost = timeFrame(i, draw);
        if (i >= 10) {  // the first frames warm the driver's caches
            wall.push_back(cost.wall);
            cpu.push_back(cost.cpu);
            all.push_back(cost.allThreads);
        }
    }
    return {percentile(wall, 0.5), percentile(wall, 0.95), percentile(cpu, 0.5),
            percentile(cpu, 0.95), percentile(all, 0.5)};
}

// Medians of (with shortcuts - without) over pairs of frames drawn from the same scene.
struct Saving {
    double wall, allThreads, wallWithout;
};

Saving measurePaired(int frames, int startMs) {
    std::vector<double> wall, all, without;
    for (int i = 0; i < frames + 10; ++i) {
        FrameCost cost[2];
        const FinaleFrame finale = advanceFrame();  // both frames of the pair draw this scene
        for (int k = 0; k < 2; ++k) {
            const bool shortcuts = (k == (i & 1));
            pixelExactShortcuts = shortcuts;
            cost[shortcuts] =
                timeFrame(i, [startMs, finale](int n) { renderFrame(startMs + 10 * n, finale); });
        }
        pixelExactShortcuts = true;
        if (i >= 10) {
            wall.push_back(cost[1].wall - cost[0].wall);
            all.push_back(cost[1].allThreads - cost[0].allThreads);
            without.push_back(cost[0].wall);
        }
    }
    return {percentile(wall, 0.5), percentile(all, 0.5), percentile(without, 0.5)};
}

void onDisplayIgnored() {}

struct BenchOptions {
    std::vector<std::pair<int, int>> sizes;
    int frames = 200;
    bool paired = false;
};

// False with the usage on standard error.
bool readOptions(int argc, char** argv, BenchOptions& options) {
    for (int i = 1; i < argc; ++i) {
        int w = 0, h = 0;
        if (std::strcmp(argv[i], "--paired") == 0) {
            options.paired = true;
        } else if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
            options.frames = std::max(1, std::atoi(argv[++i]));
        } else if (std::sscanf(argv[i], "%dx%d", &w, &h) == 2 && w > 0 && h > 0) {
            options.sizes.push_back({w, h});
        } else {
            std::fprintf(stderr, "usage: %s [WIDTHxHEIGHT ...] [--frames N] [--paired]\n", argv[0]);
            return false;
        }
    }
    if (options.sizes.empty()) {
        options.sizes = {{1920, 1080}, {800, 800}};
    }
    return true;
}

// A window of the size with the show's GL set up and its texture loaded.
int openBenchWindow(const std::pair<int, int>& size) {
    glutInitWindowSize(size.first, size.second);
    glutInitWindowPosition(0, 0);
    const int window = glutCreateWindow("PP frame bench");
    glutDisplayFunc(onDisplayIgnored);
    for (int i = 0; i < 20; ++i) {
        glutMainLoopEvent();
    }
    initLightingAndDepth();
    BitmapImage image = {};
    loadBitmap(image);  // the show's texture when run beside skin.bmp
    uploadCubeTexture(image);
    releaseBitmap(image);
    onReshape(size.first, size.second);
    return window;
}

void printSavings(const char* label, int frames) {
    for (const Phase& phase : phases) {
        phase.prepare();
        const Saving saving = measurePaired(frames, phase.startMs);
        std::printf("%-10s %-9s %14.2f %16.2f %18.2f\n", label, phase.name, saving.wallWithout,
                    -saving.wall, -saving.allThreads);
    }
}

void printCosts(const char* label, int frames) {
    const Stats bare =
        measure(frames, [](int) { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); });
    std::printf("%-10s %-9s %8.2f %8.2f %8.2f %8.2f %8.2f %8s\n", label, "bare", bare.wallMedian,
                bare.wallP95, bare.cpuMedian, bare.cpuP95, bare.allThreadsMedian, "1.0");
    for (const Phase& phase : phases) {
        phase.prepare();
        const int start = phase.startMs;
        const Stats s = measure(frames, [start](int i) { showFrame(start + 10 * i); });
        std::printf("%-10s %-9s %8.2f %8.2f %8.2f %8.2f %8.2f %8.1f\n", label, phase.name,
                    s.wallMedian, s.wallP95, s.cpuMedian, s.cpuP95, s.allThreadsMedian,
                    s.wallMedian / bare.wallMedian);
    }
}

void runBench(const BenchOptions& options, int& argc, char** argv) {
    // PP_BENCH_PLAIN=1 measures the plain drawing steps under the C library's default heap
    // settings, as the show was drawn before its frame-cost work; otherwise the program's own.
    if (std::getenv("PP_BENCH_PLAIN") != nullptr) {
        pixelExactShortcuts = false;
    } else {
        keepFrameBuffersInHeap();
    }
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    if (options.paired) {
        std::printf("%-10s %-9s %14s %16s %18s\n", "size", "phase", "wall without",
                    "wall saved p50", "all-CPU saved p50");
    } else {
        std::printf("%-10s %-9s %8s %8s %8s %8s %8s %8s\n", "size", "phase", "wall p50", "wall p95",
                    "cpu p50", "cpu p95", "all p50", "x bare");
    }
    for (const auto& size : options.sizes) {
        const int window = openBenchWindow(size);
        char label[32];
        std::snprintf(label, sizeof label, "%dx%d", size.first, size.second);
        if (options.paired) {
            printSavings(label, options.frames);
        } else {
            printCosts(label, options.frames);
        }
        std::fflush(stdout);
        glutDestroyWindow(window);
    }
}

}  // namespace

int main(int argc, char** argv) {
    BenchOptions options;
    if (!readOptions(argc, argv, options)) {
        return 2;
    }
    runBench(options, argc, argv);
    return 0;
}
