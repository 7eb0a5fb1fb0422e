// The cube texture of a run.
#pragma once
#include <string>

#include "image/bitmap.h"
#include "offline/render_options.h"

// The named file (--texture), or "skin.bmp" in the working directory as the show reads it. A
// named file must be a readable bitmap; a missing default only leaves the cubes plain, with a
// note unless quiet. False with a one-line reason that names the file.
bool loadRenderTexture(const RenderOptions& options, BitmapImage& image, std::string& error);
