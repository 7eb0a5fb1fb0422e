// Finished video files: the show's frames and its sound track encoded and muxed into MP4,
// Matroska or WebM by FFmpeg's libraries, the encoding on a thread of its own beside the
// drawing.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "offline/render_defaults.h"
#include "offline/sound_track.h"

enum class VideoContainer { mp4, mkv, webm };

// The container a name stands for: a file name by its extension (".mp4", ".mkv", ".webm", in
// any case), or a --format value ("mp4", "mkv", "webm"). False for anything else.
bool containerFromFileName(const std::string& fileName, VideoContainer& container);
bool containerFromFormatName(const std::string& formatName, VideoContainer& container);
const char* containerName(VideoContainer container);

struct VideoSettings {
    VideoContainer container = VideoContainer::mp4;
    int width = defaultPictureWidth;
    int height = defaultPictureHeight;
    int fps = defaultFps;
    int quality = defaultVideoQuality;  // 0 (smallest file) to maxVideoQuality (best picture)
    int64_t soundFromMs = 0;  // the show's instant of the first frame: the sound starts there
    const VideoSound* sound = nullptr;  // null: the file has the picture only
    std::string outputName;  // what the user named, for messages ("standard output" for "-")
    // As video sites ask for an upload: closed GOPs of half a second, each of the same length
    // (no extra key frame at a cut), and stereo sound (a mono track in both channels) at
    // 384 kbps.
    bool upload = false;
};

// Says whether the encoder the container uses takes the picture size: H.264 (libx264, 4:2:0)
// needs even sides; every encoder is held to libavcodec's picture limit,
// (width + 128) * (height + 128) below 2^28, and VP9 to sides of at most 16384. False with a
// line that says what the container needs and a size near the one asked for that fits.
bool videoSizeFits(const VideoSettings& settings, std::string& error);

// Says whether this machine's libraries carry the encoders the container needs. False with a
// line that names the missing encoder and a container that would work.
bool videoEncodersAvailable(const VideoSettings& settings, std::string& error);

struct VideoFile;

// Opens the file at path (written straight through; the caller decides where) with a video
// stream and, when there is a sound, an audio stream. Null with the reason on failure.
VideoFile* openVideoFile(const std::string& path, bool seekable, const VideoSettings& settings,
                         std::string& error);
// Hands one picture (RGB, top row first, settings' size) to the encoding thread. False once the
// encoding has failed; closeVideoFile then gives the reason.
bool writeVideoPicture(VideoFile* file, const std::vector<uint8_t>& rgb);
// Encodes what is left, the sound up to the end of the last picture, and writes the file's
// index. The file plays from its first to its last picture. False with the reason.
bool closeVideoFile(VideoFile* file, std::string& error);
// Frees what openVideoFile made, ending the encoding thread first if the file was never closed.
void freeVideoFile(VideoFile* file);
