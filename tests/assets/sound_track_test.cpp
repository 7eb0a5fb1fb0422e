// The sound track: a WAVE file that SDL plays, and music that keeps time with the show.
#include "assets/sound_track.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "tests/assets/scratch_dir.h"

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

TEST(SoundTrack, FollowsTheShowsSections) {
    const double finale = rmsBetween(30.0, 55.0);
    EXPECT_LT(rmsBetween(0.0, 3.5), 0.25 * finale) << "the opening should be quiet";
    EXPECT_GT(rmsBetween(26.1, 26.6), 2 * rmsBetween(25.0, 26.0)) << "no swell at the spread";
    EXPECT_GT(rmsBetween(56.0, 58.0), 10 * rmsBetween(68.0, 70.0)) << "no fade at the end";
    EXPECT_GT(rmsBetween(4.0, 18.0), 0.5 * finale) << "the building should be heard";
}

TEST(SoundTrack, BeatsFallOnEveryRollAndTheFinishedBlockIsMarked) {
    const std::vector<double> onsets = findOnsets(track());
    std::vector<double> beats;
    for (double t : onsets) {
        if (t > 3.3 && t < 18.75) {
            beats.push_back(t);
        }
    }
    ASSERT_EQ(beats.size(), 26u);
    for (int k = 0; k < 26; ++k) {
        EXPECT_NEAR(beats[k], 3.6 + 0.6 * k, 0.020) << "roll " << k;
    }
    const bool marked =
        std::any_of(onsets.begin(), onsets.end(), [](double t) { return t >= 18.75 && t < 19.0; });
    EXPECT_TRUE(marked) << "nothing happens when the block is complete";
}

}  // namespace
