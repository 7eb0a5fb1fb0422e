// pp-compress-sound: the show's sound track compressed for the web page, at build time.
//   pp-compress-sound TRACK.wav OUT.webm
// Reads the WAVE file as pp-render reads a video's sound (offline/sound_track.h: converted to
// 48 kHz float) and writes it as Opus in WebM at 28 kbit/s per channel, which the browsers decode
// with Web Audio; a 71 s track comes to under 300 KB, a fifth of the 16-bit WAVE. Prints one line
// and exits 1 on failure.
#include <algorithm>
#include <cstdio>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "offline/sound_track.h"

namespace {

// Constrained variable rate keeps the file near the rate asked for, as a page on a slow network
// wants; the show's track, made at 11 kHz, loses nothing a listener hears.
constexpr int bitsPerSecondPerChannel = 28000;

// The track's length in milliseconds, from its header.
bool trackLengthMs(const char* path, int64_t& lengthMs) {
    AVFormatContext* file = nullptr;
    if (avformat_open_input(&file, path, nullptr, nullptr) < 0) {
        return false;
    }
    const bool known = avformat_find_stream_info(file, nullptr) >= 0 && file->duration > 0;
    lengthMs = known ? av_rescale(file->duration, 1000, AV_TIME_BASE) : 0;
    avformat_close_input(&file);
    return known;
}

struct Encoding {
    AVFormatContext* file = nullptr;
    AVCodecContext* encoder = nullptr;
    AVStream* stream = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    ~Encoding() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&encoder);
        if (file != nullptr && file->pb != nullptr) {
            avio_closep(&file->pb);
        }
        avformat_free_context(file);
    }
};

// Hands a frame (null: the end) to the encoder and writes what comes out.
bool encode(Encoding& e, AVFrame* frame) {
    if (avcodec_send_frame(e.encoder, frame) < 0) {
        return false;
    }
    for (;;) {
        const int status = avcodec_receive_packet(e.encoder, e.packet);
        if (status == AVERROR(EAGAIN) || status == AVERROR_EOF) {
            return true;
        }
        if (status < 0) {
            return false;
        }
        av_packet_rescale_ts(e.packet, e.encoder->time_base, e.stream->time_base);
        e.packet->stream_index = 0;
        if (av_interleaved_write_frame(e.file, e.packet) < 0) {
            return false;
        }
    }
}

bool open(Encoding& e, const char* path, int channels, std::string& why) {
    const AVCodec* codec = avcodec_find_encoder_by_name("libopus");
    if (codec == nullptr) {
        why = "this FFmpeg has no Opus encoder (libopus)";
        return false;
    }
    if (avformat_alloc_output_context2(&e.file, nullptr, "webm", path) < 0 ||
        (e.stream = avformat_new_stream(e.file, nullptr)) == nullptr ||
        (e.encoder = avcodec_alloc_context3(codec)) == nullptr ||
        (e.packet = av_packet_alloc()) == nullptr || (e.frame = av_frame_alloc()) == nullptr) {
        why = "out of memory";
        return false;
    }
    // The same track gives the same file, build after build: no random identifiers, no
    // library versions in it.
    e.file->flags |= AVFMT_FLAG_BITEXACT;
    e.encoder->flags |= AV_CODEC_FLAG_BITEXACT;
    e.encoder->sample_fmt = AV_SAMPLE_FMT_FLT;
    e.encoder->sample_rate = videoSoundRate;
    av_channel_layout_default(&e.encoder->ch_layout, channels);
    e.encoder->bit_rate = bitsPerSecondPerChannel * channels;
    e.encoder->time_base = AVRational{1, videoSoundRate};
    AVDictionary* options = nullptr;
    av_dict_set(&options, "vbr", "constrained", 0);
    const int opened = avcodec_open2(e.encoder, codec, &options);
    av_dict_free(&options);
    if (opened < 0 || avcodec_parameters_from_context(e.stream->codecpar, e.encoder) < 0) {
        why = "cannot start the Opus encoder";
        return false;
    }
    e.stream->time_base = e.encoder->time_base;
    if (avio_open(&e.file->pb, path, AVIO_FLAG_WRITE) < 0 ||
        avformat_write_header(e.file, nullptr) < 0) {
        why = "cannot write the file";
        return false;
    }
    return true;
}

// The samples in the encoder's frames, interleaved; the last frame is as long as what is left.
bool compress(const VideoSound& sound, const char* path, std::string& why) {
    Encoding e;
    if (!open(e, path, sound.channels, why)) {
        return false;
    }
    const int64_t total = static_cast<int64_t>(sound.planes[0].size());
    const int frameSize = e.encoder->frame_size > 0 ? e.encoder->frame_size : 960;
    for (int64_t at = 0; at < total; at += frameSize) {
        e.frame->nb_samples = static_cast<int>(std::min<int64_t>(frameSize, total - at));
        e.frame->format = e.encoder->sample_fmt;
        e.frame->sample_rate = videoSoundRate;
        av_channel_layout_copy(&e.frame->ch_layout, &e.encoder->ch_layout);
        if (av_frame_get_buffer(e.frame, 0) < 0) {
            why = "out of memory";
            return false;
        }
        auto* out = reinterpret_cast<float*>(e.frame->data[0]);
        for (int i = 0; i < e.frame->nb_samples; ++i) {
            for (int c = 0; c < sound.channels; ++c) {
                *out++ = sound.planes[c][static_cast<std::size_t>(at + i)];
            }
        }
        e.frame->pts = at;
        const bool sent = encode(e, e.frame);
        av_frame_unref(e.frame);
        if (!sent) {
            why = "the Opus encoder failed";
            return false;
        }
    }
    if (!encode(e, nullptr) || av_write_trailer(e.file) < 0) {
        why = "cannot finish the file";
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: pp-compress-sound TRACK.wav OUT.webm\n");
        return 2;
    }
    SoundRequest request;
    request.fileName = argv[1];
    std::string error;
    bool missing = false;
    VideoSound sound;
    av_log_set_level(AV_LOG_QUIET);
    if (!trackLengthMs(argv[1], request.lastMs)) {
        error = std::string("cannot read the sound ") + argv[1];
    } else if (loadVideoSound(request, sound, error, missing) && !compress(sound, argv[2], error)) {
        error = std::string("cannot write ") + argv[2] + ": " + error;
    }
    if (!error.empty()) {
        std::fprintf(stderr, "pp-compress-sound: %s\n", error.c_str());
        std::remove(argv[2]);
        return 1;
    }
    return 0;
}
