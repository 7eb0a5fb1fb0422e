// Where pp-render's time goes when it writes the whole show as a Y4M stream.
//
//   recording_bench [WIDTHxHEIGHT] [--fps N] [--texture FILE]   (default: pp-render's picture
//   size and rate, skin.bmp)
//
// Records the show as pp-render --y4m does, into /dev/null, and splits each written frame's
// time into: stepping the show and drawing the frame (everything before the picture reaches the
// sink, less the read-back), the read-back from the GL target, the RGB to Y'CbCr conversion and
// the write. The read-back is timed apart, on the last frame, since it runs inside the
// recording. Prints figures; asserts nothing.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "offline/offscreen_target.h"
#include "offline/render_context.h"
#include "offline/render_defaults.h"
#include "offline/show_recording.h"
#include "offline/y4m_stream.h"
#include "render/gl_setup.h"

namespace {

double nowMs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Sink {
    std::FILE* out = nullptr;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> frame;
    double lastReturnMs = 0;
    double beforeSinkMs = 0;  // stepping, drawing and read-back
    double convertMs = 0;
    double writeMs = 0;
    long pictures = 0;
};

bool writeFrame(void* context, int64_t, const std::vector<uint8_t>& rgb) {
    auto& s = *static_cast<Sink*>(context);
    const double start = nowMs();
    s.beforeSinkMs += start - s.lastReturnMs;
    s.frame.clear();
    appendY4mFrame(rgb.data(), s.width, s.height, s.frame);
    const double converted = nowMs();
    std::fwrite(s.frame.data(), 1, s.frame.size(), s.out);
    s.lastReturnMs = nowMs();
    s.convertMs += converted - start;
    s.writeMs += s.lastReturnMs - converted;
    s.pictures += 1;
    return true;
}

struct BenchOptions {
    int width = defaultPictureWidth;
    int height = defaultPictureHeight;
    int fps = defaultFps;
    const char* texture = "skin.bmp";
};

// False with the usage on standard error.
bool readOptions(int argc, char** argv, BenchOptions& options) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--fps") == 0 && i + 1 < argc) {
            options.fps = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--texture") == 0 && i + 1 < argc) {
            options.texture = argv[++i];
        } else if (std::sscanf(argv[i], "%dx%d", &options.width, &options.height) != 2) {
            std::fprintf(stderr,
                         "usage: recording_bench [WIDTHxHEIGHT] [--fps N] [--texture FILE]\n");
            return false;
        }
    }
    return true;
}

// The show's GL set up in the target, with the texture when it can be read.
void prepareShow(const char* texture) {
    initLightingAndDepth();
    BitmapImage image = {};
    if (std::FILE* f = std::fopen(texture, "rb")) {
        loadBitmapFromStream(image, f);
        std::fclose(f);
    }
    uploadCubeTexture(image);
    releaseBitmap(image);
}

// The time of one read-back of the target's pixels, in ms.
double readBackMs(const OffscreenTarget& target) {
    std::vector<uint8_t> rgb;
    const int readBacks = 50;
    const double readStart = nowMs();
    for (int i = 0; i < readBacks; ++i) {
        readOffscreenPixels(target, rgb);
    }
    return (nowMs() - readStart) / readBacks;
}

void runBench(const BenchOptions& options, const OffscreenTarget& target) {
    const int width = options.width;
    const int height = options.height;
    const int fps = options.fps;
    prepareShow(options.texture);
    Sink sink;
    sink.out = std::fopen("/dev/null", "wb");
    sink.width = width;
    sink.height = height;
    RecordingPlan plan;
    plan.fps = fps;
    const double start = nowMs();
    sink.lastReturnMs = start;
    const RecordingResult result = recordShow(target, plan, writeFrame, &sink);
    const double total = nowMs() - start;

    const double readEach = readBackMs(target);
    const double n = static_cast<double>(sink.pictures);
    std::printf(
        "whole show %dx%d at %d fps on %s: %ld pictures of %lld frames in %.1f s (%.1f "
        "pictures/s)\n",
        width, height, fps, renderContextName().c_str(), sink.pictures,
        static_cast<long long>(result.framesDrawn), total / 1e3, n / (total / 1e3));
    std::printf(
        "per written frame, ms: step+draw %.2f, read-back %.2f, convert %.2f, write %.2f, "
        "total %.2f\n",
        sink.beforeSinkMs / n - readEach, readEach, sink.convertMs / n, sink.writeMs / n,
        total / n);
    std::fclose(sink.out);
}

}  // namespace

int main(int argc, char** argv) {
    BenchOptions options;
    if (!readOptions(argc, argv, options)) {
        return 2;
    }
    std::string error;
    OffscreenTarget target;
    if (openRenderContext(RenderDevice::automatic, error) != ContextOpened::yes ||
        !createOffscreenTarget(target, options.width, options.height, error)) {
        std::fprintf(stderr, "recording_bench: %s\n", error.c_str());
        return 1;
    }
    runBench(options, target);
    destroyOffscreenTarget(target);
    return 0;
}
