// pp-render's finished video files, opened again with FFmpeg's libraries as a player would.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "anim/schedule.h"
#include "offline/y4m_stream.h"
#include "tests/offline/tool_support.h"
#include "tests/offline/video_probe.h"

namespace {

constexpr int fps = 25;
const std::string sound = PP_DEFAULT_SOUND;
const std::string skin = PP_DEFAULT_SKIN;

bool exists(const std::string& path) {
    struct stat s;
    return stat(path.c_str(), &s) == 0;
}

// A cut of `seconds` from fromMs at 320x240 and 25 frames a second, with the show's track;
// encoded as for a video site on request (without it the list ends with --, which ends the
// options).
ToolRun renderCut(const std::string& output, int64_t fromMs, int seconds, bool upload = false) {
    return runTool({"--from", std::to_string(fromMs), "--to",
                    std::to_string(fromMs + seconds * 1000 - 1), "--fps", std::to_string(fps),
                    "--size", "320x240", "--texture", skin, "--sound", sound, "--quiet", "-o",
                    output, upload ? "--upload" : "--"});
}

// The first instant after `after` seconds where 10 ms of sound is four times louder than the
// 200 ms before it.
double firstOnset(const std::vector<float>& samples, int rate, double after) {
    const std::size_t window = static_cast<std::size_t>(rate / 100);
    const auto energy = [&](std::size_t from, std::size_t count) {
        double sum = 0;
        for (std::size_t i = from; i < from + count && i < samples.size(); ++i) {
            sum += static_cast<double>(samples[i]) * samples[i];
        }
        return sum / static_cast<double>(count);
    };
    for (std::size_t at = static_cast<std::size_t>(after * rate); at + window < samples.size();
         at += window / 4) {
        if (energy(at, window) > 16.0 * energy(at - 20 * window, 20 * window) + 1e-9) {
            return static_cast<double>(at + window) / rate;
        }
    }
    return -1;
}

}  // namespace

TEST(VideoFile, CutsToEachContainerWithPictureAndSoundOfTheCutsLength) {
    // The last: as a video site asks for it, in stereo, its sound still of the cut's length.
    for (const std::string extension : {".mp4", ".mkv", ".webm", "-upload.mp4"}) {
        const std::string path = "video-cut" + extension;
        const bool upload = extension == "-upload.mp4";
        const ToolRun run = renderCut(path, 2000, 3, upload);
        ASSERT_EQ(run.exitStatus, 0) << extension << ": " << run.err;
        const VideoProbe probe = probeVideo(path);
        ASSERT_TRUE(probe.opened) << extension;
        EXPECT_EQ(probe.videoStreams, 1) << extension;
        EXPECT_EQ(probe.audioStreams, 1) << extension;
        EXPECT_EQ(probe.width * 1000 + probe.height, 320 * 1000 + 240) << extension;
        EXPECT_EQ(probe.videoFrames, 3 * fps) << extension;
        EXPECT_NEAR(probe.videoSeconds, 3.0, 1.0 / fps) << extension;
        EXPECT_NEAR(probe.audioSeconds, 3.0, 0.001) << extension;
        EXPECT_EQ(probe.sampleRate, 48000) << extension;
        EXPECT_EQ(probe.channels, upload ? 2 : 1) << extension;  // the show's track is mono
        std::remove(path.c_str());
    }
}

// Sample k of the track belongs at k / rate s of the show: in a cut from 3 s, the first roll's
// beat at its instant in the schedule lands at that instant less 3 s.
TEST(VideoFile, TheSoundKeepsTimeWithThePicture) {
    const std::string path = "video-sync.mkv";
    const int64_t from = scheduledMs(rollRow) - 600;
    const ToolRun run = renderCut(path, from, 2);
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const VideoProbe probe = probeVideo(path);
    ASSERT_EQ(probe.audioStreams, 1);
    const double onset = firstOnset(probe.sound, probe.sampleRate, 0.3);
    EXPECT_NEAR(onset, static_cast<double>(scheduledMs(rollRow) - from) / 1000.0, 1.0 / fps);
    std::remove(path.c_str());
}

TEST(VideoFile, AFrameLooksLikeThePictureOfItsInstant) {
    const std::string video = "video-frame.mp4";
    const std::string png = "video-frame.png";
    const int64_t from = scheduledMs(ballRow) + 3000;
    ASSERT_EQ(renderCut(video, from, 1).exitStatus, 0);
    const int frame = 10;
    const ToolRun still = runTool({"--at", std::to_string(from + frame * 1000 / fps), "--size",
                                   "320x240", "--texture", skin, "--quiet", "-o", png});
    ASSERT_EQ(still.exitStatus, 0) << still.err;
    Picture picture;
    ASSERT_TRUE(readPngFile(png, picture));
    std::vector<uint8_t> expected(320 * 240 * 3 / 2);
    convertToYcbcr420(picture.rgb.data(), 320, 240, expected.data(), expected.data() + 320 * 240,
                      expected.data() + 320 * 240 * 5 / 4);
    const VideoProbe probe = probeVideo(video, frame);
    ASSERT_EQ(probe.frameYcbcr.size(), expected.size());
    EXPECT_GE(psnr(probe.frameYcbcr, expected), 35.0);
    std::remove(video.c_str());
    std::remove(png.c_str());
}

TEST(VideoFile, BadRequestsSayWhyAndLeaveNoFile) {
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* said;
        const char* path;
    };
    const Case cases[] = {
        {{"--from", "0", "--to", "1000", "-o", "video-bad.avi"},
         2,
         "video-bad.avi",
         "video-bad.avi"},
        {{"--to", "1000", "--sound", "no-such-sound.wav", "-o", "video-bad.mp4"},
         1,
         "no-such-sound.wav",
         "video-bad.mp4"},
        {{"--to", "1000", "--format", "flv", "-o", "video-bad.mp4"}, 2, "flv", "video-bad.mp4"},
        {{"--to", "1000", "-o", "no-such-folder/video.mp4"}, 1, "no-such-folder", nullptr},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--size", "32x24", "--quiet"});
        const ToolRun run = runTool(args);
        EXPECT_EQ(run.exitStatus, c.status) << args.back() << ": " << run.err;
        EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("pp-render:", run.err.find("pp-render:") + 1), std::string::npos)
            << "one message: " << run.err;
        if (c.path != nullptr) {
            EXPECT_FALSE(exists(c.path)) << c.path;
        }
    }
}

// Interrupted, the file is closed properly: it plays up to the frame in hand, and its sound
// stops where its last picture does, to the millisecond, wherever the signal lands among the
// sound's coded frames (AAC's 1024 samples, 21.3 ms; Opus's 960). The runs differ in frame rate
// and in how much their temporary holds before the signal, so they end at different phases of
// those frames. Each request (the whole show) takes seconds on any machine, beside the few
// milliseconds between that state and the signal.
TEST(VideoFile, AnInterruptedRenderEndsItsSoundWithItsLastPicture) {
    struct Stop {
        const char* name;
        int fps;
        std::size_t bytes;  // in the temporary before the signal: past the encoders' delay
    };
    const Stop stops[] = {{"interrupted.mp4", 100, 24 * 1024},
                          {"interrupted.mp4", 60, 48 * 1024},
                          {"interrupted.mp4", 30, 24 * 1024},
                          {"interrupted.mkv", 100, 40 * 1024},
                          {"interrupted.webm", 60, 72 * 1024}};
    for (const Stop& stop : stops) {
        const std::string dir = makeScratchDirectory("video-interrupted");
        ASSERT_FALSE(dir.empty());
        const std::string path = dir + "/" + stop.name;
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            execl(PP_RENDER, PP_RENDER, "--size", "160x120", "--fps",
                  std::to_string(stop.fps).c_str(), "--texture", skin.c_str(), "--sound",
                  sound.c_str(), "--quiet", "-o", path.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        const bool started = waitForTemporary(dir, stop.name, stop.bytes);
        kill(child, started ? SIGINT : SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(started) << stop.name << ": no frames in the file within a minute";
        ASSERT_TRUE(WIFEXITED(status)) << stop.name;
        EXPECT_EQ(WEXITSTATUS(status), 130) << stop.name;
        const VideoProbe probe = probeVideo(path);
        ASSERT_TRUE(probe.opened) << stop.name;
        EXPECT_GT(probe.videoFrames, 0) << stop.name;
        EXPECT_LT(probe.videoFrames, showEndMs * stop.fps / 1000) << stop.name;
        // An MP4's edit list counts in milliseconds, rounded up; discard padding is exact.
        EXPECT_NEAR(probe.audioSeconds, probe.videoSeconds, 0.001)
            << stop.name << " stopped after " << probe.videoFrames << " frames";
        EXPECT_EQ(directoryEntries(dir), std::set<std::string>{stop.name}) << "no temporary";
        std::filesystem::remove_all(dir);
    }
}

// A stream (standard output, a FIFO) is as exact as a file: MP4 fragments have no edit list to
// hide the AAC encoder's priming or the picture's reordering delay, yet a decoder that plays
// every sample from the start hears the track's pulse at its instant, within a millisecond.
TEST(VideoFile, AStreamThroughAPipeKeepsTimeAsAFileDoes) {
    // A silent 48 kHz track with a 1 ms pulse at 31.5 s of the show.
    const int rate = 48000;
    const int64_t pulseAt = 31500 * rate / 1000;
    std::vector<int16_t> samples(static_cast<std::size_t>(34 * rate), 0);
    std::fill(samples.begin() + pulseAt, samples.begin() + pulseAt + rate / 1000, 26000);
    const std::string track = "video-stream-pulse.wav";
    {
        std::ofstream out(track, std::ios::binary);
        const auto put = [&out](uint32_t v, int bytes) {
            for (int i = 0; i < bytes; ++i) {
                out.put(static_cast<char>(v >> (8 * i)));
            }
        };
        const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
        out << "RIFF";
        put(36 + dataBytes, 4);
        out << "WAVEfmt ";
        put(16, 4);  // the fmt chunk's size
        put(1, 2);   // PCM
        put(1, 2);   // mono
        put(48000, 4);
        put(96000, 4);
        put(2, 2);
        put(16, 2);
        out << "data";
        put(dataBytes, 4);
        out.write(reinterpret_cast<const char*>(samples.data()), dataBytes);
    }
    const std::vector<std::string> cut = {"--from", "30000", "--to",    "32999",   "--fps", "50",
                                          "--size", "64x48", "--quiet", "--sound", track};
    for (const std::string how : {"file", "pipe"}) {
        const std::string path = "video-stream-" + how + ".mp4";
        std::vector<std::string> args = cut;
        args.insert(args.end(), {"--format", "mp4", "-o", how == "file" ? path : "-"});
        const ToolRun run = runShell(toolCommand(args) + (how == "file" ? "" : " | cat > " + path));
        ASSERT_EQ(run.exitStatus, 0) << how << ": " << run.err;
        const VideoProbe probe = probeVideo(path);
        ASSERT_EQ(probe.audioStreams, 1) << how;
        EXPECT_EQ(probe.videoFrames, 150) << how;
        // A file's edit list states the sound's end to the millisecond. Fragments cannot state
        // it, so a stream's sound ends with the whole AAC frame (1024 samples) whose end is
        // nearest the last picture's: within half a frame of it.
        const double endBound = how == "file" ? 0.001 : 512.5 / 48000;
        EXPECT_NEAR(probe.audioSeconds, probe.videoSeconds, endBound) << how;
        const auto loud = std::find_if(probe.sound.begin(), probe.sound.end(),
                                       [](float v) { return std::fabs(v) > 0.4f; });
        ASSERT_NE(loud, probe.sound.end()) << how;
        const double heard = static_cast<double>(loud - probe.sound.begin()) / probe.sampleRate;
        EXPECT_NEAR(heard, 1.5, 0.001) << how;
        std::remove(path.c_str());
    }
    std::remove(track.c_str());
}
