// What a run writes its pictures into: one PNG picture (png_output.cpp), a Y4M stream
// (y4m_output.cpp) or a video file (video_file_output.cpp), each into an open OutputFile. A run
// opens the output of its kind, hands it every picture the recording makes, then finishes it,
// after which the file can be committed, or stops it when the run is given up. The kind's state
// is owned by the output and freed once, by the kind's deleter, when the output goes away,
// whether the run finished, stopped or was given up before either.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "offline/output_file.h"
#include "offline/render_options.h"
#include "offline/video_file.h"

using OutputContext = std::unique_ptr<void, void (*)(void*)>;

// A kind's state owned with a deleter that frees it as what it is.
template <typename Kind>
OutputContext ownContext(Kind* context) {
    return OutputContext(context, [](void* owned) { delete static_cast<Kind*>(owned); });
}

struct RenderOutput {
    OutputContext context{nullptr, nullptr};  // the kind's own state, made by its open function
    // Takes the next picture (RGB, top row first, the run's size). False once the writing has
    // failed; finish then gives the reason.
    bool (*take)(void* context, const std::vector<uint8_t>& rgb) = nullptr;
    // Writes what is still held and ends the writing; the file stays open for its commit. False
    // with the reason.
    bool (*finish)(void* context, std::string& error) = nullptr;
    // Ends the writing of a run that is given up.
    void (*stop)(void* context) = nullptr;
};

// Each opens the output of its kind into the open file. False with the reason.
bool openPngOutput(const RenderOptions& options, OutputFile& file, RenderOutput& output,
                   std::string& error);
bool openY4mOutput(const RenderOptions& options, OutputFile& file, RenderOutput& output,
                   std::string& error);
bool openVideoFileOutput(const VideoSettings& settings, OutputFile& file, RenderOutput& output,
                         std::string& error);

// A video file's settings from the options, with its sound track: the one asked for must be
// readable; without the default one the video has the picture only. Says too whether this
// machine has the encoders. Done before anything is drawn or opened. False with the reason.
bool prepareVideoFile(const RenderOptions& options, VideoSound& sound, VideoSettings& settings,
                      std::string& error);
