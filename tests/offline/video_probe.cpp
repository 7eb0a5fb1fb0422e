#include "tests/offline/video_probe.h"

#include <cmath>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

struct Decoder {
    AVCodecContext* codec = nullptr;
    int stream = -1;
};

bool openDecoder(AVFormatContext* format, int stream, Decoder& decoder) {
    const AVCodecParameters* parameters = format->streams[stream]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    decoder.codec = avcodec_alloc_context3(codec);
    decoder.stream = stream;
    return codec != nullptr && decoder.codec != nullptr &&
           avcodec_parameters_to_context(decoder.codec, parameters) >= 0 &&
           avcodec_open2(decoder.codec, codec, nullptr) >= 0;
}

void takeVideoFrame(VideoProbe& probe, const AVFrame* frame, int64_t keepFrame) {
    if (probe.videoFrames == keepFrame && frame->format == AV_PIX_FMT_YUV420P) {
        const int w = frame->width;
        const int h = frame->height;
        const int sizes[3][2] = {{w, h}, {(w + 1) / 2, (h + 1) / 2}, {(w + 1) / 2, (h + 1) / 2}};
        for (int p = 0; p < 3; ++p) {
            for (int y = 0; y < sizes[p][1]; ++y) {
                const uint8_t* row = frame->data[p] + y * frame->linesize[p];
                probe.frameYcbcr.insert(probe.frameYcbcr.end(), row, row + sizes[p][0]);
            }
        }
    }
    probe.videoFrames += 1;
}

void takeAudioFrame(VideoProbe& probe, const AVFrame* frame) {
    for (int i = 0; i < frame->nb_samples; ++i) {
        float v = 0;
        switch (frame->format) {
            case AV_SAMPLE_FMT_FLTP:
                v = reinterpret_cast<const float*>(frame->data[0])[i];
                break;
            case AV_SAMPLE_FMT_FLT:
                v = reinterpret_cast<const float*>(
                    frame->data[0])[i * frame->ch_layout.nb_channels];
                break;
            case AV_SAMPLE_FMT_S16P:
                v = reinterpret_cast<const int16_t*>(frame->data[0])[i] / 32768.0f;
                break;
            case AV_SAMPLE_FMT_S16:
                v = reinterpret_cast<const int16_t*>(
                        frame->data[0])[i * frame->ch_layout.nb_channels] /
                    32768.0f;
                break;
            default:
                break;
        }
        probe.sound.push_back(v);
    }
}

void receiveAll(Decoder& decoder, AVFrame* frame, VideoProbe& probe, bool video,
                int64_t keepFrame) {
    while (avcodec_receive_frame(decoder.codec, frame) >= 0) {
        if (video) {
            takeVideoFrame(probe, frame, keepFrame);
        } else {
            takeAudioFrame(probe, frame);
        }
        av_frame_unref(frame);
    }
}

}  // namespace

VideoProbe probeVideo(const std::string& path, int64_t keepFrame) {
    VideoProbe probe;
    av_log_set_level(AV_LOG_QUIET);  // the decoders' notes are not the test's output
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
        return probe;
    }
    if (avformat_find_stream_info(format, nullptr) < 0) {
        avformat_close_input(&format);
        return probe;
    }
    probe.opened = true;
    probe.container = format->iformat->name;
    int64_t statedAudioSamples = -1;
    Decoder video;
    Decoder audio;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVCodecParameters* p = format->streams[i]->codecpar;
        if (p->codec_type == AVMEDIA_TYPE_VIDEO) {
            probe.videoStreams += 1;
            probe.width = p->width;
            probe.height = p->height;
            probe.fps = av_q2d(format->streams[i]->avg_frame_rate);
            openDecoder(format, static_cast<int>(i), video);
        } else if (p->codec_type == AVMEDIA_TYPE_AUDIO) {
            probe.audioStreams += 1;
            probe.sampleRate = p->sample_rate;
            probe.channels = p->ch_layout.nb_channels;
            const AVStream* stream = format->streams[i];
            if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
                statedAudioSamples = av_rescale_q(stream->duration, stream->time_base,
                                                  AVRational{1, p->sample_rate});
            }
            openDecoder(format, static_cast<int>(i), audio);
        }
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    while (av_read_frame(format, packet) >= 0) {
        Decoder* d = packet->stream_index == video.stream   ? &video
                     : packet->stream_index == audio.stream ? &audio
                                                            : nullptr;
        if (d != nullptr && d->codec != nullptr && avcodec_send_packet(d->codec, packet) >= 0) {
            receiveAll(*d, frame, probe, d == &video, keepFrame);
        }
        av_packet_unref(packet);
    }
    for (Decoder* d : {&video, &audio}) {
        if (d->codec != nullptr) {
            avcodec_send_packet(d->codec, nullptr);
            receiveAll(*d, frame, probe, d == &video, keepFrame);
        }
    }
    if (probe.fps > 0) {
        probe.videoSeconds = static_cast<double>(probe.videoFrames) / probe.fps;
    }
    if (probe.sampleRate > 0) {
        probe.decodedAudioSeconds = static_cast<double>(probe.sound.size()) / probe.sampleRate;
        if (statedAudioSamples >= 0 &&
            statedAudioSamples < static_cast<int64_t>(probe.sound.size())) {
            probe.sound.resize(static_cast<std::size_t>(statedAudioSamples));
        }
        probe.audioSeconds = static_cast<double>(probe.sound.size()) / probe.sampleRate;
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&video.codec);
    avcodec_free_context(&audio.codec);
    avformat_close_input(&format);
    return probe;
}

double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) {
        return 0;
    }
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const double d = static_cast<double>(a[i]) - b[i];
        sum += d * d;
    }
    const double mse = sum / static_cast<double>(a.size());
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}
