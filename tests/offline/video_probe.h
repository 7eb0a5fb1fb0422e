// Opening a video file again with FFmpeg's libraries, as a player would, for the video tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct VideoProbe {
    bool opened = false;
    std::string container;  // libavformat's name of the format it found
    int videoStreams = 0;
    int audioStreams = 0;
    double videoSeconds = 0;  // from the decoded frames: their count over the frame rate
    double audioSeconds = 0;  // from the decoded samples
    int64_t videoFrames = 0;
    int width = 0;
    int height = 0;
    double fps = 0;
    int sampleRate = 0;
    int channels = 0;
    std::vector<float> sound;  // the first channel, decoded
    // The decoded planes of the frame asked for: Y, then Cb and Cr at half size each way.
    std::vector<uint8_t> frameYcbcr;
};

// Decodes the whole file; keeps the planes of frame number keepFrame (from 0), if any.
VideoProbe probeVideo(const std::string& path, int64_t keepFrame = -1);

// Peak signal-to-noise ratio in dB between two sets of 8-bit samples of the same length.
double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);
