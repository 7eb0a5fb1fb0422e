// The whole show on the virtual clock, drawn by the program's own frame code into an offscreen
// target: frame counts and finale pacing, golden pictures, big pictures, a storm of input, and
// the pp-render program's output. Needs no X display: the context is EGL's, on Mesa's software
// renderer, whatever GPU the machine has, so the pictures match the goldens made there.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>

#include "anim/scene_state.h"
#include "anim/schedule.h"
#include "app/display.h"
#include "app/keys.h"
#include "image/bitmap.h"
#include "offline/offscreen_target.h"
#include "offline/render_context.h"
#include "offline/show_recording.h"
#include "render/frame.h"
#include "render/gl_setup.h"
#include "tests/offline/tool_support.h"
#include "timing/virtual_clock.h"

namespace {

bool defaultSkinLoaded = false;

class RenderToolEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        std::string error;
        ASSERT_EQ(openRenderContext(RenderDevice::software, error), ContextOpened::yes) << error;
        initLightingAndDepth();
        // The pictures show the skin the build makes for the show, as users see it.
        BitmapImage skin = {};
        std::FILE* file = std::fopen(PP_DEFAULT_SKIN, "rb");
        defaultSkinLoaded = file != nullptr && loadBitmapFromStream(skin, file);
        if (file != nullptr) {
            std::fclose(file);
        }
        uploadCubeTexture(skin);
        releaseBitmap(skin);
    }
    void TearDown() override {
        checkLeaksBeforeExit();
    }
};

const bool registered = [] {
    ::testing::AddGlobalTestEnvironment(new RenderToolEnvironment);
    return true;
}();

// An offscreen target for the length of a test.
struct TargetScope {
    TargetScope(int width, int height) {
        ok = createOffscreenTarget(target, width, height, error);
    }
    ~TargetScope() {
        destroyOffscreenTarget(target);
    }
    OffscreenTarget target;
    bool ok = false;
    std::string error;
};

void drawProgramFrame(void*, int32_t instantMs) {
    showFrame(instantMs);
}

// A clock wired as pp-render wires it, drawing every frame into the current target.
void startDrawnShow(VirtualClock& clock, int width, int height) {
    onReshape(width, height);
    clock.runFrame = drawProgramFrame;
    clock.deliverKey = onKeyboard;
    clock.deliverReshape = onReshape;
    startVirtualShow(clock);
}

struct Captured {
    std::vector<int64_t> times;
    std::map<int64_t, std::vector<uint8_t>> pictures;
};

bool capture(void* context, int64_t timeMs, const std::vector<uint8_t>& rgb) {
    auto& c = *static_cast<Captured*>(context);
    c.times.push_back(timeMs);
    c.pictures[timeMs] = rgb;
    return true;
}

std::string goldenName(int64_t ms) {
    char name[32];
    std::snprintf(name, sizeof name, "show-%05lld", static_cast<long long>(ms));
    return name;
}

}  // namespace

TEST(ShowOnVirtualClock, AdvancesTheFinaleOncePerFrameThroughTheEnd) {
    TargetScope scope(64, 48);
    ASSERT_TRUE(scope.ok) << scope.error;
    VirtualClock clock;
    startDrawnShow(clock, 1, 1);  // a one-pixel window: every frame fully drawn, cheaply

    constexpr int64_t tick = stepTickMs;
    const int64_t ball = scheduledMs(ballRow);
    // Finale frames drawn by the frame at instant t: one a tick from the ball's start on.
    const auto finaleFramesAt = [ball](int64_t t) {
        return static_cast<float>((t - ball) / tick + 1);
    };
    runVirtualShowUntil(clock, ball - tick);
    EXPECT_EQ(scene.ballFrame, 0.0f);
    EXPECT_EQ(scene.spinAngle, 0.0f);
    runVirtualShowUntil(clock, ball);  // the ball starts before the instant's frame
    EXPECT_EQ(scene.ballFrame, 1.0f);
    EXPECT_EQ(scene.spinAngle, 1.0f);
    EXPECT_EQ(scene.ripplePhase, 0.1f);
    runVirtualShowUntil(clock, ball + 359 * tick);  // 360 finale frames: the spin is at its top...
    EXPECT_EQ(scene.spinAngle, 360.0f);
    runVirtualShowUntil(clock, ball + 360 * tick);  // ...and starts again
    EXPECT_EQ(scene.spinAngle, 0.0f);

    // The second redraw chain adds no frames here, so the pace stays one a tick.
    const int64_t second = scheduledMs(secondRedrawRow);
    runVirtualShowUntil(clock, second);
    EXPECT_EQ(scene.ballFrame, finaleFramesAt(second));
    runVirtualShowUntil(clock, scheduledMs(fadeRow));
    EXPECT_EQ(scene.ballFrame, finaleFramesAt(scheduledMs(fadeRow)));

    EXPECT_TRUE(runVirtualShowToEnd(clock));
    EXPECT_EQ(clock.endMs, showEndMs);
    EXPECT_EQ(clock.endStatus, 0);
    EXPECT_EQ(clock.framesDrawn, showEndMs / tick + 1);
    const float finaleFrames = finaleFramesAt(showEndMs);
    EXPECT_EQ(scene.ballFrame, finaleFrames);
    EXPECT_EQ(scene.spinAngle, static_cast<float>(static_cast<int>(finaleFrames) % 361));
    stopVirtualShow(clock);
}

TEST(ShowOnVirtualClock, AStormOfKeysAndWindowSizesLeavesTheEndWhereItWas) {
    TargetScope scope(64, 48);
    ASSERT_TRUE(scope.ok) << scope.error;
    VirtualClock clock;
    startDrawnShow(clock, 1, 1);

    std::mt19937 random(20240611);
    std::uniform_int_distribution<int64_t> instant(0, showEndMs);
    const int sizes[][2] = {{1, 1}, {64, 0}, {0, 0}, {1, 48}, {4096, 4096}, {0, 48}, {3, 2}};
    std::set<int64_t> frameInstants;
    for (int64_t t = 0; t <= showEndMs; t += stepTickMs) {
        frameInstants.insert(t);
    }
    // Every key code but Escape's, in order, then keys and sizes at random; each asks for a frame.
    for (int i = 0; i < 4000; ++i) {
        const int64_t at = instant(random);
        const int code = i < 256 ? i : static_cast<int>(random() % 256);
        if (code == 27 || (i >= 256 && i % 4 == 0)) {
            const auto& size = sizes[random() % (sizeof sizes / sizeof sizes[0])];
            ASSERT_TRUE(injectWindowSize(clock, at, size[0], size[1]));
        } else {
            ASSERT_TRUE(injectKey(clock, at, static_cast<unsigned char>(code)));
        }
        frameInstants.insert(at);
    }

    EXPECT_TRUE(runVirtualShowToEnd(clock));
    EXPECT_EQ(clock.endMs, showEndMs);
    EXPECT_EQ(clock.endStatus, 0);
    EXPECT_EQ(clock.framesDrawn, static_cast<int64_t>(frameInstants.size()));
    EXPECT_EQ(scene.pathStep, 26);
    EXPECT_EQ(placedCubes.size(), 28u);
    EXPECT_EQ(scene.spread, 0.3f);
    // The finale counts frames, and the events' extra frames count too.
    const auto finaleFrames =
        std::distance(frameInstants.lower_bound(scheduledMs(ballRow)), frameInstants.end());
    EXPECT_EQ(scene.ballFrame, static_cast<float>(finaleFrames));
    stopVirtualShow(clock);
}

// Draws each frame of the show with the drawing shortcuts; every fourth one is drawn first with
// them off, from the same scene, and both pictures are compared pixel by pixel.
struct BothWays {
    const OffscreenTarget* target;
    int64_t framesCompared = 0;
    int64_t framesDiffering = 0;
    int64_t firstDifferingMs = -1;
    int64_t framesSeen = 0;
};

void drawBothWays(void* context, int32_t instantMs) {
    auto& b = *static_cast<BothWays*>(context);
    const FinaleFrame finale = advanceFrame();
    if (b.framesSeen++ % 4 != 0) {
        renderFrame(instantMs, finale);
        return;
    }
    pixelExactShortcuts = false;
    renderFrame(instantMs, finale);
    pixelExactShortcuts = true;
    std::vector<uint8_t> plain;
    readOffscreenPixels(*b.target, plain);
    renderFrame(instantMs, finale);
    std::vector<uint8_t> fast;
    readOffscreenPixels(*b.target, fast);
    ++b.framesCompared;
    if (plain != fast) {
        if (b.firstDifferingMs < 0) {
            b.firstDifferingMs = instantMs;
        }
        ++b.framesDiffering;
    }
}

TEST(ShowOnVirtualClock, EveryFrameIsTheSameWithTheDrawingShortcutsOff) {
    TargetScope scope(320, 180);
    ASSERT_TRUE(scope.ok) << scope.error;
    BothWays both{&scope.target};
    VirtualClock clock;
    startDrawnShow(clock, 320, 180);
    clock.runFrame = drawBothWays;
    clock.frameContext = &both;
    EXPECT_TRUE(runVirtualShowToEnd(clock));
    stopVirtualShow(clock);
    pixelExactShortcuts = true;
    EXPECT_EQ(both.framesCompared, (showEndMs / stepTickMs + 1) / 4);
    EXPECT_EQ(both.framesDiffering, 0) << "first at " << both.firstDifferingMs << " ms";
}

TEST(Recording, DrawingOnlyTheShownFramesGivesTheSamePicturesAsDrawingEveryFrame) {
    TargetScope scope(96, 72);
    ASSERT_TRUE(scope.ok) << scope.error;
    // Across the ball's start, at 7 pictures a second: output times fall between frames.
    RecordingPlan plan;
    plan.fromMs = 26000;
    plan.toMs = 27500;
    plan.fps = 7;
    Captured fast;
    const RecordingResult fastResult = recordShow(scope.target, plan, capture, &fast);
    plan.drawEveryFrame = true;
    Captured full;
    const RecordingResult fullResult = recordShow(scope.target, plan, capture, &full);

    const std::vector<int64_t> expectedTimes = {26000, 26142, 26285, 26428, 26571, 26714,
                                                26857, 27000, 27142, 27285, 27428};
    EXPECT_EQ(fast.times, expectedTimes);
    EXPECT_EQ(full.times, expectedTimes);
    EXPECT_EQ(fastResult.framesDrawn, fullResult.framesDrawn);
    EXPECT_EQ(fastResult.framesDrawn, 2743);  // 0 to 27420, the last frame before 27428
    for (const int64_t t : expectedTimes) {
        EXPECT_TRUE(fast.pictures[t] == full.pictures[t]) << "picture at " << t << " ms";
    }
    EXPECT_FALSE(fast.pictures[26571] == fast.pictures[26714]) << "the finale should move";
}

TEST(Recording, MatchesTheGoldenPicturesAndStopsAtTheShowsEnd) {
    if (!defaultSkinLoaded) {
        GTEST_SKIP() << "the golden pictures use the build's skin, " PP_DEFAULT_SKIN;
    }
    TargetScope scope(320, 240);
    ASSERT_TRUE(scope.ok) << scope.error;
    RecordingPlan plan;
    plan.fps = 1;  // 0, 1000, ..., 70000: the goldens' instants are among them
    Captured shots;
    const RecordingResult result = recordShow(scope.target, plan, capture, &shots);
    EXPECT_TRUE(result.showEnded);
    EXPECT_EQ(result.showEndMs, showEndMs);
    EXPECT_EQ(result.framesDrawn, showEndMs / stepTickMs + 1);
    EXPECT_EQ(result.pictures, 71);

    for (const int64_t ms : {2000, 10000, 22000, 40000, 65000}) {
        const std::string name = goldenName(ms);
        Picture golden;
        ASSERT_TRUE(readPngFile(std::string(PP_GOLDEN_DIR) + "/" + name + ".png", golden))
            << name << ".png is missing: scripts/make-goldens renders the golden pictures";
        const Picture actual = Picture{320, 240, shots.pictures[ms]};
        ASSERT_EQ(golden.width, 320);
        ASSERT_EQ(golden.height, 240);
        // llvmpipe draws the same way every time; a little room for another Mesa's rounding.
        const PictureDifference d = comparePictures(golden, actual, 4);
        if (d.differingPixels > 30) {
            const std::filesystem::path folder = std::filesystem::current_path() / "golden-results";
            std::filesystem::create_directories(folder);
            const std::string base = (folder / name).string();
            writePngFile(base + "-actual.png", actual);
            writePngFile(base + "-diff.png", d.map);
            ADD_FAILURE() << name << ": " << d.differingPixels
                          << " pixels differ (largest channel difference "
                          << d.largestChannelDifference << "); see " << base << "-actual.png and "
                          << base << "-diff.png";
        }
    }
}

TEST(Recording, DrawsPicturesLargerThanTheScreen) {
    // Xvfb's screen is 1920x1080 in the test set-up; the framebuffer does not care.
    std::vector<uint8_t> pictures[2];
    for (int i = 0; i < 2; ++i) {
        TargetScope scope(i == 0 ? 2560 : 320, i == 0 ? 1600 : 200);
        ASSERT_TRUE(scope.ok) << scope.error;
        RecordingPlan plan;
        plan.fromMs = 2000;  // close to the first cube, which fills most of the view
        plan.toMs = 2000;
        Captured shot;
        ASSERT_EQ(recordShow(scope.target, plan, capture, &shot).pictures, 1);
        pictures[i] = shot.pictures[2000];
    }
    // Shrunk eightfold, the big picture is the small one, past the screen's edges too.
    double difference = 0.0;
    double brightness = 0.0;
    int samples = 0;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 320; ++x) {
            if (x < 240 && y < 135) {
                continue;  // on the screen
            }
            for (int c = 0; c < 3; ++c, ++samples) {
                int sum = 0;
                for (int d = 0; d < 64; ++d) {
                    sum += pictures[0][((y * 8 + d / 8) * 2560 + x * 8 + d % 8) * 3 + c];
                }
                difference += std::abs(sum / 64.0 - pictures[1][(y * 320 + x) * 3 + c]);
                brightness += sum / 64.0;
            }
        }
    }
    EXPECT_LT(difference / samples, 4.0);
    EXPECT_GT(brightness / samples, 5.0) << "the cube should reach past the screen";
}

TEST(Recording, RefusesTargetsBeyondTheRenderer) {
    OffscreenTarget target;
    std::string error;
    EXPECT_FALSE(createOffscreenTarget(target, 100000, 16, error));
    EXPECT_NE(error.find("up to"), std::string::npos) << error;
}

TEST(RenderProgram, StreamsY4mFramesToStandardOutput) {
    // An odd size: the chroma planes round up.
    const ToolRun run =
        runTool({"--y4m", "--fps", "10", "--to", "1000", "--size", "33x17", "-o", "-"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const std::string header = "YUV4MPEG2 W33 H17 F10:1 Ip A1:1 C420jpeg\n";
    ASSERT_EQ(run.out.compare(0, header.size(), header), 0);
    const std::size_t frameBytes = 6 + 33 * 17 + 2 * (17 * 9);
    ASSERT_EQ(run.out.size(), header.size() + 11 * frameBytes);
    for (std::size_t i = 0; i < 11; ++i) {
        EXPECT_EQ(run.out.compare(header.size() + i * frameBytes, 6, "FRAME\n"), 0) << i;
    }
    EXPECT_NE(run.err.find("11 frames of 33x17"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(", drawn by " + renderContextName() + "\n"), std::string::npos)
        << run.err;
}

TEST(RenderProgram, WritesATexturedPictureAndRefusesInstantsPastTheEnd) {
    const std::string plain = "pp-render-test-plain.png";
    const std::string skinned = "pp-render-test-skinned.png";
    const ToolRun a = runTool({"--at", "22000", "--size", "64x48", "--quiet", "-o", plain});
    const ToolRun b =
        runTool({"--at", "22000", "--size", "64x48", "--texture", PP_DEFAULT_SKIN, "-o", skinned});
    ASSERT_EQ(a.exitStatus, 0) << a.err;
    ASSERT_EQ(b.exitStatus, 0) << b.err;
    Picture pictures[2];
    ASSERT_TRUE(readPngFile(plain, pictures[0]) && readPngFile(skinned, pictures[1]));
    EXPECT_EQ(pictures[1].width * 100 + pictures[1].height, 64 * 100 + 48);
    EXPECT_GT(comparePictures(pictures[0], pictures[1], 4).differingPixels, 100);
    std::remove(plain.c_str());
    std::remove(skinned.c_str());

    // The last frame is the show's end; an instant after it is a bad argument.
    const ToolRun last =
        runTool({"--at", std::to_string(showEndMs), "--size", "16x16", "--quiet", "-o", plain});
    EXPECT_EQ(last.exitStatus, 0) << last.err;
    std::remove(plain.c_str());
    const std::string afterEnd = std::to_string(showEndMs + stepTickMs);
    const ToolRun late = runTool({"--at", afterEnd, "--size", "16x16", "-o", plain});
    EXPECT_EQ(late.exitStatus, 2);
    EXPECT_NE(late.err.find("the show ends at " + std::to_string(showEndMs) + " ms"),
              std::string::npos)
        << late.err;
    Picture none;
    EXPECT_FALSE(readPngFile(plain, none)) << "no picture is written for a failed request";
}

// No X display is needed: with DISPLAY unset, Mesa's software renderer draws the golden picture
// of 40 s, pixel for pixel, as it draws it in the process above.
TEST(RenderProgram, DrawsTheGoldenPictureWithoutAnXDisplay) {
    if (!defaultSkinLoaded) {
        GTEST_SKIP() << "the golden pictures use the build's skin, " PP_DEFAULT_SKIN;
    }
    const std::string shot = "pp-render-test-no-display.png";
    const ToolRun run = runShell(
        "env -u DISPLAY " + toolCommand({"--at", "40000", "--size", "320x240", "--texture",
                                         PP_DEFAULT_SKIN, "--device", "software", "-o", shot}));
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    Picture golden;
    Picture drawn;
    ASSERT_TRUE(readPngFile(std::string(PP_GOLDEN_DIR) + "/" + goldenName(40000) + ".png", golden));
    ASSERT_TRUE(readPngFile(shot, drawn));
    EXPECT_EQ(drawn.width * 1000 + drawn.height, golden.width * 1000 + golden.height);
    EXPECT_TRUE(drawn.rgb == golden.rgb)
        << comparePictures(golden, drawn, 0).differingPixels << " pixels differ";
    std::remove(shot.c_str());
}
