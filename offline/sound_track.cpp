#include "offline/sound_track.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include "process/sound_track_limits.h"

namespace {

constexpr int lowestRate = soundTrackLowestRate;
constexpr int highestRate = soundTrackHighestRate;
constexpr int mostChannels = soundTrackMostChannels;
constexpr int64_t framesPerPiece = 16384;  // read and converted at a time

// Where the bytes come from: a file read at any offset, or a pipe read forwards only.
struct WaveSource {
    int fd = -1;
    bool seekable = false;
    int64_t position = 0;   // a pipe's bytes read so far
    int64_t fileSize = -1;  // a regular file's size
};

struct WaveFormat {
    bool isFloat = false;
    int bits = 0;  // per sample as stored
    int channels = 0;
    int rate = 0;
    uint64_t channelMask = 0;  // WAVE_FORMAT_EXTENSIBLE's speakers, 0 when not given
    int64_t dataOffset = -1;
    int64_t frames = 0;
    int bytesPerFrame() const {
        return bits / 8 * channels;
    }
};

// Up to size bytes from offset; fewer at the end of the file. -1 with errno on failure; a pipe
// cannot go back (ESPIPE).
int64_t readAt(WaveSource& source, int64_t offset, void* buffer, int64_t size) {
    if (!source.seekable) {
        if (offset < source.position) {
            errno = ESPIPE;
            return -1;
        }
        char skipped[4096];
        while (source.position < offset) {
            const int64_t step = std::min<int64_t>(sizeof skipped, offset - source.position);
            const int64_t got = readAt(source, source.position, skipped, step);
            if (got <= 0) {
                return got;
            }
        }
    }
    int64_t done = 0;
    while (done < size) {
        char* at = static_cast<char*>(buffer) + done;
        const ssize_t got =
            source.seekable ? pread(source.fd, at, static_cast<size_t>(size - done), offset + done)
                            : read(source.fd, at, static_cast<size_t>(size - done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += got;
        source.position += source.seekable ? 0 : got;
    }
    return done;
}

uint32_t le(const unsigned char* p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = (v << 8) | p[i];
    }
    return v;
}

// The fmt chunk: PCM integers, IEEE floats, or either inside WAVE_FORMAT_EXTENSIBLE.
bool readFmt(const unsigned char* fmt, int64_t size, WaveFormat& format, std::string& why) {
    if (size < 16) {
        why = "its fmt chunk is cut short";
        return false;
    }
    uint32_t tag = le(fmt, 2);
    format.channels = static_cast<int>(le(fmt + 2, 2));
    format.rate = static_cast<int>(std::min<uint32_t>(le(fmt + 4, 4), INT32_MAX));
    format.bits = static_cast<int>(le(fmt + 14, 2));
    if (tag == 0xFFFE && size >= 40) {
        format.channelMask = le(fmt + 20, 4);
        tag = le(fmt + 24, 2);  // the sub-format GUID starts with the plain tag
    }
    format.isFloat = tag == 3;
    const bool intOk = tag == 1 && (format.bits == 8 || format.bits == 16 || format.bits == 24 ||
                                    format.bits == 32);
    if (!intOk && !(format.isFloat && format.bits == 32)) {
        why = "its samples are encoded as format " + std::to_string(tag) + " with " +
              std::to_string(format.bits) +
              " bits; the video takes PCM of 8, 16, 24 or 32 bits "
              "or 32-bit float";
        return false;
    }
    if (format.channels < 1 || format.channels > mostChannels) {
        why = "it has " + std::to_string(format.channels) + " channels; the video takes 1 to " +
              std::to_string(mostChannels);
        return false;
    }
    if (format.rate < lowestRate || format.rate > highestRate) {
        why = "it plays at " + std::to_string(format.rate) + " Hz; the video takes " +
              std::to_string(lowestRate) + " to " + std::to_string(highestRate) + " Hz";
        return false;
    }
    return true;
}

// The frames the data chunk holds: what it declares, or what the file holds where that is
// less (a file cut short) or the size is left open (0 or 0xFFFFFFFF, as recorders write
// while they still record).
int64_t dataFrames(const WaveSource& source, const WaveFormat& format, uint32_t declared) {
    int64_t bytes = declared;
    const bool open = declared == 0 || declared == 0xFFFFFFFFu;
    if (source.seekable) {
        const int64_t held = std::max<int64_t>(source.fileSize - format.dataOffset, 0);
        bytes = open ? held : std::min(bytes, held);
    } else if (open) {
        bytes = INT64_MAX / 2;  // to the end of the pipe
    }
    return bytes / format.bytesPerFrame();
}

// Finds the fmt and data chunks after the RIFF header. why says what is wrong when false.
bool scanChunks(WaveSource& source, WaveFormat& format, std::string& why) {
    unsigned char head[12];
    const int64_t got = readAt(source, 0, head, 12);
    if (got < 0) {
        why = std::strerror(errno);
        return false;
    }
    if (got != 12 || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) {
        why = "it is not a WAVE file (no RIFF header)";
        return false;
    }
    bool haveFmt = false;
    uint32_t dataBytes = 0;
    int64_t at = 12;
    while (!haveFmt || format.dataOffset < 0) {
        unsigned char chunk[8];
        if (readAt(source, at, chunk, 8) != 8) {
            why = haveFmt ? "it has no data chunk" : "it has no fmt chunk";
            return false;
        }
        const uint32_t size = le(chunk + 4, 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0 && !haveFmt) {
            unsigned char fmt[40] = {};
            const int64_t want = std::min<int64_t>(size, sizeof fmt);
            if (readAt(source, at + 8, fmt, want) != want) {
                why = "its fmt chunk is cut short";
                return false;
            }
            if (!readFmt(fmt, size, format, why)) {
                return false;
            }
            haveFmt = true;
        } else if (std::memcmp(chunk, "data", 4) == 0 && format.dataOffset < 0) {
            if (!haveFmt && !source.seekable) {
                why =
                    "its samples come before their format, which a pipe cannot go back to; "
                    "try the file itself";
                return false;
            }
            format.dataOffset = at + 8;
            dataBytes = size;
        }
        at += 8 + static_cast<int64_t>(size) + (size & 1);  // chunks are padded to even sizes
    }
    format.frames = dataFrames(source, format, dataBytes);
    if (format.frames < 1) {
        why = "it holds no samples";
        return false;
    }
    return true;
}

std::string averror(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

float sampleAt(const unsigned char* p, const WaveFormat& format) {
    switch (format.bits) {
        case 8:
            return (static_cast<float>(p[0]) - 128.0f) / 128.0f;
        case 16:
            return static_cast<float>(static_cast<int16_t>(le(p, 2))) / 32768.0f;
        case 24:
            return static_cast<float>(static_cast<int32_t>(le(p, 3) << 8)) / 2147483648.0f;
        default:
            break;
    }
    const uint32_t word = le(p, 4);
    if (format.isFloat) {
        float v = 0;
        std::memcpy(&v, &word, sizeof v);
        return std::isfinite(v) ? v : 0.0f;
    }
    return static_cast<float>(static_cast<int32_t>(word)) / 2147483648.0f;
}

// Resamples to videoSoundRate into the sound's planes, mixing more than two channels to two
// with the mix scaled so that it cannot clip.
struct Conversion {
    SwrContext* resampler = nullptr;
    int64_t toDrop = 0;  // converted samples before the cut's first
    int64_t wanted = 0;  // samples the planes take
};

int startConversion(const WaveFormat& format, VideoSound& sound, Conversion& conversion) {
    AVChannelLayout inLayout;
    AVChannelLayout outLayout;
    if (format.channelMask == 0 || av_channel_layout_from_mask(&inLayout, format.channelMask) < 0 ||
        inLayout.nb_channels != format.channels) {
        av_channel_layout_default(&inLayout, format.channels);
    }
    av_channel_layout_default(&outLayout, std::min(format.channels, 2));
    int status =
        swr_alloc_set_opts2(&conversion.resampler, &outLayout, AV_SAMPLE_FMT_FLTP, videoSoundRate,
                            &inLayout, AV_SAMPLE_FMT_FLT, format.rate, 0, nullptr);
    if (status >= 0) {
        // A full-scale 5.1 track mixed to stereo otherwise peaks far above full scale.
        status = av_opt_set_double(conversion.resampler, "rematrix_maxval", 1.0, 0);
    }
    if (status >= 0) {
        status = swr_init(conversion.resampler);
    }
    sound.rate = videoSoundRate;
    sound.channels = outLayout.nb_channels;
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    return status;
}

// Adds converted samples to the planes, less those before the cut and after its end.
void keepConverted(float* const* converted, int64_t count, VideoSound& sound, Conversion& c) {
    const int64_t drop = std::min(count, c.toDrop);
    c.toDrop -= drop;
    const int64_t room = c.wanted - static_cast<int64_t>(sound.planes[0].size());
    const int64_t keep = std::min(count - drop, room);
    for (int ch = 0; ch < sound.channels && keep > 0; ++ch) {
        sound.planes[ch].insert(sound.planes[ch].end(), converted[ch] + drop,
                                converted[ch] + drop + keep);
    }
}

// Feeds one piece of samples (or, with null, what the resampler still holds) through it.
int convertPiece(const float* samples, int frames, VideoSound& sound, Conversion& c) {
    std::vector<float> out[2];
    const int capacity = swr_get_out_samples(c.resampler, frames) + 64;
    float* planes[2] = {nullptr, nullptr};
    for (int ch = 0; ch < sound.channels; ++ch) {
        out[ch].resize(static_cast<size_t>(capacity));
        planes[ch] = out[ch].data();
    }
    const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(samples)};
    const int made = swr_convert(c.resampler, reinterpret_cast<uint8_t**>(planes), capacity,
                                 samples != nullptr ? in : nullptr, frames);
    if (made > 0) {
        keepConverted(planes, made, sound, c);
    }
    return made;
}

// Reads the input frames [from, to) in pieces and converts them. errno-style reason on failure.
bool convertRange(WaveSource& source, const WaveFormat& format, int64_t from, int64_t to,
                  VideoSound& sound, Conversion& c, std::string& why) {
    const int bytesPerFrame = format.bytesPerFrame();
    const int sampleBytes = format.bits / 8;
    std::vector<unsigned char> raw(static_cast<size_t>(framesPerPiece * bytesPerFrame));
    std::vector<float> samples(static_cast<size_t>(framesPerPiece * format.channels));
    for (int64_t at = from; at < to;) {
        const int64_t want = std::min(framesPerPiece, to - at);
        const int64_t got = readAt(source, format.dataOffset + at * bytesPerFrame, raw.data(),
                                   want * bytesPerFrame);
        if (got < 0) {
            why = std::strerror(errno);
            return false;
        }
        const int64_t frames = got / bytesPerFrame;
        for (int64_t i = 0; i < frames * format.channels; ++i) {
            samples[static_cast<size_t>(i)] = sampleAt(raw.data() + i * sampleBytes, format);
        }
        const int made = convertPiece(samples.data(), static_cast<int>(frames), sound, c);
        if (made < 0) {
            why = "cannot convert: " + averror(made);
            return false;
        }
        if (frames < want) {
            break;  // the file ends sooner than its header says: the rest is silence
        }
        at += frames;
    }
    return convertPiece(nullptr, 0, sound, c) >= 0;
}

// Converts the input frames the cut needs, with some before and after it so that the resampling
// filter sees the track as it is around the cut's edges.
bool convertCut(WaveSource& source, const WaveFormat& format, const SoundRequest& request,
                VideoSound& sound, std::string& why) {
    const int64_t first = request.fromMs * videoSoundRate / 1000;
    // Past the last frame by a second: the last picture's span and an encoder's last frame.
    const int64_t end = (request.lastMs + 1000) * videoSoundRate / 1000;
    const int64_t margin = format.rate / 100 + 64;
    const int64_t inFirst = std::max<int64_t>(first * format.rate / videoSoundRate - margin, 0);
    const int64_t inEnd = std::min(format.frames, end * format.rate / videoSoundRate + margin + 1);
    Conversion c;
    c.wanted = end - first;
    c.toDrop = std::llround(static_cast<double>(first) -
                            static_cast<double>(inFirst) * videoSoundRate / format.rate);
    sound.firstSample = first;
    int status = startConversion(format, sound, c);
    bool ok = status >= 0;
    if (!ok) {
        why = "cannot convert: " + averror(status);
    } else if (inFirst < inEnd) {
        for (int ch = 0; ch < sound.channels; ++ch) {
            sound.planes[ch].reserve(static_cast<size_t>(c.wanted));
        }
        ok = convertRange(source, format, inFirst, inEnd, sound, c, why);
    }
    swr_free(&c.resampler);
    return ok;
}

// Opens the track: a named one as any reader does (a FIFO waits for its writer), the default
// one only when it is a regular file, without waiting.
bool openSource(const SoundRequest& request, WaveSource& source, std::string& why, bool& missing) {
    const int flags = O_RDONLY | O_CLOEXEC | (request.regularOnly ? O_NONBLOCK : 0);
    source.fd = open(request.fileName.c_str(), flags);
    struct stat status = {};
    if (source.fd < 0 || fstat(source.fd, &status) != 0) {
        missing = source.fd < 0 && errno == ENOENT;
        why = std::strerror(errno);
        return false;
    }
    if (request.regularOnly && !S_ISREG(status.st_mode)) {
        why = S_ISDIR(status.st_mode) ? "it is a directory" : "it is not a regular file";
        return false;
    }
    source.seekable = S_ISREG(status.st_mode);
    source.fileSize = status.st_size;
    return true;
}

}  // namespace

bool loadVideoSound(const SoundRequest& request, VideoSound& sound, std::string& error,
                    bool& missing) {
    sound = VideoSound{};
    WaveSource source;
    WaveFormat format;
    std::string why;
    missing = false;
    const bool ok = openSource(request, source, why, missing) && scanChunks(source, format, why) &&
                    convertCut(source, format, request, sound, why);
    if (source.fd >= 0) {
        close(source.fd);
    }
    if (!ok) {
        sound = VideoSound{};
        error = "cannot read the sound " + request.fileName + ": " + why;
    }
    return ok;
}
