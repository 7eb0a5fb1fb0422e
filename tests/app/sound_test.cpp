#include "app/sound.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/test_data.h"

namespace {

std::string tempPath(const char* name) {
    return ::testing::TempDir() + "pp_sound_" + std::to_string(getpid()) + "_" + name;
}

void writeFile(const std::string& path, const Bytes& bytes) {
    ASSERT_TRUE(writeWholeFile(path, bytes)) << path;
}

// A quarter second of a quiet 16-bit mono tone at 11025 Hz.
Bytes smallWave() {
    return makeToneWave(11025, 1, 11025 / 4);
}

// Starts the sound track in a child process with stdout joined to stderr, and expects the
// child to have printed nothing and to end normally.
void expectSilentStart(const std::string& path) {
    EXPECT_EXIT(
        {
            std::fflush(stdout);  // the test runner's own banner is not the program's output
            dup2(2, 1);
            startSoundTrack(path.c_str());
            std::fflush(stdout);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "^$")
        << path;
}

}  // namespace

TEST(SoundDeathTest, PrintsNothingWhateverTheFile) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    expectSilentStart(tempPath("missing.wav"));

    const std::string garbage = tempPath("garbage.wav");
    writeFile(garbage, {'R', 'I', 'F', 'F', 1, 2, 3, 'W', 'A', 'V', 'E', 0, 0});
    expectSilentStart(garbage);

    const std::string truncated = tempPath("truncated.wav");
    Bytes wave = smallWave();
    wave.resize(60);
    writeFile(truncated, wave);
    expectSilentStart(truncated);

    // A playable file: on a machine without a sound card this is the no-device path.
    const std::string good = tempPath("good.wav");
    writeFile(good, smallWave());
    expectSilentStart(good);

    for (const std::string& p : {garbage, truncated, good})
        std::remove(p.c_str());
}

// A track that is no regular file is not played, and is not waited on: a FIFO that nobody
// writes to would otherwise hold the show before its window appears, and a directory is no track.
TEST(Sound, ATrackThatIsNoRegularFileIsSilenceAtOnce) {
    const std::string fifo = tempPath("fifo.wav");
    std::remove(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(startSoundTrack(fifo.c_str()));
    std::remove(fifo.c_str());
    EXPECT_FALSE(startSoundTrack("/tmp"));
}

// The sound libraries' own complaints about a home folder they cannot use stay unprinted, with
// the default back end and with PulseAudio named outright.
TEST(SoundDeathTest, PrintsNothingWhenTheHomeFolderIsUnusable) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string good = tempPath("home.wav");
    writeFile(good, smallWave());
    for (const char* home : {"/proc", ""}) {
        for (const char* driver : {"", "pulse"}) {
            SCOPED_TRACE(testing::Message() << "HOME=" << home << " driver " << driver);
            EXPECT_EXIT(
                {
                    std::fflush(stdout);
                    dup2(2, 1);
                    setenv("HOME", home, 1);
                    if (*driver != 0) {
                        setenv("SDL_AUDIODRIVER", driver, 1);
                    } else {
                        unsetenv("SDL_AUDIODRIVER");
                    }
                    startSoundTrack(good.c_str());
                    std::fflush(stdout);
                    std::exit(0);
                },
                ::testing::ExitedWithCode(0), "^$");
        }
    }
    std::remove(good.c_str());
}

namespace {

// The bytes the device takes from the queue at a time: the smallest of the first three steps
// by which the queue shrinks. Infinite when it takes the whole queue at once.
double smallestBufferTaken(SDL_AudioDeviceID device) {
    double smallest = HUGE_VAL;
    Uint32 left = SDL_GetQueuedAudioSize(device);
    for (int steps = 0; steps < 3 && left > 0;) {
        SDL_Delay(1);
        const Uint32 now = SDL_GetQueuedAudioSize(device);
        if (now < left) {
            smallest = now > 0 ? std::min(smallest, static_cast<double>(left - now)) : smallest;
            steps += 1;
        }
        left = now;
    }
    return smallest;
}

}  // namespace

// Whatever the track's rate, the device works in short buffers (seen in the steps by which its
// queue shrinks): the exit handler that closes it returns at once instead of waiting out a
// buffer lasting seconds, as it once did at 1000 Hz. The silent dummy device opens at any rate;
// formats that nothing plays are not opened at all.
TEST(SoundDeathTest, EndsAtOnceAndPlaysOnlyFormatsThatDevicesTake) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct {
        uint32_t rate;
        uint16_t channels;
        bool plays;
    } formats[] = {{100, 1, false},  {999, 1, false},  {1000, 1, true},   {1000, 2, true},
                   {8000, 1, true},  {44100, 2, true}, {384000, 1, true}, {384001, 1, false},
                   {22050, 8, true}, {22050, 9, false}};
    for (const auto& format : formats) {
        SCOPED_TRACE(testing::Message()
                     << format.rate << " Hz, " << format.channels << " channels");
        // Three seconds: several of the old buffers at the lowest rates.
        const std::string path = tempPath("rate.wav");
        writeFile(path, makeToneWave(format.rate, format.channels, format.rate * 3));
        EXPECT_EXIT(
            {
                setenv("SDL_AUDIODRIVER", "dummy", 1);
                const auto started = std::chrono::steady_clock::now();
                const bool plays = startSoundTrack(path.c_str());
                if (plays) {
                    // All three seconds are queued, at the file's rate where devices run at it
                    // and converted to 48 kHz otherwise. The dummy device plays in real time:
                    // since the start it has taken at most what played meanwhile, and a
                    // buffer. The first device a process opens has the number 2 (1 is kept for
                    // SDL's older interface).
                    const bool direct = format.rate >= 8000 && format.rate <= 192000;
                    const double perSecond = (direct ? format.rate : 48000) * format.channels * 2;
                    const double expected = 3.0 * perSecond;
                    const double queued = SDL_GetQueuedAudioSize(2);
                    const std::chrono::duration<double> played =
                        std::chrono::steady_clock::now() - started;
                    const double taken = (played.count() + 0.25) * perSecond;
                    if (queued < expected - taken || queued > expected * 1.01) {
                        std::fprintf(stderr, "queued %.0f bytes, expected %.0f\n", queued,
                                     expected);
                    }
                    const double buffer = smallestBufferTaken(2) / (expected / 3.0);
                    if (!(buffer <= 0.25)) {
                        std::fprintf(stderr, "the device takes %.2f s at a time\n", buffer);
                    }
                }
                std::exit(plays == format.plays ? 0 : 3);
            },
            ::testing::ExitedWithCode(0), "^$");
        std::remove(path.c_str());
    }
}

TEST(Sound, LeavesTheInterruptSignalsAlone) {
    const std::string good = tempPath("signals.wav");
    writeFile(good, smallWave());
    startSoundTrack(good.c_str());
    std::remove(good.c_str());
    for (int sig : {SIGINT, SIGTERM}) {
        struct sigaction current = {};
        sigaction(sig, nullptr, &current);
        EXPECT_EQ(current.sa_handler, SIG_DFL) << sig;
    }
}
