#include "app/sound.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string tempPath(const char* name) {
    return ::testing::TempDir() + "pp_sound_" + std::to_string(getpid()) + "_" + name;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// A quarter second of a quiet 16-bit mono tone at 11025 Hz.
std::vector<uint8_t> smallWave() {
    const uint32_t samples = 11025 / 4, dataBytes = samples * 2;
    std::vector<uint8_t> b;
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto u16 = [&](uint16_t v) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto tag = [&](const char* t) {
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<uint8_t>(t[i]));
    };
    tag("RIFF");
    u32(36 + dataBytes);
    tag("WAVE");
    tag("fmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(11025);
    u32(22050);
    u16(2);
    u16(16);
    tag("data");
    u32(dataBytes);
    for (uint32_t i = 0; i < samples; ++i)
        u16(static_cast<uint16_t>((i % 25 < 12) ? 800 : -800));
    return b;
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
    std::vector<uint8_t> wave = smallWave();
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
