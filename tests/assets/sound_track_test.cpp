// The sound track: a WAVE file that SDL plays, and music that keeps time with the show.
#include "assets/sound_track.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "anim/schedule.h"
#include "tests/support/test_data.h"

namespace {

constexpr double kRate = 11025;

// The track is long to make, so every test shares one copy.
const std::vector<int16_t>& track() {
    static const std::vector<int16_t> samples = makeSoundTrack();
    return samples;
}

double rmsBetween(double from, double to) {
    const size_t a = static_cast<size_t>(from * kRate);
    const size_t b = std::min(static_cast<size_t>(to * kRate), track().size());
    double sum = 0;
    for (size_t i = a; i < b; ++i) {
        sum += static_cast<double>(track()[i]) * track()[i];
    }
    return std::sqrt(sum / (b - a));
}

// Onsets from short-time energy: 10 ms windows every 25 samples; an onset is where a
// window's energy rises past five times the mean of the windows 20 to 120 ms before it.
// Its time is the end of that window. Onsets closer than 150 ms to the last are ignored.
std::vector<double> findOnsets(const std::vector<int16_t>& samples) {
    constexpr size_t kHop = 25;
    constexpr size_t kWindow = 110;
    constexpr size_t kNearFrames = 9;  // about 20 ms
    constexpr size_t kFarFrames = 53;  // about 120 ms
    std::vector<double> energy;
    for (size_t at = 0; at + kWindow <= samples.size(); at += kHop) {
        double e = 0;
        for (size_t i = at; i < at + kWindow; ++i) {
            e += static_cast<double>(samples[i]) * samples[i];
        }
        energy.push_back(e);
    }
    std::vector<double> onsets;
    bool above = false;
    for (size_t k = kFarFrames; k < energy.size(); ++k) {
        double before = 0;
        for (size_t j = k - kFarFrames; j < k - kNearFrames; ++j) {
            before += energy[j];
        }
        before /= kFarFrames - kNearFrames;
        const bool now = energy[k] > 5 * before + kWindow * 4.0;  // ignore the last bits' hiss
        const double t = (k * kHop + kWindow) / kRate;
        if (now && !above && (onsets.empty() || t - onsets.back() > 0.15)) {
            onsets.push_back(t);
        }
        above = now;
    }
    return onsets;
}

TEST(SoundWave, HeaderIsPlainPcmMono16BitAt11025Hz) {
    const std::vector<uint8_t> file = encodeWaveMono16(track(), kSoundRate);
    const uint32_t dataBytes = static_cast<uint32_t>(track().size() * 2);
    ASSERT_EQ(file.size(), 44 + dataBytes);
    EXPECT_EQ(std::memcmp(&file[0], "RIFF", 4), 0);
    EXPECT_EQ(u32At(file, 4), 36 + dataBytes);
    EXPECT_EQ(std::memcmp(&file[8], "WAVEfmt ", 8), 0);
    EXPECT_EQ(u32At(file, 16), 16u);
    EXPECT_EQ(u16At(file, 20), 1);  // PCM
    EXPECT_EQ(u16At(file, 22), 1);  // channels
    EXPECT_EQ(u32At(file, 24), 11025u);
    EXPECT_EQ(u32At(file, 28), 22050u);  // bytes per second
    EXPECT_EQ(u16At(file, 32), 2);       // block align
    EXPECT_EQ(u16At(file, 34), 16);      // bits
    EXPECT_EQ(std::memcmp(&file[36], "data", 4), 0);
    EXPECT_EQ(u32At(file, 40), dataBytes);
    // Samples follow little-endian, sign included.
    const size_t loudest = std::max_element(track().begin(), track().end(),
                                            [](int16_t a, int16_t b) { return a < b; }) -
                           track().begin();
    EXPECT_EQ(static_cast<int16_t>(u16At(file, 44 + 2 * loudest)), track()[loudest]);
}

TEST(SoundWave, SdlLoadsItWithTheTracksSamples) {
    std::vector<uint8_t> file = encodeWaveMono16(track(), kSoundRate);
    SDL_AudioSpec format{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    ASSERT_NE(SDL_LoadWAV_RW(SDL_RWFromConstMem(file.data(), static_cast<int>(file.size())), 1,
                             &format, &buffer, &length),
              nullptr)
        << SDL_GetError();
    EXPECT_EQ(format.freq, 11025);
    EXPECT_EQ(format.format, AUDIO_S16LSB);
    EXPECT_EQ(format.channels, 1);
    ASSERT_EQ(length, track().size() * 2);
    EXPECT_EQ(std::memcmp(buffer, file.data() + 44, length), 0);
    SDL_FreeWAV(buffer);
}

// The composer's music is fixed: a change in its arithmetic or its timing shows up here. The
// figure is the FNV-1a hash of the whole file as first composed.
TEST(SoundWave, TheComposedFileIsByteForByteTheOneFirstComposed) {
    const std::vector<uint8_t> file = encodeWaveMono16(track(), kSoundRate);
    uint64_t hash = 0xcbf29ce484222325u;
    for (const uint8_t byte : file) {
        hash = (hash ^ byte) * 0x100000001b3u;
    }
    EXPECT_EQ(file.size(), 1565594u);
    EXPECT_EQ(hash, 0x1c33e76462baf163u);
}

TEST(SoundTrack, LastsTheShowNeverClipsAndEndsInSilence) {
    const std::vector<int16_t>& samples = track();
    EXPECT_NEAR(samples.size() / kRate, 71.0, 0.1);

    int peak = 0;
    for (int16_t s : samples) {
        peak = std::max(peak, std::abs(int{s}));
    }
    EXPECT_LT(peak, 23198);  // -3 dBFS: headroom, never near full scale
    EXPECT_GT(peak, 8000);   // and not a whisper either

    const size_t silentFrom = samples.size() - static_cast<size_t>(0.5 * kRate);
    const size_t loud = std::count_if(samples.begin() + silentFrom, samples.end(),
                                      [](int16_t s) { return s != 0; });
    EXPECT_EQ(loud, 0u);
}

// An event's time in the show's schedule, in seconds.
double at(ScheduleRow row, int n = 0) {
    return static_cast<double>(scheduledMs(row, n)) / 1000.0;
}

TEST(SoundTrack, FollowsTheShowsSections) {
    const double finale = rmsBetween(at(ballRow) + 3.4, at(fadeRow) - 3.1);
    EXPECT_LT(rmsBetween(0.0, at(rollRow) - 0.1), 0.25 * finale) << "the opening should be quiet";
    EXPECT_GT(rmsBetween(at(spreadRow), at(ballRow)),
              2 * rmsBetween(at(spreadRow) - 1.1, at(spreadRow) - 0.1))
        << "no swell at the spread";
    const double end = static_cast<double>(showEndMs) / 1000.0;
    EXPECT_GT(rmsBetween(at(fadeRow) - 2.1, at(fadeRow) - 0.1),
              10 * rmsBetween(end - 2.6, end - 0.6))
        << "no fade at the end";
    EXPECT_GT(rmsBetween(at(rollRow) + 0.4, at(rollRow, rollCount - 1) - 0.6), 0.5 * finale)
        << "the building should be heard";
}

TEST(SoundTrack, BeatsFallOnEveryRollAndTheFinishedBlockIsMarked) {
    const std::vector<double> onsets = findOnsets(track());
    std::vector<double> beats;
    const double blockComplete = static_cast<double>(blockCompleteMs) / 1000.0;
    for (double t : onsets) {
        if (t > at(rollRow) - 0.3 && t < blockComplete - 0.02) {
            beats.push_back(t);
        }
    }
    ASSERT_EQ(beats.size(), static_cast<std::size_t>(rollCount));
    for (int k = 0; k < rollCount; ++k) {
        EXPECT_NEAR(beats[k], at(rollRow, k), 0.020) << "roll " << k;
    }
    const bool marked = std::any_of(onsets.begin(), onsets.end(), [blockComplete](double t) {
        return t >= blockComplete - 0.02 && t < blockComplete + 0.23;
    });
    EXPECT_TRUE(marked) << "nothing happens when the block is complete";
}

}  // namespace
