// A video file (MP4, Matroska, WebM) with the show's sound track, encoded on the video file's
// own thread beside the drawing.
#include <algorithm>

#include "anim/schedule.h"
#include "offline/render_output.h"
#include "offline/render_report.h"

namespace {

bool encodePicture(void* context, const std::vector<uint8_t>& rgb) {
    return writeVideoPicture(static_cast<VideoFile*>(context), rgb);
}

bool closeVideo(void* context, std::string& error) {
    return closeVideoFile(static_cast<VideoFile*>(context), error);
}

void dropVideo(void* context) {
    std::string ignored;
    closeVideoFile(static_cast<VideoFile*>(context), ignored);
}

void freeVideo(void* context) {
    freeVideoFile(static_cast<VideoFile*>(context));
}

// The sound track: the one asked for must be readable; the default one may be missing, and the
// video then has the picture only.
bool loadSoundTrack(const RenderOptions& options, VideoSound& sound, bool& haveSound,
                    std::string& error) {
    SoundRequest request;
    request.fileName = options.sound;
    request.regularOnly = !options.soundGiven;
    request.fromMs = options.fromMs;
    request.lastMs = options.toMs >= 0 ? std::min<int64_t>(options.toMs, showEndMs) : showEndMs;
    bool missing = false;
    haveSound = loadVideoSound(request, sound, error, missing);
    if (!haveSound && !options.soundGiven) {
        if (!options.quiet) {
            // The default is looked for in the working directory, then in the installed folder.
            const bool here = options.sound.find('/') == std::string::npos;
            report(missing
                       ? "note: no " + options.sound + (here ? " in the working directory" : "") +
                             ", the video has the picture only"
                       : "note: " + error + "; the video has the picture only");
        }
        error.clear();
        return true;
    }
    return haveSound;
}

}  // namespace

bool prepareVideoFile(const RenderOptions& options, VideoSound& sound, VideoSettings& settings,
                      std::string& error) {
    bool haveSound = false;
    if (!loadSoundTrack(options, sound, haveSound, error)) {
        return false;
    }
    settings.container = options.container;
    settings.width = options.width;
    settings.height = options.height;
    settings.fps = options.fps;
    settings.quality = options.quality;
    settings.upload = options.upload;
    settings.soundFromMs = options.fromMs;
    settings.sound = haveSound ? &sound : nullptr;
    return videoEncodersAvailable(settings, error);
}

bool openVideoFileOutput(const VideoSettings& settings, OutputFile& file, RenderOutput& output,
                         std::string& error) {
    // A file is written by name, so that the MP4 muxer can move its index to the front; what is
    // written straight through goes to the descriptor, in pieces that need no going back.
    const bool seekable = !file.temporary.empty();
    const std::string path = seekable ? file.temporary : "pipe:" + std::to_string(file.descriptor);
    VideoSettings named = settings;
    named.outputName = file.name;  // messages name what the user named, not the temporary
    VideoFile* video = openVideoFile(path, seekable, named, error);
    if (video == nullptr) {
        return false;
    }
    output = {OutputContext(video, freeVideo), encodePicture, closeVideo, dropVideo};
    return true;
}
