#include "offline/show_assets.h"

#include <system_error>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// The installed file of that name where the working directory has none, else the name itself.
// Anything of that name in the working directory, a link to nothing included, is the working
// directory's file, readable or not: the show would try to read it.
std::string defaultFile(const std::string& name, const std::string& folder) {
    std::error_code ignored;
    if (fs::exists(fs::symlink_status(name, ignored)) || folder.empty() ||
        !fs::is_regular_file(folder + "/" + name, ignored)) {
        return name;
    }
    return folder + "/" + name;
}

}  // namespace

std::string installedShowFolder() {
    // <prefix>/bin/pp-render -> <prefix>/share/games/pp; the executable's path is the link's
    // target, so a link to pp-render elsewhere still finds its installation. Empty where /proc is
    // not mounted.
    std::error_code ignored;
    const fs::path executable = fs::read_symlink("/proc/self/exe", ignored);
    const fs::path folder = executable.parent_path().parent_path() / "share" / "games" / "pp";
    return !executable.empty() && fs::is_directory(folder, ignored) ? folder.string() : "";
}

void findDefaultShowFiles(RenderOptions& options) {
    const std::string folder = installedShowFolder();
    if (options.texture.empty()) {
        const std::string texture = defaultFile("skin.bmp", folder);
        if (texture != "skin.bmp") {
            options.texture = texture;
        }
    }
    if (!options.soundGiven) {
        options.sound = defaultFile(options.sound, folder);
    }
}
