// How the pp-render program answers requests it cannot carry out; none of these draws: each runs
// where EGL offers no device, so a request that is accepted stops at the GL context.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "anim/schedule.h"
#include "tests/offline/tool_support.h"

TEST(RenderCommandLine, HelpAndBadArguments) {
    const ToolRun help = runTool({"--help"}, false);
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(help.out.rfind("Usage: pp-render", 0), 0u);
    for (const char* form : {"-o VIDEO.mp4", "pp-render --at MS", "pp-render --y4m"}) {
        EXPECT_NE(help.out.find(form), std::string::npos) << form;
    }

    const ToolRun bad = runTool({"--at", "abc", "-o", "x.png"}, false);
    EXPECT_EQ(bad.exitStatus, 2);
    EXPECT_EQ(bad.err.rfind("pp-render: --at wants milliseconds", 0), 0u) << bad.err;
    EXPECT_NE(bad.err.find("--help"), std::string::npos) << bad.err;
}

TEST(RenderCommandLine, VersionAndAMissingRendererAreOneLineEach) {
    const ToolRun version = runTool({"--version"}, false);
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.out.rfind("pp-render ", 0), 0u) << version.out;
    EXPECT_EQ(std::count(version.out.begin(), version.out.end(), '\n'), 1) << version.out;
    EXPECT_TRUE(version.err.empty()) << version.err;

    // No EGL device at all: the tool's own line, saying what it tried.
    const ToolRun none = runTool({"--at", "0", "--quiet", "-o", "pp-render-test-none.png"}, false);
    EXPECT_EQ(none.exitStatus, 1);
    EXPECT_EQ(none.err.rfind("pp-render: no EGL device could give an OpenGL compatibility "
                             "context: ",
                             0),
              0u)
        << none.err;
    EXPECT_EQ(std::count(none.err.begin(), none.err.end(), '\n'), 1) << none.err;

    // A GPU asked for where there is none is a bad request; so is a device of no such kind.
    const ToolRun gpu =
        runTool({"--device", "gpu", "--at", "0", "--quiet", "-o", "pp-render-test-gpu.png"}, false);
    EXPECT_EQ(gpu.exitStatus, 2);
    EXPECT_EQ(gpu.err.rfind("pp-render: --device gpu: ", 0), 0u) << gpu.err;
    EXPECT_NE(gpu.err.find("--device software"), std::string::npos) << gpu.err;
    EXPECT_EQ(std::count(gpu.err.begin(), gpu.err.end(), '\n'), 1) << gpu.err;
    const ToolRun odd = runTool({"--device", "tpu", "--at", "0", "-o", "x.png"}, false);
    EXPECT_EQ(odd.exitStatus, 2);
    EXPECT_NE(odd.err.find("--device wants auto, software or gpu, not \"tpu\""), std::string::npos)
        << odd.err;
    for (const char* made : {"pp-render-test-none.png", "pp-render-test-gpu.png", "x.png"}) {
        std::ifstream file(made);
        EXPECT_FALSE(file.good()) << made << " was made";
    }
}

// A picture or a Y4M stream under a name that says another kind of file is refused before
// anything is opened: no renderer is needed to hear so, and the file is not made.
TEST(RenderCommandLine, WritesOnlyWhatTheNameSays) {
    const struct {
        std::vector<std::string> args;
        bool refused;
    } cases[] = {
        {{"--at", "1000", "-o", "pp-render-test.jpg"}, true},
        {{"--at", "1000", "-o", "pp-render-test.y4m"}, true},
        {{"--at", "1000", "-o", "png"}, true},
        {{"--y4m", "-o", "pp-render-test.mp4"}, true},
        {{"--y4m", "-o", "pp-render-test.png"}, true},
        {{"--y4m", "-o", "pp-render-test"}, true},
        // Accepted, and then stopped by the missing renderer.
        {{"--at", "1000", "-o", "pp-render-test.PNG"}, false},
        {{"--y4m", "-o", "pp-render-test.Y4m"}, false},
        {{"--y4m", "-o", "/dev/null"}, false},
        {{"--at", "1000", "-o", "/dev/null"}, false},
    };
    for (const auto& c : cases) {
        const ToolRun run = runTool(c.args, false);
        const std::string& name = c.args.back();
        EXPECT_EQ(run.exitStatus, c.refused ? 2 : 1) << name << ": " << run.err;
        EXPECT_EQ(run.err.find("no EGL device") == std::string::npos, c.refused) << run.err;
        if (c.refused) {
            EXPECT_NE(run.err.find("\"" + name + "\""), std::string::npos) << run.err;
            EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        }
        std::ifstream made(name);
        EXPECT_TRUE(name == "/dev/null" || !made.good()) << name << " was made";
    }
}

TEST(RenderCommandLine, FailsBeforeDrawingWhenTheTextureOrTheRendererIsMissing) {
    const ToolRun missing = runTool({"--at", "0", "--texture", "/nonexistent/skin.bmp", "-o", "-"});
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_NE(missing.err.find("/nonexistent/skin.bmp"), std::string::npos) << missing.err;

    const std::string notBitmap = "pp-render-test-not-a-bitmap.bmp";
    std::ofstream(notBitmap) << "GIF89a, not a bitmap";
    const ToolRun wrong = runTool({"--at", "0", "--texture", notBitmap, "-o", "-"});
    std::remove(notBitmap.c_str());
    EXPECT_EQ(wrong.exitStatus, 1);
    EXPECT_NE(wrong.err.find("not a bitmap"), std::string::npos) << wrong.err;
    EXPECT_TRUE(wrong.out.empty());

    const ToolRun noRenderer = runTool({"--at", "0", "-o", "-"}, false);
    EXPECT_EQ(noRenderer.exitStatus, 1);
    EXPECT_NE(noRenderer.err.find("no EGL device"), std::string::npos) << noRenderer.err;
    EXPECT_TRUE(noRenderer.out.empty());
}

TEST(RenderCommandLine, InstantsAfterTheShowAreBadArgumentsAndTouchNothing) {
    // Judged before the GL context is opened (there is none here) and before the output is.
    const std::string existing = "pp-render-test-existing.y4m";
    std::ofstream(existing) << "the user's video";
    const std::string afterEnd = std::to_string(showEndMs + 1);
    const std::string expected =
        "the show ends at " + std::to_string(showEndMs) + " ms; --from " + afterEnd;
    const ToolRun late = runTool({"--y4m", "--from", afterEnd, "-o", existing}, false);
    EXPECT_EQ(late.exitStatus, 2);
    EXPECT_EQ(late.err, "pp-render: " + expected + " is after it\n");
    std::ifstream in(existing);
    const std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(kept, "the user's video");
    std::remove(existing.c_str());

    const ToolRun picture = runTool({"--at", afterEnd, "-o", existing}, false);
    EXPECT_EQ(picture.exitStatus, 2);
    EXPECT_NE(picture.err.find("--at " + afterEnd + " is after it"), std::string::npos)
        << picture.err;
    std::ifstream none(existing);
    EXPECT_FALSE(none.good()) << "nothing is created";
}

// Refused before anything is read or drawn (there is no renderer here), with what would work.
TEST(RenderCommandLine, RefusesSizesAndOutputsTheVideoCannotTake) {
    const struct {
        std::vector<std::string> args;
        const char* redirect;  // for the shell, after the command
        const char* said;
    } cases[] = {
        {{"--size", "321x241", "-o", "pp-render-test-odd.mp4"},
         "",
         "needs an even width and "
         "height; --size 322x242"},
        {{"--size", "320x241", "-o", "pp-render-test-odd.mkv"}, "", "--size 320x242 would do"},
        {{"--size", "16382x16382", "-o", "pp-render-test.webm"}, "", "is too large for .webm"},
        {{"--size", "16382x16382", "-o", "pp-render-test.mp4"}, "", "is too large for .mp4"},
        // Where the messages go: the frames would be mixed with them.
        {{"--format", "mp4", "-o", "/dev/stderr"}, "", "standard error goes there too"},
        {{"--y4m", "-o", "-"}, " 2>&1", "standard error goes there too"},
    };
    for (const auto& c : cases) {
        const ToolRun run =
            runShell(std::string(noRendererEnvironment) + " " + toolCommand(c.args) + c.redirect);
        const std::string said = run.out + run.err;
        EXPECT_EQ(run.exitStatus, 2) << said;
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
        EXPECT_EQ(said.find("no EGL device"), std::string::npos) << said;
    }
    for (const char* made : {"pp-render-test-odd.mp4", "pp-render-test-odd.mkv",
                             "pp-render-test.webm", "pp-render-test.mp4"}) {
        struct stat s = {};
        EXPECT_NE(stat(made, &s), 0) << made << " is made";
    }
}
