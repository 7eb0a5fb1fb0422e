// The command line of pp-render.
#pragma once
#include <cstdint>
#include <string>

#include "offline/render_context.h"
#include "offline/render_defaults.h"
#include "offline/video_file.h"
#include "render/picture_fit.h"

struct RenderOptions {
    bool help = false;
    bool version = false;
    bool picture = false;    // --at: one PNG picture
    bool y4m = false;        // --y4m: a YUV4MPEG2 stream
    bool videoFile = false;  // an MP4, Matroska or WebM file, with the sound track
    VideoContainer container = VideoContainer::mp4;
    std::string sound = "bla_11.wav";  // the track of a video file, read as the show reads it
    bool soundGiven = false;           // --sound: a track that must be there
    int quality = defaultVideoQuality;
    int64_t atMs = 0;
    int fps = defaultFps;
    int64_t fromMs = 0;
    int64_t toMs = -1;  // -1: to the end of the show
    int width = defaultPictureWidth;
    int height = defaultPictureHeight;
    std::string output;   // "-" is standard output
    std::string texture;  // empty: "skin.bmp" from the working directory, as the program reads it
    bool quiet = false;
    RenderDevice device = RenderDevice::automatic;
    PictureFit fit = PictureFit::stretch;
    bool upload = false;  // --upload: a video file encoded as video sites ask (VideoSettings)
};

// Reads the arguments after the program name. False with a one-line reason when they do not
// make a complete, sensible request.
bool parseRenderOptions(int argc, const char* const* argv, RenderOptions& options,
                        std::string& error);
// Whether the output's name says what is written there: a PNG picture goes to a .png file, a Y4M
// stream to a .y4m file, either also to a stream (standard output, a FIFO, a device). Looks at
// what the name is on disk, so it is judged after the parsing. False with a one-line reason.
bool outputNameFits(const RenderOptions& options, std::string& error);
// Whether the request asks for part of the show: an instant (--at, --from) after the show's
// last frame is a bad argument, known before anything is drawn. False with a one-line reason.
bool requestFitsShow(const RenderOptions& options, std::string& error);
// The --help text.
std::string renderUsage();
