// One run of pp-render once the drawing is set up: the output opened, the show recorded into
// it, the output finished, and the run's outcome said on standard error.
#pragma once
#include <string>

#include "offline/offscreen_target.h"
#include "offline/output_file.h"
#include "offline/render_options.h"
#include "offline/video_file.h"

// Whether the run may write into the open descriptor: not binary data to a terminal, nor into
// the file that standard error goes to, where the messages would mix with the frames. False
// with the reason, which names the output as given.
bool outputIsSensible(int descriptor, const std::string& name, std::string& error);

// Opens where the run writes, once the signals are caught, so that a stop leaves no temporary
// behind. 0 when it is open, else the exit status to end with (the reason is said).
int openOutputOrReport(const std::string& path, OutputFile& file);

// Plays the show into the output the options ask for: one picture, a Y4M stream or a video file
// (with settings). The file is committed when the output is complete and given up otherwise.
// Says the summary, the note of a stop or the reason for a failure; returns the exit status.
// texture names the file the cubes wear, for the summary; empty when they are untextured.
int renderShow(const RenderOptions& options, const VideoSettings& settings,
               const OffscreenTarget& target, OutputFile& file, const std::string& texture);
