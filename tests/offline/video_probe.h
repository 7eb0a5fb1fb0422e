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
    // What a player that follows the file plays: the decoded samples, up to the end the file
    // states for its sound. An MP4 states it in its edit list, which FFmpeg's demuxer reports as
    // the stream's duration but does not apply to the decoded sound (it applies only the list's
    // start); Matroska and WebM state it as discard padding, which the decoder applies itself.
    double audioSeconds = 0;
    double decodedAudioSeconds = 0;  // every sample the decoder gives, up to whole coded frames
    int64_t videoFrames = 0;
    int width = 0;
    int height = 0;
    double fps = 0;
    int sampleRate = 0;
    int channels = 0;
    std::vector<float> sound;  // the first channel, as a player plays it (audioSeconds long)
    // The decoded planes of the frame asked for: Y, then Cb and Cr at half size each way.
    std::vector<uint8_t> frameYcbcr;
};

// Decodes the whole file; keeps the planes of frame number keepFrame (from 0), if any.
VideoProbe probeVideo(const std::string& path, int64_t keepFrame = -1);

// Peak signal-to-noise ratio in dB between two sets of 8-bit samples of the same length.
double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);
