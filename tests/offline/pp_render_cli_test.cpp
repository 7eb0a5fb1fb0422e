// How the pp-render program answers requests it cannot carry out; none of these needs a display.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

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

TEST(RenderCommandLine, FailsBeforeDrawingWhenTheTextureOrTheDisplayIsMissing) {
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

    const ToolRun noDisplay = runTool({"--at", "0", "-o", "-"}, false);
    EXPECT_EQ(noDisplay.exitStatus, 1);
    EXPECT_NE(noDisplay.err.find("no X display"), std::string::npos) << noDisplay.err;
}

TEST(RenderCommandLine, InstantsAfterTheShowAreBadArgumentsAndTouchNothing) {
    // Judged before the display is opened (there is none here) and before the output is.
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
