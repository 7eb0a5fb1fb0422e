#include "offline/video_file.h"

#include <strings.h>

#include <algorithm>
#include <climits>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include "offline/picture_queue.h"
#include "offline/y4m_stream.h"

namespace {

// What each container carries, and what to fall back on where an encoder is missing.
struct ContainerCodecs {
    VideoContainer container;
    const char* name;       // libavformat's muxer
    const char* extension;  // with its dot
    const char* video[2];   // encoders by name, the preferred first
    const char* audio[2];
};

const ContainerCodecs containerCodecs[] = {
    {VideoContainer::mp4, "mp4", ".mp4", {"libx264", nullptr}, {"aac", nullptr}},
    {VideoContainer::mkv, "matroska", ".mkv", {"libx264", "libvpx-vp9"}, {"libopus", "aac"}},
    {VideoContainer::webm, "webm", ".webm", {"libvpx-vp9", "libvpx"}, {"libopus", "libvorbis"}},
};

const ContainerCodecs& codecsOf(VideoContainer container) {
    for (const ContainerCodecs& c : containerCodecs) {
        if (c.container == container) {
            return c;
        }
    }
    return containerCodecs[0];
}

const AVCodec* firstEncoder(const char* const (&names)[2]) {
    for (const char* name : names) {
        if (name != nullptr) {
            if (const AVCodec* codec = avcodec_find_encoder_by_name(name)) {
                return codec;
            }
        }
    }
    return nullptr;
}

std::string averror(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// Encoder settings from the common quality scale: x264's and VP9's constant rate factors, lower
// for a better picture. 70 gives x264 21 and VP9 44: at 1280x720 the whole show in about 17 MB
// either way, its pictures 39 dB or more from the drawn ones (docs/pp-render.md has the range).
int x264Crf(int quality) {
    return 42 - (quality * 3 + 5) / 10;  // 0 gives 42, 100 gives 12
}
int vp9Crf(int quality) {
    // VP9 at its real-time speed needs a higher factor than x264 for a file of the same size;
    // above 70 the factor falls faster, to 15 at 100.
    if (quality <= 70) {
        return 63 - (quality * 19 + 35) / 70;
    }
    return 44 - ((quality - 70) * 29 + 15) / 30;
}

}  // namespace

struct VideoFile {
    VideoSettings settings;
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVStream* videoStream = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* audioStream = nullptr;
    AVFrame* picture = nullptr;
    AVFrame* samples = nullptr;
    AVPacket* packet = nullptr;
    int64_t picturesEncoded = 0;
    int64_t soundFirst = 0;  // the track's sample that the file's sound starts with
    int64_t soundSent = 0;   // samples handed to the audio encoder
    // A fragmented MP4 stream has no edit list to skip the AAC encoder's priming, so the sound
    // is handed over that many samples later and the priming takes the place of the track's
    // first samples: decoded, sample k is the track's sample k after the first frame's instant.
    int64_t soundLead = 0;
    bool seekable = false;

    // The encoding thread's queue. The fields above and below belong to that thread while it
    // runs, and to the caller again once the queue is finished.
    PictureQueue* pictures = nullptr;
    bool failed = false;
    std::string error;
};

namespace {

bool fail(VideoFile& file, const std::string& what, int code) {
    file.failed = true;
    if (file.error.empty()) {
        file.error = what + (code < 0 ? ": " + averror(code) : std::string());
    }
    return false;
}

// Moves every packet the encoder has ready into the file.
bool drainEncoder(VideoFile& file, AVCodecContext* codec, AVStream* stream) {
    for (;;) {
        const int got = avcodec_receive_packet(codec, file.packet);
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) {
            return true;
        }
        if (got < 0) {
            return fail(file, "the encoder failed", got);
        }
        av_packet_rescale_ts(file.packet, codec->time_base, stream->time_base);
        file.packet->stream_index = stream->index;
        const int wrote = av_interleaved_write_frame(file.format, file.packet);
        if (wrote < 0) {
            return fail(file, "could not write " + file.settings.outputName, wrote);
        }
    }
}

bool sendFrame(VideoFile& file, AVCodecContext* codec, AVStream* stream, AVFrame* frame) {
    const int sent = avcodec_send_frame(codec, frame);
    if (sent < 0) {
        return fail(file, "the encoder refused a frame", sent);
    }
    return drainEncoder(file, codec, stream);
}

// Sends the sound up to the given sample of the file's sound in whole frames of the encoder's
// size; at the end (`last`) the rest goes too, as a shorter frame where the encoder takes one.
bool sendSoundUntil(VideoFile& file, int64_t endSample, bool last) {
    if (file.audio == nullptr) {
        return true;
    }
    const VideoSound& sound = *file.settings.sound;
    const int frameSize = file.audio->frame_size > 0 ? file.audio->frame_size : 1024;
    while (file.soundSent < endSample) {
        const int count =
            static_cast<int>(std::min<int64_t>(frameSize, endSample - file.soundSent));
        const bool partFrameTaken =
            last && (file.audio->codec->capabilities &
                     (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE));
        if (count < frameSize && !partFrameTaken) {
            break;  // the rest waits for the next picture, or is less than a frame at the end
        }
        AVFrame* frame = file.samples;
        const int ready = av_frame_make_writable(frame);
        if (ready < 0) {
            return fail(file, "out of memory for the sound", ready);
        }
        frame->nb_samples = count;
        frame->pts = file.soundLead + file.soundSent;
        const int channels = file.audio->ch_layout.nb_channels;
        for (int i = 0; i < count; ++i) {
            const int64_t at =
                file.soundFirst + file.soundLead + file.soundSent + i - sound.firstSample;
            for (int c = 0; c < channels; ++c) {
                // A mono track fills both channels of a stereo file.
                const std::vector<float>& plane = sound.planes[std::min(c, sound.channels - 1)];
                const float v = at >= 0 && at < static_cast<int64_t>(plane.size())
                                    ? plane[static_cast<std::size_t>(at)]
                                    : 0.0f;
                if (file.audio->sample_fmt == AV_SAMPLE_FMT_FLTP) {
                    reinterpret_cast<float*>(frame->data[c])[i] = v;
                } else if (file.audio->sample_fmt == AV_SAMPLE_FMT_FLT) {
                    reinterpret_cast<float*>(frame->data[0])[i * channels + c] = v;
                } else {  // AV_SAMPLE_FMT_S16
                    const float clipped = std::max(-1.0f, std::min(1.0f, v));
                    reinterpret_cast<int16_t*>(frame->data[0])[i * channels + c] =
                        static_cast<int16_t>(clipped * 32767.0f);
                }
            }
        }
        file.soundSent += count;
        if (!sendFrame(file, file.audio, file.audioStream, frame)) {
            return false;
        }
    }
    return true;
}

// The sound's sample at which picture n ends, counted in what the audio encoder is handed. At
// the end of a stream that leads its sound by the priming, the sound ends with a whole encoder
// frame (the decoder gives whole frames): the one whose end is nearest the last picture's.
int64_t soundSampleAtPicture(const VideoFile& file, int64_t pictures, bool last = false) {
    const int64_t end = pictures * videoSoundRate / file.settings.fps;
    if (!last || file.soundLead == 0 || file.audio->frame_size <= 0) {
        return end - file.soundLead;
    }
    const int64_t frame = file.audio->frame_size;
    return std::max<int64_t>((end + frame / 2) / frame * frame - file.soundLead, 0);
}

// The encoding thread's work for each picture.
bool encodePicture(void* context, const std::vector<uint8_t>& rgb) {
    auto& file = *static_cast<VideoFile*>(context);
    const int ready = av_frame_make_writable(file.picture);
    if (ready < 0) {
        return fail(file, "out of memory for a picture", ready);
    }
    convertToYcbcr420(rgb.data(), file.settings.width, file.settings.height, file.picture->data[0],
                      file.picture->data[1], file.picture->data[2]);
    file.picture->pts = file.picturesEncoded;
    if (!sendFrame(file, file.video, file.videoStream, file.picture)) {
        return false;
    }
    file.picturesEncoded += 1;
    return sendSoundUntil(file, soundSampleAtPicture(file, file.picturesEncoded), false);
}

void setColourTags(AVCodecContext* codec) {
    // The pictures are converted with BT.601's weights into video range, chroma sited in the
    // centre of each 2x2 block; players read these tags to show the right colours.
    codec->color_range = AVCOL_RANGE_MPEG;
    codec->color_primaries = AVCOL_PRI_SMPTE170M;
    codec->color_trc = AVCOL_TRC_SMPTE170M;
    codec->colorspace = AVCOL_SPC_SMPTE170M;
    codec->chroma_sample_location = AVCHROMA_LOC_CENTER;
}

// A new stream of the file for the first of the named encoders that this machine has, and that
// encoder's context, not yet opened. Null when there is none (or no memory).
const AVCodec* addEncodedStream(VideoFile& file, const char* const (&names)[2],
                                AVCodecContext*& context, AVStream*& stream) {
    const AVCodec* codec = firstEncoder(names);
    context = avcodec_alloc_context3(codec);
    stream = avformat_new_stream(file.format, nullptr);
    if (codec == nullptr || context == nullptr || stream == nullptr) {
        return nullptr;
    }
    if (file.format->oformat->flags & AVFMT_GLOBALHEADER) {
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    return codec;
}

// The encoder's own settings: its speed and its constant rate factor for the quality asked for.
void setEncoderOptions(const std::string& name, int quality, AVCodecContext* c,
                       AVDictionary** options) {
    if (name == "libx264") {
        // The encoder shares two cores with the software renderer. "veryfast" at 21 writes a
        // third of the bytes of "superfast" at 19 (the whole 720p show in 17 MB, not 50 MB, its
        // pictures 39 dB or more from the drawn ones) for 4 to 13 % more processor time;
        // "superfast" at 26 stayed fast but gave 21 MB and 38 dB at the finale.
        av_dict_set(options, "preset", "veryfast", 0);
        av_dict_set_int(options, "crf", x264Crf(quality), 0);
    } else if (name == "libvpx-vp9" || name == "libvpx") {
        // The "good" deadline took several times as long as x264; the real-time one at its
        // fastest, with rows and tile columns encoded on both cores, takes about as long as x264
        // and, at the default quality, writes a file no larger.
        c->bit_rate = 0;
        av_dict_set_int(options, "crf", vp9Crf(quality), 0);
        av_dict_set(options, "deadline", "realtime", 0);
        av_dict_set_int(options, "cpu-used", 8, 0);
        av_dict_set_int(options, "row-mt", 1, 0);
        av_dict_set_int(options, "tile-columns", 2, 0);
    }
}

// Opens the encoder with its options (freed here) and gives its stream the encoder's parameters.
bool startEncoder(AVCodecContext* c, AVStream* stream, AVDictionary** options, std::string& error) {
    const int opened = avcodec_open2(c, c->codec, options);
    av_dict_free(options);
    if (opened < 0) {
        error = std::string("cannot start the ") + c->codec->name + " encoder: " + averror(opened);
        return false;
    }
    avcodec_parameters_from_context(stream->codecpar, c);
    stream->time_base = c->time_base;
    return true;
}

bool openVideoStream(VideoFile& file, std::string& error) {
    const VideoSettings& s = file.settings;
    const AVCodec* codec =
        addEncodedStream(file, codecsOf(s.container).video, file.video, file.videoStream);
    if (codec == nullptr) {
        error = "no video encoder";
        return false;
    }
    AVCodecContext* c = file.video;
    c->width = s.width;
    c->height = s.height;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = AVRational{1, s.fps};
    c->framerate = AVRational{s.fps, 1};
    c->sample_aspect_ratio = AVRational{1, 1};
    c->gop_size = s.fps * 5;  // a key frame every 5 s: quick seeking, small files
    if (s.upload) {
        // A site cuts and re-encodes the file from its key frames.
        c->gop_size = std::max(s.fps / 2, 1);
        c->keyint_min = c->gop_size;
        c->flags |= AV_CODEC_FLAG_CLOSED_GOP;
    }
    setColourTags(c);
    AVDictionary* options = nullptr;
    setEncoderOptions(codec->name, s.quality, c, &options);
    if (s.upload && std::string(codec->name) == "libx264") {
        av_dict_set(&options, "x264-params", "scenecut=0:open-gop=0", 0);
    }
    if (!startEncoder(c, file.videoStream, &options, error)) {
        return false;
    }
    file.videoStream->avg_frame_rate = c->framerate;
    file.picture = av_frame_alloc();
    if (file.picture == nullptr) {
        error = "out of memory";
        return false;
    }
    file.picture->format = c->pix_fmt;
    file.picture->width = c->width;
    file.picture->height = c->height;
    // Planes without row padding: the converter writes them as one block each.
    if (av_frame_get_buffer(file.picture, 1) < 0) {
        error = "out of memory for a picture";
        return false;
    }
    return true;
}

AVSampleFormat pickSampleFormat(const AVCodec* codec) {
    const AVSampleFormat wanted[] = {AV_SAMPLE_FMT_FLTP, AV_SAMPLE_FMT_FLT, AV_SAMPLE_FMT_S16};
    for (AVSampleFormat w : wanted) {
        for (const AVSampleFormat* f = codec->sample_fmts; f != nullptr && *f != AV_SAMPLE_FMT_NONE;
             ++f) {
            if (*f == w) {
                return w;
            }
        }
    }
    return AV_SAMPLE_FMT_NONE;
}

bool openAudioStream(VideoFile& file, std::string& error) {
    const VideoSettings& s = file.settings;
    const AVCodec* codec =
        addEncodedStream(file, codecsOf(s.container).audio, file.audio, file.audioStream);
    if (codec == nullptr) {
        error = "no audio encoder";
        return false;
    }
    AVCodecContext* c = file.audio;
    c->sample_fmt = pickSampleFormat(codec);
    if (c->sample_fmt == AV_SAMPLE_FMT_NONE) {
        error = std::string("the ") + codec->name + " encoder takes no sample format we make";
        return false;
    }
    c->sample_rate = videoSoundRate;
    const int channels = s.upload ? 2 : s.sound->channels;
    av_channel_layout_default(&c->ch_layout, channels);
    c->bit_rate = s.upload ? 384000 : channels == 1 ? 96000 : 160000;
    c->time_base = AVRational{1, videoSoundRate};
    AVDictionary* options = nullptr;
    if (s.upload && std::string(codec->name) == "aac") {
        // Left and right coded each in full, not as their sum and difference: a mono track's
        // difference is silence, which would leave the file far below the rate a site asks for.
        av_dict_set(&options, "aac_ms", "0", 0);
    }
    if (!startEncoder(c, file.audioStream, &options, error)) {
        return false;
    }
    file.samples = av_frame_alloc();
    if (file.samples == nullptr) {
        error = "out of memory";
        return false;
    }
    file.samples->format = c->sample_fmt;
    file.samples->sample_rate = c->sample_rate;
    file.samples->nb_samples = c->frame_size > 0 ? c->frame_size : 1024;
    av_channel_layout_copy(&file.samples->ch_layout, &c->ch_layout);
    if (av_frame_get_buffer(file.samples, 0) < 0) {
        error = "out of memory for the sound";
        return false;
    }
    // Sample k of the track belongs at k / rate s of the show, so a file that starts at the
    // show's instant `from` starts with the track's sample at `from`.
    file.soundFirst = s.soundFromMs * videoSoundRate / 1000;
    if (s.container == VideoContainer::mp4 && !file.seekable) {
        file.soundLead = std::max(c->initial_padding, 0);
    }
    return true;
}

// Makes the file's streams, opens the file at path and writes its header. False with the reason.
bool startVideoFile(VideoFile& file, const std::string& path, std::string& error) {
    const VideoSettings& settings = file.settings;
    const ContainerCodecs& codecs = codecsOf(settings.container);
    int status = avformat_alloc_output_context2(&file.format, nullptr, codecs.name, path.c_str());
    file.packet = av_packet_alloc();
    if (status < 0 || file.format == nullptr || file.packet == nullptr) {
        error = "cannot make a " + std::string(codecs.extension) + " file: " + averror(status);
        return false;
    }
    if (!openVideoStream(file, error) ||
        (settings.sound != nullptr && !openAudioStream(file, error))) {
        return false;
    }
    status = avio_open(&file.format->pb, path.c_str(), AVIO_FLAG_WRITE);
    AVDictionary* options = nullptr;
    if (settings.container == VideoContainer::mp4) {
        // A file on disk gets its index at the front, so players start at once; a pipe gets
        // fragments, which need no going back.
        // delay_moov writes the header with the first fragment, when the streams' first
        // instants are known: an edit list then starts the picture at 0, not after the
        // encoder's reordering delay.
        av_dict_set(
            &options, "movflags",
            file.seekable ? "+faststart" : "+frag_keyframe+empty_moov+delay_moov+default_base_moof",
            0);
    }
    status = status < 0 ? status : avformat_write_header(file.format, &options);
    av_dict_free(&options);
    if (status < 0) {
        error = "cannot write " + settings.outputName + ": " + averror(status);
        return false;
    }
    return true;
}

}  // namespace

void freeVideoFile(VideoFile* file) {
    if (file->pictures != nullptr) {
        finishPictureQueue(file->pictures);  // the encoding thread ends before what it uses
    }
    av_frame_free(&file->picture);
    av_frame_free(&file->samples);
    av_packet_free(&file->packet);
    avcodec_free_context(&file->video);
    avcodec_free_context(&file->audio);
    if (file->format != nullptr) {
        if (!(file->format->oformat->flags & AVFMT_NOFILE)) {
            avio_closep(&file->format->pb);
        }
        avformat_free_context(file->format);
    }
    delete file;
}

bool containerFromFileName(const std::string& fileName, VideoContainer& container) {
    for (const ContainerCodecs& c : containerCodecs) {
        const std::size_t length = std::strlen(c.extension);
        if (fileName.size() > length &&
            strcasecmp(fileName.c_str() + fileName.size() - length, c.extension) == 0) {
            container = c.container;
            return true;
        }
    }
    return false;
}

bool containerFromFormatName(const std::string& formatName, VideoContainer& container) {
    for (const ContainerCodecs& c : containerCodecs) {
        if (strcasecmp(formatName.c_str(), c.extension + 1) == 0) {
            container = c.container;
            return true;
        }
    }
    return false;
}

const char* containerName(VideoContainer container) {
    return codecsOf(container).extension + 1;
}

bool videoSizeFits(const VideoSettings& settings, std::string& error) {
    const AVCodec* codec = firstEncoder(codecsOf(settings.container).video);
    if (codec == nullptr) {
        return true;  // videoEncodersAvailable says so
    }
    const std::string name = codec->name;
    const std::string size = std::to_string(settings.width) + "x" + std::to_string(settings.height);
    const std::string format =
        std::string(codecsOf(settings.container).extension) + " (" + name + ")";
    // libx264 takes 4:2:0 pictures only with whole chroma samples; VP9 rounds the chroma up.
    if (name == "libx264" && (settings.width % 2 != 0 || settings.height % 2 != 0)) {
        const auto even = [](int side) {
            return side + side % 2 > maxPictureSide ? side - 1 : side + side % 2;
        };
        error = "--size " + size + " does not fit " + format +
                ": H.264's 4:2:0 colour needs an even width and height; --size " +
                std::to_string(even(settings.width)) + "x" + std::to_string(even(settings.height)) +
                " would do";
        return false;
    }
    // libavcodec's own limit for any picture (av_image_check_size).
    const int64_t area = static_cast<int64_t>(settings.width + 128) * (settings.height + 128);
    const int sideLimit = name == "libvpx" ? 16383 : maxPictureSide;  // VP8 keeps 14 bits a side
    if (area >= INT_MAX / 8 || settings.width > sideLimit || settings.height > sideLimit) {
        error = "--size " + size + " is too large for " + format +
                ": (width + 128) x (height + 128) must stay below " + std::to_string(INT_MAX / 8) +
                " and each side within " + std::to_string(sideLimit) +
                " (16254x16254 is the largest square)";
        return false;
    }
    return true;
}

bool videoEncodersAvailable(const VideoSettings& settings, std::string& error) {
    const ContainerCodecs& wanted = codecsOf(settings.container);
    const bool videoOk = firstEncoder(wanted.video) != nullptr;
    const bool audioOk = settings.sound == nullptr || firstEncoder(wanted.audio) != nullptr;
    if (videoOk && audioOk) {
        return true;
    }
    const char* const* missing = videoOk ? wanted.audio : wanted.video;
    error = std::string("this machine's FFmpeg libraries have no ") + missing[0] + " encoder for " +
            wanted.extension;
    for (const ContainerCodecs& other : containerCodecs) {
        if (other.container != settings.container && firstEncoder(other.video) != nullptr &&
            (settings.sound == nullptr || firstEncoder(other.audio) != nullptr)) {
            error += std::string("; ") + other.extension + " would work";
            break;
        }
    }
    return false;
}

VideoFile* openVideoFile(const std::string& path, bool seekable, const VideoSettings& settings,
                         std::string& error) {
    // The libraries' own notes would mix with the progress line; failures come back as codes,
    // which pp-render reports in its own words.
    av_log_set_level(AV_LOG_QUIET);
    VideoFile* file = new VideoFile;
    file->settings = settings;
    file->seekable = seekable;
    if (!startVideoFile(*file, path, error)) {
        freeVideoFile(file);
        return nullptr;
    }
    file->pictures = startPictureQueue(encodePicture, file);
    return file;
}

bool writeVideoPicture(VideoFile* file, const std::vector<uint8_t>& rgb) {
    return queuePicture(file->pictures, rgb);
}

bool closeVideoFile(VideoFile* file, std::string& error) {
    if (file->pictures == nullptr) {  // closed already
        error = file->error;
        return !file->failed;
    }
    finishPictureQueue(file->pictures);  // file->failed says whether the encoding went well
    file->pictures = nullptr;
    if (!file->failed) {
        sendFrame(*file, file->video, file->videoStream, nullptr);
    }
    if (!file->failed && file->audio != nullptr) {
        if (sendSoundUntil(*file, soundSampleAtPicture(*file, file->picturesEncoded, true), true)) {
            sendFrame(*file, file->audio, file->audioStream, nullptr);
        }
    }
    if (!file->failed) {
        const int wrote = av_write_trailer(file->format);
        if (wrote < 0) {
            fail(*file, "could not finish " + file->settings.outputName, wrote);
        }
    }
    // Closed also after a failure, so that nothing writes to the output once this returns.
    if (!(file->format->oformat->flags & AVFMT_NOFILE)) {
        const int closed = avio_closep(&file->format->pb);
        if (closed < 0 && !file->failed) {
            fail(*file, "could not write " + file->settings.outputName, closed);
        }
    }
    error = file->error;
    return !file->failed;
}
