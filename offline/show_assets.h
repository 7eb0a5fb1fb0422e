// Where pp-render finds the show's own texture and sound track when it is not given them: in the
// working directory, as the show reads them, else where an installation keeps them, in
// share/games/pp beside the bin folder that holds pp-render (as the games/pp launcher finds them).
#pragma once
#include <string>

#include "offline/render_options.h"

// The installed folder, <prefix>/share/games/pp for <prefix>/bin/pp-render, found from the
// executable's own path; empty when that folder does not exist.
std::string installedShowFolder();

// Points the texture and the sound track that were not given at the installed files, where the
// working directory has none and the installed folder has them. A given file stays as it is.
void findDefaultShowFiles(RenderOptions& options);
