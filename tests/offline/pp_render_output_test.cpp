// The pp-render program run for real: outputs that fail or are stopped lose nothing that was
// there and leave nothing behind, closed standard descriptors do not hang it, and a texture
// through a pipe is the texture.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "offline/y4m_stream.h"
#include "tests/offline/tool_support.h"

namespace fs = std::filesystem;

namespace {

std::size_t y4mFrameBytes(int width, int height) {
    return 6 + static_cast<std::size_t>(width) * height +
           2 * static_cast<std::size_t>((width + 1) / 2) * ((height + 1) / 2);
}

// Whether the file is a Y4M stream of whole frames of this size, and how many.
bool wholeFrames(const std::string& video, int width, int height, std::size_t& frames) {
    const std::string header = y4mHeader(width, height, 50);
    const std::size_t frameBytes = y4mFrameBytes(width, height);
    if (video.compare(0, header.size(), header) != 0 ||
        (video.size() - header.size()) % frameBytes != 0) {
        return false;
    }
    frames = (video.size() - header.size()) / frameBytes;
    for (std::size_t i = 0; i < frames; ++i) {
        if (video.compare(header.size() + i * frameBytes, 6, "FRAME\n") != 0) {
            return false;
        }
    }
    return true;
}

// Starts pp-render with the arguments, its standard error going to the file errors.
pid_t startTool(const std::vector<std::string>& args, const std::string& errors) {
    std::vector<const char*> argv = {toolPath()};
    for (const std::string& a : args) {
        argv.push_back(a.c_str());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = -1;
    if (posix_spawn(&child, toolPath(), &actions, nullptr, const_cast<char**>(argv.data()),
                    environ) != 0) {
        child = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

}  // namespace

TEST(RenderOutput, AFailedWriteRemovesNothingThatWasThere) {
    const std::string dir = makeScratchDirectory("pp-render-output-test");
    ASSERT_FALSE(dir.empty());

    // A device that refuses every byte, reached through a link.
    const std::string full = dir + "/full";
    ASSERT_EQ(symlink("/dev/full", full.c_str()), 0);
    for (const auto& request : {std::vector<std::string>{"--at", "1000"},
                                std::vector<std::string>{"--y4m", "--to", "200"}}) {
        std::vector<std::string> args = request;
        args.insert(args.end(), {"--size", "16x16", "--quiet", "-o", full});
        const ToolRun run = runTool(args);
        EXPECT_EQ(run.exitStatus, 1) << request[0];
        EXPECT_NE(run.err.find("could not write " + full + ": No space left"), std::string::npos)
            << run.err;
        struct stat st = {};
        EXPECT_EQ(lstat(full.c_str(), &st), 0) << request[0];
        EXPECT_EQ(stat("/dev/full", &st), 0);
    }

    // A FIFO whose reader goes away early.
    const std::string fifo = dir + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const ToolRun piped =
        runShell("head -c 100 '" + fifo + "' >/dev/null & " +
                 toolCommand({"--y4m", "--size", "64x48", "--quiet", "-o", fifo}) +
                 "; status=$?; wait; exit $status");
    EXPECT_EQ(piped.exitStatus, 1) << piped.err;
    EXPECT_NE(piped.err.find("Broken pipe"), std::string::npos) << piped.err;
    struct stat st = {};
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // The user's files, when the file size limit stops the writing part way: the picture
    // (one write) and the video (many).
    for (const auto& request : {std::vector<std::string>{"--at", "30000", "--size", "320x240"},
                                std::vector<std::string>{"--y4m", "--size", "64x48"}}) {
        const std::string name = request[0] == "--at" ? "mine.png" : "mine.y4m";
        const std::string path = dir + "/" + name;
        std::ofstream(path) << "the user's own file";
        std::vector<std::string> args = request;
        args.insert(args.end(), {"--quiet", "-o", path});
        const ToolRun run = runShell("ulimit -f 2; " + toolCommand(args));
        EXPECT_EQ(run.exitStatus, 1) << request[0] << ": " << run.err;
        EXPECT_NE(run.err.find("File too large"), std::string::npos) << run.err;
        EXPECT_EQ(fileContents(path), "the user's own file");
        EXPECT_EQ(directoryEntries(dir), (std::set<std::string>{"full", "fifo", name}))
            << "no temporary is left";
        fs::remove(path);
    }
    fs::remove_all(dir);
}

TEST(RenderOutput, FinishesWithItsStandardDescriptorsClosed) {
    const std::string dir = makeScratchDirectory("pp-render-output-test");
    const std::string video = dir + "/v.y4m";
    // Closed standard error once took a library's descriptor (the X connection's, when there was
    // one), and the summary went into it, where the run waited for ever; `timeout` turns such a
    // wait into a failure.
    for (const std::string closing : {" 2>&-", " <&- >&- 2>&-"}) {
        const ToolRun run = runShell(
            "timeout 120 " +
            toolCommand({"--y4m", "--size", "64x48", "--to", "3000", "-o", video}) + closing);
        EXPECT_EQ(run.exitStatus, 0) << closing;
        std::size_t frames = 0;
        EXPECT_TRUE(wholeFrames(fileContents(video), 64, 48, frames)) << closing;
        EXPECT_EQ(frames, 151u) << closing;
        fs::remove(video);
    }
    fs::remove_all(dir);
}

TEST(RenderOutput, ASignalStopsTheVideoAfterAWholeFrame) {
    const int width = 160;
    const int height = 120;
    // SIGHUP is what a closed terminal or a dropped ssh session sends.
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        const std::string dir = makeScratchDirectory("pp-render-output-test");
        const std::string video = dir + "/show.y4m";
        const std::string errors = dir + "/errors.txt";
        std::ofstream(video) << "the user's older video";

        const std::string size = std::to_string(width) + "x" + std::to_string(height);
        const pid_t child = startTool({"--y4m", "--size", size, "-o", video}, errors);
        ASSERT_GT(child, 0);

        // Wait until a few frames are in the temporary beside the video, then stop the run.
        const std::size_t wanted =
            y4mHeader(width, height, 50).size() + 3 * y4mFrameBytes(width, height);
        const bool started = waitForTemporary(dir, "show.y4m", wanted);
        kill(child, started ? signalNumber : SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(started) << "no frames within a minute";

        ASSERT_TRUE(WIFEXITED(status)) << signalNumber;
        EXPECT_EQ(WEXITSTATUS(status), 128 + signalNumber);
        std::size_t frames = 0;
        EXPECT_TRUE(wholeFrames(fileContents(video), width, height, frames));
        EXPECT_GE(frames, 3u);
        EXPECT_LT(frames, 3530u) << "the whole show: the signal came too late to test anything";
        const std::string message = fileContents(errors);
        const char* name = signalNumber == SIGINT    ? "SIGINT"
                           : signalNumber == SIGTERM ? "SIGTERM"
                                                     : "SIGHUP";
        EXPECT_NE(message.find(std::string("stopped by ") + name + " after " +
                               std::to_string(frames) + " whole frames"),
                  std::string::npos)
            << message;
        EXPECT_EQ(directoryEntries(dir), (std::set<std::string>{"errors.txt", "show.y4m"}));
        fs::remove_all(dir);
    }
}

// Any other signal that ends a program still ends it, and takes the hidden temporary with it.
TEST(RenderOutput, ASignalThatEndsTheProgramLeavesNoTemporary) {
    for (const int signalNumber : {SIGUSR1, SIGALRM, SIGQUIT, SIGRTMIN + 3}) {
        const std::string dir = makeScratchDirectory("pp-render-output-test");
        const std::string video = dir + "/show.y4m";
        const std::string errors = dir + "/errors.txt";
        std::ofstream(video) << "the user's older video";
        const pid_t child = startTool({"--y4m", "--size", "64x48", "-o", video}, errors);
        ASSERT_GT(child, 0);
        const std::size_t wanted = y4mHeader(64, 48, 50).size() + y4mFrameBytes(64, 48);
        const bool started = waitForTemporary(dir, "show.y4m", wanted);
        kill(child, started ? signalNumber : SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(started) << "no frames within a minute";
        ASSERT_TRUE(WIFSIGNALED(status)) << signalNumber;
        EXPECT_EQ(WTERMSIG(status), signalNumber);
        EXPECT_EQ(fileContents(video), "the user's older video");
        EXPECT_EQ(directoryEntries(dir), (std::set<std::string>{"errors.txt", "show.y4m"}))
            << signalNumber;
        fs::remove_all(dir);
    }
}

// The default texture and sound track are read only when they are regular files: FIFOs of
// their names that nobody writes to leave plain cubes and a silent video, with the notes.
TEST(RenderOutput, DefaultInputsThatAreFifosDoNotHoldTheRun) {
    const std::string dir = makeScratchDirectory("pp-render-output-test");
    ASSERT_EQ(mkfifo((dir + "/skin.bmp").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((dir + "/bla_11.wav").c_str(), 0600), 0);
    // timeout turns a run that waits on a FIFO into a failure.
    const ToolRun run = runShell("cd '" + dir + "' && timeout 120 " +
                                 toolCommand({"--to", "400", "--size", "32x24", "-o", "v.mkv"}));
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.err.find("bla_11.wav: it is not a regular file; the video has the picture only"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("skin.bmp"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("picture only, mkv"), std::string::npos) << run.err;
    fs::remove_all(dir);
}

// An output the shell's ">" could not replace is refused before anything is drawn.
TEST(RenderOutput, AFileTheUserCannotReplaceIsRefusedAtOnce) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root may replace any file";
    }
    const std::string dir = makeScratchDirectory("pp-render-output-test");
    const std::string locked = dir + "/locked.y4m";
    std::ofstream(locked) << "kept";
    ASSERT_EQ(chmod(locked.c_str(), 0444), 0);
    const ToolRun run = runTool({"--y4m", "--size", "16x16", "--quiet", "-o", locked});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "pp-render: cannot write to " + locked + ": Permission denied\n");
    EXPECT_EQ(directoryEntries(dir), (std::set<std::string>{"locked.y4m"}));
    fs::remove_all(dir);
}

TEST(RenderOutput, TakesTheTextureThroughAPipeOrSaysWhyNot) {
    const std::string dir = makeScratchDirectory("pp-render-output-test");
    const std::string fromFile = dir + "/file.png";
    const std::string fromPipe = dir + "/pipe.png";
    const ToolRun a =
        runTool({"--at", "5000", "--size", "96x72", "--texture", PP_DEFAULT_SKIN, "-o", fromFile});
    ASSERT_EQ(a.exitStatus, 0) << a.err;
    const ToolRun b = runShell("cat '" PP_DEFAULT_SKIN "' | " +
                               toolCommand({"--at", "5000", "--size", "96x72", "--texture",
                                            "/dev/stdin", "-o", fromPipe}));
    ASSERT_EQ(b.exitStatus, 0) << b.err;
    Picture pictures[2];
    ASSERT_TRUE(readPngFile(fromFile, pictures[0]) && readPngFile(fromPipe, pictures[1]));
    EXPECT_EQ(comparePictures(pictures[0], pictures[1], 0).differingPixels, 0);

    // A bitmap whose pixels come before the end of a long header: a file goes back for them,
    // a pipe cannot, and says so instead of drawing plain cubes.
    std::string outOfOrder(14 + 40, '\0');
    outOfOrder.resize(14 + 100000 + 1024, '\x77');
    const auto put = [&outOfOrder](std::size_t at, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            outOfOrder[at + i] = static_cast<char>(value >> (8 * i));
        }
    };
    outOfOrder.replace(0, 2, "BM");
    put(10, 54, 4);      // the pixels start right after a 40-byte header...
    put(14, 100000, 4);  // ...but the header says it is 100000 bytes long
    put(18, 4, 4);       // 4 x 1 pixels, 24 bits each
    put(22, 1, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    const std::string texture = dir + "/out-of-order.bmp";
    std::ofstream(texture, std::ios::binary) << outOfOrder;
    const ToolRun direct =
        runTool({"--at", "5000", "--size", "16x16", "--texture", texture, "-o", fromFile});
    EXPECT_EQ(direct.exitStatus, 0) << direct.err;
    const ToolRun throughPipe = runShell(
        "cat '" + texture + "' | " +
        toolCommand({"--at", "5000", "--size", "16x16", "--texture", "/dev/stdin", "-o", "-"}));
    EXPECT_EQ(throughPipe.exitStatus, 1);
    EXPECT_EQ(throughPipe.err,
              "pp-render: the texture /dev/stdin is not a bitmap the show can read through a "
              "pipe; try the file itself\n");
    EXPECT_TRUE(throughPipe.out.empty());

    // A texture that cannot be read at all is a failure that names it, not plain cubes.
    const ToolRun unreadable =
        runTool({"--at", "5000", "--size", "16x16", "--texture", dir, "-o", "-"});
    EXPECT_EQ(unreadable.exitStatus, 1);
    EXPECT_EQ(unreadable.err, "pp-render: cannot read the texture " + dir + ": Is a directory\n");
    EXPECT_TRUE(unreadable.out.empty());
    fs::remove_all(dir);
}
