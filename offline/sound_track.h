// The sound track of a video file: the part of a WAVE file that a cut of the show needs, read
// straight from the file and converted for the encoders in pieces of bounded size, so that a
// track of any length costs memory in proportion to the cut, not to the track.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

constexpr int videoSoundRate = 48000;  // Opus's own rate, and one that every AAC player takes

// The cut's sound, converted: planar float samples at videoSoundRate, one or two channels (more
// are mixed down to two without clipping). planes[c][i] is the track's sample firstSample + i at
// that rate; samples outside the planes are silence.
struct VideoSound {
    int rate = 0;
    int channels = 0;
    int64_t firstSample = 0;
    std::vector<float> planes[2];
};

struct SoundRequest {
    std::string fileName;
    // Only a regular file is taken, opened without waiting (the default track in the working
    // directory: a FIFO there must not hold the run). A named track may come through a pipe.
    bool regularOnly = false;
    int64_t fromMs = 0;  // the cut: the show's instants of its first and last frames
    int64_t lastMs = 0;
};

// Reads the cut's part of the WAVE file through libavformat: PCM of 8, 16, 24 or 32 bits or 32-bit
// float, plain or WAVE_FORMAT_EXTENSIBLE, RF64 too, 1000 to 384000 Hz, 1 to 8 channels. False with
// a one-line reason that names the file; missing says whether the file is simply not there.
bool loadVideoSound(const SoundRequest& request, VideoSound& sound, std::string& error,
                    bool& missing);
