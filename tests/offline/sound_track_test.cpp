// The sound track of a video file: only the cut's part of a WAVE file is read and converted,
// whatever the track's length, at the right instants, and tracks the video cannot carry are
// refused with the reason.
#include "offline/sound_track.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct WaveLayout {
    int rate = 48000;
    int channels = 1;
    int bits = 16;
    int tag = 1;              // 1 PCM, 3 float
    bool extensible = false;  // the tag inside WAVE_FORMAT_EXTENSIBLE
};

void put(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>(value >> (8 * i));
    }
}

// The header of a WAVE file whose data chunk declares dataBytes.
std::string waveHeader(const WaveLayout& w, uint32_t dataBytes) {
    const int block = w.channels * w.bits / 8;
    std::string fmt;
    put(fmt, w.extensible ? 0xFFFE : static_cast<uint32_t>(w.tag), 2);
    put(fmt, static_cast<uint32_t>(w.channels), 2);
    put(fmt, static_cast<uint32_t>(w.rate), 4);
    put(fmt, static_cast<uint32_t>(w.rate * block), 4);
    put(fmt, static_cast<uint32_t>(block), 2);
    put(fmt, static_cast<uint32_t>(w.bits), 2);
    if (w.extensible) {
        put(fmt, 22, 2);
        put(fmt, static_cast<uint32_t>(w.bits), 2);
        put(fmt, w.channels == 6 ? 0x3F : 0, 4);  // 5.1's speakers
        put(fmt, static_cast<uint32_t>(w.tag), 2);
        fmt += std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    }
    std::string head = "RIFF";
    put(head, 4 + 8 + static_cast<uint32_t>(fmt.size()) + 8 + dataBytes, 4);
    head += "WAVEfmt ";
    put(head, static_cast<uint32_t>(fmt.size()), 4);
    head += fmt + "data";
    put(head, dataBytes, 4);
    return head;
}

// One sample in the layout's encoding, from -1 to 1.
std::string encodeSample(const WaveLayout& w, double v) {
    std::string out;
    if (w.tag == 3) {
        const float f = static_cast<float>(v);
        uint32_t word = 0;
        std::memcpy(&word, &f, 4);
        put(out, word, 4);
    } else if (w.bits == 8) {
        put(out, static_cast<uint32_t>(std::lround(128 + v * 127)), 1);
    } else {
        const double full = std::ldexp(1.0, w.bits - 1) - 1;
        put(out, static_cast<uint32_t>(static_cast<int64_t>(std::lround(v * full))), w.bits / 8);
    }
    return out;
}

// A track of `frames` frames, silent but for a click of 20 frames at clickFrame on every channel;
// written sparsely (only the 3 s around the click), so that a track of gigabytes costs no disk.
void writeTrack(const std::string& path, const WaveLayout& w, int64_t frames, int64_t clickFrame,
                double level = 0.9) {
    const int64_t block = w.channels * w.bits / 8;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const std::string head = waveHeader(w, static_cast<uint32_t>(frames * block));
    const int64_t from = std::max<int64_t>(clickFrame - 3 * w.rate, 0);
    const int64_t to = std::min(frames, clickFrame + 3 * w.rate);
    std::string around;
    for (int64_t at = from; at < to; ++at) {
        for (int c = 0; c < w.channels; ++c) {
            around += encodeSample(w, at >= clickFrame && at < clickFrame + 20 ? level : 0);
        }
    }
    ASSERT_EQ(pwrite(fd, head.data(), head.size(), 0), static_cast<ssize_t>(head.size()));
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(head.size() + frames * block)), 0);
    ASSERT_EQ(
        pwrite(fd, around.data(), around.size(), static_cast<off_t>(head.size() + from * block)),
        static_cast<ssize_t>(around.size()));
    close(fd);
}

// Where the converted sound is loudest, in samples at the video's rate from the track's start.
int64_t loudest(const VideoSound& sound, float& peak) {
    const std::vector<float>& p = sound.planes[0];
    const auto at = std::max_element(p.begin(), p.end(),
                                     [](float a, float b) { return std::fabs(a) < std::fabs(b); });
    peak = at == p.end() ? 0.0f : std::fabs(*at);
    return sound.firstSample + (at - p.begin());
}

bool load(const std::string& path, int64_t fromMs, int64_t lastMs, VideoSound& sound,
          std::string& error, bool regularOnly = false) {
    SoundRequest request;
    request.fileName = path;
    request.regularOnly = regularOnly;
    request.fromMs = fromMs;
    request.lastMs = lastMs;
    bool missing = false;
    return loadVideoSound(request, sound, error, missing);
}

}  // namespace

// Tracks of hours, at any rate: the cut's part is found and converted, in memory for the cut.
TEST(SoundTrack, ReadsOnlyTheCutOfALongTrackAtItsInstants) {
    struct Case {
        WaveLayout layout;
        int64_t frames;
    };
    const Case cases[] = {
        {{48000, 1, 8, 1, false}, 2400000000},  // 2.4 GB, 14 hours
        {{1000, 1, 8, 1, false}, 46000000},     // 46 M frames at 1 kHz
        {{44100, 2, 24, 1, false}, 200000000},  // 1.2 GB
        {{96000, 1, 32, 3, true}, 300000000},   // float, WAVE_FORMAT_EXTENSIBLE
    };
    const std::string path = "sound-track-test-long.wav";
    for (const Case& c : cases) {
        const int64_t clickMs = 30000;
        writeTrack(path, c.layout, c.frames, clickMs * c.layout.rate / 1000);
        VideoSound sound;
        std::string error;
        ASSERT_TRUE(load(path, 29500, 31000, sound, error)) << error;
        EXPECT_EQ(sound.rate, videoSoundRate);
        EXPECT_EQ(sound.channels, std::min(c.layout.channels, 2));
        EXPECT_EQ(sound.firstSample, 29500 * 48);
        // The cut and a second after it, not the track.
        EXPECT_EQ(sound.planes[0].size(), static_cast<size_t>((31000 + 1000 - 29500) * 48));
        float peak = 0;
        const int64_t at = loudest(sound, peak);
        EXPECT_GT(peak, 0.5f) << c.layout.rate;
        // The click lasts 20 frames; its loudest sample lies within it.
        const int64_t clickAt = clickMs * 48;
        EXPECT_GE(at, clickAt - 2) << c.layout.rate;
        EXPECT_LE(at, clickAt + 20 * 48000 / c.layout.rate + 2) << c.layout.rate;
    }
    std::remove(path.c_str());
}

TEST(SoundTrack, MixesManyChannelsToStereoWithoutClipping) {
    const std::string path = "sound-track-test-51.wav";
    WaveLayout layout;
    layout.channels = 6;
    layout.extensible = true;
    writeTrack(path, layout, 48000 * 2, 48000, 0.89);
    VideoSound sound;
    std::string error;
    ASSERT_TRUE(load(path, 0, 1500, sound, error)) << error;
    ASSERT_EQ(sound.channels, 2);
    for (const std::vector<float>& plane : sound.planes) {
        float peak = 0;
        for (const float v : plane) {
            peak = std::max(peak, std::fabs(v));
        }
        EXPECT_GT(peak, 0.3f);
        EXPECT_LE(peak, 1.0f);
    }
    std::remove(path.c_str());
}

TEST(SoundTrack, RefusesWhatTheVideoCannotCarryAndSaysWhy) {
    const std::string path = "sound-track-test-bad.wav";
    const struct {
        WaveLayout layout;
        const char* said;
    } cases[] = {
        {{999, 1, 16, 1, false}, "it plays at 999 Hz; the video takes 1000 to 384000 Hz"},
        {{48000, 9, 16, 1, false}, "it has 9 channels; the video takes 1 to 8"},
        {{8000, 1, 8, 6, false},
         "its samples are encoded as format 6 with 8 bits; the video takes PCM of 8, 16, "
         "24 or 32 bits or 32-bit float"},  // A-law
    };
    for (const auto& c : cases) {
        writeTrack(path, c.layout, 1000, 10);
        VideoSound sound;
        std::string error;
        EXPECT_FALSE(load(path, 0, 1000, sound, error));
        EXPECT_EQ(error, "cannot read the sound " + path + ": " + c.said);
    }
    std::remove(path.c_str());
    VideoSound sound;
    std::string error;
    EXPECT_FALSE(load(".", 0, 1000, sound, error));
    EXPECT_EQ(error, "cannot read the sound .: Is a directory");

    // The default track as a FIFO that nobody writes to: refused at once, not waited on.
    const std::string fifo = "sound-track-test-fifo.wav";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(load(fifo, 0, 1000, sound, error, true));
    EXPECT_EQ(error, "cannot read the sound " + fifo + ": it is not a regular file");
    std::remove(fifo.c_str());
}

// A named track may come through a pipe: read forwards up to the cut's end.
TEST(SoundTrack, ReadsATrackThroughAPipe) {
    const std::string path = "sound-track-test-piped.wav";
    writeTrack(path, WaveLayout{}, 48000 * 4, 48000 * 2);
    std::FILE* pipe = popen(("cat " + path).c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    VideoSound sound;
    std::string error;
    const bool loaded = load("/dev/fd/" + std::to_string(fileno(pipe)), 1500, 2500, sound, error);
    pclose(pipe);
    ASSERT_TRUE(loaded) << error;
    float peak = 0;
    EXPECT_NEAR(static_cast<double>(loudest(sound, peak)), 2000 * 48 + 10, 12);
    EXPECT_GT(peak, 0.5f);
    std::remove(path.c_str());
}

namespace {

std::string chunk(const char* tag, const std::string& body, uint32_t declared) {
    std::string out = tag;
    put(out, declared, 4);
    return out + body + (body.size() % 2 == 1 ? std::string(1, '\0') : "");
}

// A RIFF file, or an RF64 one, whose sizes are in its ds64 chunk instead.
void writeWave(const std::string& path, const std::string& chunks, bool rf64 = false) {
    std::string file = rf64 ? "RF64" : "RIFF";
    put(file, rf64 ? 0xFFFFFFFFu : static_cast<uint32_t>(4 + chunks.size()), 4);
    std::ofstream(path, std::ios::binary) << file << "WAVE" << chunks;
}

}  // namespace

// The layouts recorders and editors write, read by libavformat's demuxer as they were by hand:
// chunks in any order, odd-sized chunks padded, a data size left open, a file cut short, and
// RF64, which the hand-made reader did not take.
TEST(SoundTrack, ReadsTheLayoutsRecordersWrite) {
    const WaveLayout w;  // 48 kHz, mono, 16 bits
    const std::string fmt = waveHeader(w, 0).substr(20, 16);
    std::string samples;
    for (int i = 0; i < 96000; ++i) {
        samples += encodeSample(w, i >= 48000 && i < 48020 ? 0.9 : 0);
    }
    const auto size = static_cast<uint32_t>(samples.size());
    const std::string fmtChunk = chunk("fmt ", fmt, 16);
    std::string ds64;
    for (const uint32_t word : {0u, 0u, size, 0u, 96000u, 0u, 0u}) {
        put(ds64, word, 4);  // RIFF size, data size and frames, 64 bits each; no table
    }
    const struct {
        const char* how;
        std::string chunks;
        bool rf64 = false;
    } cases[] = {
        {"data before fmt", chunk("data", samples, size) + fmtChunk},
        {"odd chunk first", chunk("JUNK", "odd", 3) + fmtChunk + chunk("data", samples, size)},
        {"size left open", fmtChunk + chunk("data", samples, 0xFFFFFFFFu)},
        {"cut short", fmtChunk + chunk("data", samples.substr(0, 2 * 49000), size)},
        {"RF64", chunk("ds64", ds64, 28) + fmtChunk + chunk("data", samples, 0xFFFFFFFFu), true},
    };
    const std::string path = "sound-track-test-layout.wav";
    for (const auto& c : cases) {
        writeWave(path, c.chunks, c.rf64);
        VideoSound sound;
        std::string error;
        ASSERT_TRUE(load(path, 500, 1500, sound, error)) << c.how << ": " << error;
        float peak = 0;
        EXPECT_NEAR(static_cast<double>(loudest(sound, peak)), 48010, 12) << c.how;
        EXPECT_GT(peak, 0.5f) << c.how;
    }

    // Float samples that are no numbers are silence, not spread over their neighbours.
    WaveLayout floats;
    floats.bits = 32;
    floats.tag = 3;
    std::string odd;
    for (int i = 0; i < 48000; ++i) {
        odd += encodeSample(floats, i % 1000 == 0 ? std::nan("") : 0.25);
    }
    writeWave(path, chunk("fmt ", waveHeader(floats, 0).substr(20, 16), 16) +
                        chunk("data", odd, static_cast<uint32_t>(odd.size())));
    VideoSound sound;
    std::string error;
    ASSERT_TRUE(load(path, 0, 500, sound, error)) << error;
    EXPECT_TRUE(std::all_of(sound.planes[0].begin(), sound.planes[0].end(),
                            [](float v) { return std::isfinite(v) && std::fabs(v) < 0.5f; }));
    std::remove(path.c_str());
}

TEST(SoundTrack, SaysWhyAFileIsNoTrack) {
    const std::string path = "sound-track-test-none.wav";
    const WaveLayout w;
    const std::string fmtChunk = chunk("fmt ", waveHeader(w, 0).substr(20, 16), 16);
    const struct {
        std::string contents;
        const char* said;
    } cases[] = {
        {"ID3 and an MP3, perhaps", "it is not a WAVE file (no RIFF header)"},
        {"", "it is not a WAVE file (no RIFF header)"},
        {std::string("RIFF\x2C\0\0\0WAVE", 12) + fmtChunk + chunk("data", "", 0),
         "it holds no samples"},
        {std::string("RIFF\x2C\0\0\0WAVE", 12) + fmtChunk.substr(0, 14),
         "its WAVE header is damaged"},
        {std::string("RIFF\x2C\0\0\0WAVE", 12) + fmtChunk, "its WAVE header is damaged"},
    };
    for (const auto& c : cases) {
        std::ofstream(path, std::ios::binary) << c.contents;
        VideoSound sound;
        std::string error;
        EXPECT_FALSE(load(path, 0, 1000, sound, error));
        EXPECT_EQ(error, "cannot read the sound " + path + ": " + c.said);
    }

    // Through a pipe, samples before their format cannot be gone back to.
    std::string samples(9600, '\0');
    writeWave(path, chunk("data", samples, 9600) + fmtChunk);
    std::FILE* pipe = popen(("cat " + path).c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    VideoSound sound;
    std::string error;
    EXPECT_FALSE(load("/dev/fd/" + std::to_string(fileno(pipe)), 0, 100, sound, error));
    pclose(pipe);
    EXPECT_NE(error.find("try the file itself"), std::string::npos) << error;
    std::remove(path.c_str());
}
