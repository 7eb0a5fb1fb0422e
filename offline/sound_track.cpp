#include "offline/sound_track.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <new>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include "process/sound_track_limits.h"

namespace {

// The track as FFmpeg reads it: libavformat's WAV demuxer on the program's own descriptor (so
// that the default track is opened without waiting), the PCM decoder and the resampler to the
// video's rate. Positions count the track's frames at its own rate.
struct Track {
    int fd = -1;
    bool seekable = false;
    AVIOContext* io = nullptr;
    AVFormatContext* file = nullptr;
    AVCodecContext* decoder = nullptr;
    SwrContext* resampler = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int rate = 0;
    int64_t inFirst = 0;  // the track's frames the cut needs, with a margin each side
    int64_t inEnd = 0;
    int64_t next = -1;  // the frame the next decoded sample is, -1 until the first is
    ~Track() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        swr_free(&resampler);
        avcodec_free_context(&decoder);
        avformat_close_input(&file);
        avio_closep(&io);
        if (fd >= 0) {
            close(fd);
        }
    }
};

std::string averror(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// Opens the track: a named one as any reader does (a FIFO waits for its writer), the default
// one only when it is a regular file, without waiting. FFmpeg reads a file through the
// descriptor's name, at any offset, and anything else as a pipe, forwards only.
bool openSource(const SoundRequest& request, Track& t, std::string& why, bool& missing) {
    const int flags = O_RDONLY | O_CLOEXEC | (request.regularOnly ? O_NONBLOCK : 0);
    t.fd = open(request.fileName.c_str(), flags);
    struct stat status = {};
    if (t.fd < 0 || fstat(t.fd, &status) != 0) {
        missing = t.fd < 0 && errno == ENOENT;
        why = std::strerror(errno);
        return false;
    }
    if (request.regularOnly && !S_ISREG(status.st_mode)) {
        why = S_ISDIR(status.st_mode) ? "it is a directory" : "it is not a regular file";
        return false;
    }
    t.seekable = S_ISREG(status.st_mode);
    const std::string fd = std::to_string(t.fd);
    const int code = avio_open(&t.io, (t.seekable ? "file:/dev/fd/" + fd : "pipe:" + fd).c_str(),
                               AVIO_FLAG_READ);
    why = code < 0 ? averror(code) : "";
    return code >= 0;
}

// The WAVE header through the demuxer. Only PCM of whole bytes and 32-bit float are taken, as
// the show's own player takes them, within the limits both programs share.
bool readHeader(const SoundRequest& request, Track& t, std::string& why) {
    unsigned char head[12] = {};
    const int got = avio_read(t.io, head, sizeof head);
    if (got < 0 && got != AVERROR_EOF) {
        why = averror(got);
        return false;
    }
    const auto is = [&head](int at, const char* tag) {
        return std::memcmp(head + at, tag, 4) == 0;
    };
    if (got != 12 || !(is(0, "RIFF") || is(0, "RF64") || is(0, "BW64")) || !is(8, "WAVE")) {
        why = "it is not a WAVE file (no RIFF header)";
        return false;
    }
    avio_seek(t.io, 0, SEEK_SET);  // within the buffer: a pipe goes back as well
    t.file = avformat_alloc_context();
    t.file->pb = t.io;
    t.file->flags |= AVFMT_FLAG_CUSTOM_IO;
    const int status = avformat_open_input(&t.file, request.fileName.c_str(),
                                           av_find_input_format("wav"), nullptr);
    if (status == AVERROR_INVALIDDATA) {  // also a header cut short, or without a data chunk
        why = t.seekable ? "its WAVE header is damaged"
                         : "its WAVE header cannot be read through a pipe (its samples may come "
                           "before their format); try the file itself";
    } else if (status < 0) {
        why = averror(status);
    }
    return status >= 0;
}

// The stream's samples as the video takes them. why says what is not when false.
bool takesStream(const AVCodecParameters& p, std::string& why) {
    const AVCodecID id = p.codec_id;
    if (id != AV_CODEC_ID_PCM_U8 && id != AV_CODEC_ID_PCM_S16LE && id != AV_CODEC_ID_PCM_S24LE &&
        id != AV_CODEC_ID_PCM_S32LE && id != AV_CODEC_ID_PCM_F32LE) {
        why = "its samples are encoded as format " + std::to_string(p.codec_tag) + " with " +
              std::to_string(p.bits_per_coded_sample) +
              " bits; the video takes PCM of 8, 16, 24 or 32 bits or 32-bit float";
        return false;
    }
    const int channels = p.ch_layout.nb_channels;
    if (channels < 1 || channels > soundTrackMostChannels) {
        why = "it has " + std::to_string(channels) + " channels; the video takes 1 to " +
              std::to_string(soundTrackMostChannels);
        return false;
    }
    if (p.sample_rate < soundTrackLowestRate || p.sample_rate > soundTrackHighestRate) {
        why = "it plays at " + std::to_string(p.sample_rate) + " Hz; the video takes " +
              std::to_string(soundTrackLowestRate) + " to " +
              std::to_string(soundTrackHighestRate) + " Hz";
        return false;
    }
    return true;
}

// The decoder and the resampler, which mixes more than two channels to two with the mix scaled
// so that it cannot clip.
int startDecoding(Track& t, VideoSound& sound) {
    const AVCodecParameters& p = *t.file->streams[0]->codecpar;
    t.decoder = avcodec_alloc_context3(avcodec_find_decoder(p.codec_id));
    t.packet = av_packet_alloc();
    t.frame = av_frame_alloc();
    if (t.decoder == nullptr || t.packet == nullptr || t.frame == nullptr) {
        throw std::bad_alloc();
    }
    int status = avcodec_parameters_to_context(t.decoder, &p);
    status = status < 0 ? status : avcodec_open2(t.decoder, t.decoder->codec, nullptr);
    if (status < 0) {
        return status;
    }
    AVChannelLayout in = {};
    AVChannelLayout out = {};
    if (p.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC ||
        av_channel_layout_copy(&in, &p.ch_layout) < 0) {
        av_channel_layout_default(&in, p.ch_layout.nb_channels);
    }
    av_channel_layout_default(&out, std::min(p.ch_layout.nb_channels, 2));
    status = swr_alloc_set_opts2(&t.resampler, &out, AV_SAMPLE_FMT_FLTP, videoSoundRate, &in,
                                 t.decoder->sample_fmt, p.sample_rate, 0, nullptr);
    // A full-scale 5.1 track mixed to stereo otherwise peaks far above full scale.
    status = status < 0 ? status : av_opt_set_double(t.resampler, "rematrix_maxval", 1.0, 0);
    status = status < 0 ? status : swr_init(t.resampler);
    t.rate = p.sample_rate;
    sound.rate = videoSoundRate;
    sound.channels = out.nb_channels;
    av_channel_layout_uninit(&in);
    av_channel_layout_uninit(&out);
    return status;
}

// Feeds frames of samples (or, with none, what the resampler still holds) through it, onto the
// end of the planes.
int convert(const uint8_t* samples, int frames, VideoSound& sound, Track& t) {
    const std::size_t held = sound.planes[0].size();
    const int capacity = swr_get_out_samples(t.resampler, frames) + 64;
    uint8_t* planes[2] = {nullptr, nullptr};
    for (int ch = 0; ch < sound.channels; ++ch) {
        sound.planes[ch].resize(held + static_cast<std::size_t>(capacity));
        planes[ch] = reinterpret_cast<uint8_t*>(sound.planes[ch].data() + held);
    }
    const uint8_t* in[1] = {samples};
    const int made =
        swr_convert(t.resampler, planes, capacity, samples != nullptr ? in : nullptr, frames);
    for (int ch = 0; ch < sound.channels; ++ch) {
        sound.planes[ch].resize(held + static_cast<std::size_t>(std::max(made, 0)));
    }
    return made;
}

// Converts the part of the decoded frame that lies within the frames the cut needs. Non-finite
// float samples are silence: the resampling filter would smear them over their neighbours.
int convertFrame(VideoSound& sound, Track& t) {
    AVFrame& f = *t.frame;
    const AVRational track = {1, t.rate};
    const int64_t at = f.pts != AV_NOPTS_VALUE && t.next < 0
                           ? av_rescale_q(f.pts, t.file->streams[0]->time_base, track)
                           : std::max<int64_t>(t.next, 0);
    t.next = at + f.nb_samples;
    const int64_t skip = std::max<int64_t>(t.inFirst - at, 0);
    const int64_t count = std::min<int64_t>(t.next, t.inEnd) - at - skip;
    if (count <= 0) {
        return 0;
    }
    const int frameBytes = av_get_bytes_per_sample(t.decoder->sample_fmt) * f.ch_layout.nb_channels;
    uint8_t* samples = f.extended_data[0] + skip * frameBytes;
    if (t.decoder->sample_fmt == AV_SAMPLE_FMT_FLT) {
        float* values = reinterpret_cast<float*>(samples);
        std::replace_if(
            values, values + count * f.ch_layout.nb_channels,
            [](float v) { return !std::isfinite(v); }, 0.0f);
    }
    return convert(samples, static_cast<int>(count), sound, t);
}

// Decodes the packet in hand and converts its samples.
int decodePacket(VideoSound& sound, Track& t) {
    int status = avcodec_send_packet(t.decoder, t.packet);
    av_packet_unref(t.packet);
    while (status >= 0) {
        status = avcodec_receive_frame(t.decoder, t.frame);
        if (status == AVERROR(EAGAIN)) {
            return 0;
        }
        status = status < 0 ? status : convertFrame(sound, t);
        av_frame_unref(t.frame);
    }
    return status;
}

// Reads the track from the cut's first frame needed (seeking there in a file, reading forwards
// through a pipe) to its last, and converts it. The track may end sooner: the rest is silence.
bool convertRange(VideoSound& sound, Track& t, std::string& why) {
    int status = av_read_frame(t.file, t.packet);
    if (status == AVERROR_EOF) {
        why = "it holds no samples";
        return false;
    }
    if (status >= 0 && t.seekable && t.inFirst > 0) {
        av_packet_unref(t.packet);
        AVStream* stream = t.file->streams[0];
        const int64_t to = av_rescale_q(t.inFirst, AVRational{1, t.rate}, stream->time_base);
        status = av_seek_frame(t.file, 0, to, AVSEEK_FLAG_BACKWARD);
        status = status < 0 ? status : av_read_frame(t.file, t.packet);
    }
    while (status >= 0 && t.next < t.inEnd) {
        status = decodePacket(sound, t);
        status = status < 0 ? status : av_read_frame(t.file, t.packet);
    }
    status = status == AVERROR_EOF || status >= 0 ? convert(nullptr, 0, sound, t) : status;
    if (status < 0) {
        why = averror(status);
        return false;
    }
    return true;
}

// Converts the track's frames the cut needs, with some before and after it so that the
// resampling filter sees the track as it is around the cut's edges.
bool convertCut(const SoundRequest& request, VideoSound& sound, Track& t, std::string& why) {
    if (!takesStream(*t.file->streams[0]->codecpar, why)) {
        return false;
    }
    const int status = startDecoding(t, sound);
    if (status < 0) {
        why = "cannot convert: " + averror(status);
        return false;
    }
    const int64_t first = request.fromMs * videoSoundRate / 1000;
    // Past the last frame by a second: the last picture's span and an encoder's last frame.
    const int64_t end = (request.lastMs + 1000) * videoSoundRate / 1000;
    const int64_t margin = t.rate / 100 + 64;
    t.inFirst = std::max<int64_t>(first * t.rate / videoSoundRate - margin, 0);
    t.inEnd = end * t.rate / videoSoundRate + margin + 1;
    // The converted samples before the cut's first, and those the planes keep.
    const auto before = static_cast<std::size_t>(std::llround(
        static_cast<double>(first) - static_cast<double>(t.inFirst) * videoSoundRate / t.rate));
    const auto wanted = static_cast<std::size_t>(end - first);
    sound.firstSample = first;
    for (int ch = 0; ch < sound.channels; ++ch) {
        sound.planes[ch].reserve(before + wanted + 65536);
    }
    if (!convertRange(sound, t, why)) {
        return false;
    }
    for (std::vector<float>& plane : sound.planes) {
        plane.erase(plane.begin(), plane.begin() + std::min(before, plane.size()));
        plane.resize(std::min(plane.size(), wanted));
        plane.shrink_to_fit();
    }
    return true;
}

}  // namespace

bool loadVideoSound(const SoundRequest& request, VideoSound& sound, std::string& error,
                    bool& missing) {
    // The libraries' own notes would mix with the progress line; failures come back as codes.
    av_log_set_level(AV_LOG_QUIET);
    sound = VideoSound{};
    missing = false;
    Track track;
    std::string why;
    if (!openSource(request, track, why, missing) || !readHeader(request, track, why) ||
        !convertCut(request, sound, track, why)) {
        sound = VideoSound{};
        error = "cannot read the sound " + request.fileName + ": " + why;
        return false;
    }
    return true;
}
