// One run of pp-render once the drawing is set up: the output opened, the show recorded into
// it, the output finished, and the run's outcome said on standard error.
#pragma once
#include <string>

#include "offline/offscreen_target.h"
#include "offline/output_file.h"
#include "offline/render_options.h"
#include "offline/video_file.h"

// Opens where the run writes, once the signals are caught, so that a stop leaves no temporary
// behind. 0 when it is open, else the exit status to end with (the reason is said).
int openOutputOrReport(const std::string& path, OutputFile& file);

// Plays the show into the output the options ask for: one picture, a Y4M stream or a video file
// (with settings). The file is committed when the output is complete and given up otherwise.
// Says the summary, the note of a stop or the reason for a failure; returns the exit status.
int renderShow(const RenderOptions& options, const VideoSettings& settings,
               const OffscreenTarget& target, OutputFile& file);
