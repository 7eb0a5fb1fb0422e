// How the pp-render program answers requests it cannot carry out; none of these needs a display.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "tests/offline/tool_support.h"

TEST(RenderCommandLine, HelpAndBadArguments) {
    const ToolRun help = runTool({"--help"}, false);
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_NE(help.out.find("Usage: pp-render --at MS"), std::string::npos);

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
