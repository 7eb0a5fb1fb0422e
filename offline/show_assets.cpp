#include "offline/show_assets.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

bool isDirectory(const std::string& path) {
    struct stat s = {};
    return stat(path.c_str(), &s) == 0 && S_ISDIR(s.st_mode);
}

bool isRegularFile(const std::string& path) {
    struct stat s = {};
    return stat(path.c_str(), &s) == 0 && S_ISREG(s.st_mode);
}

// Anything of that name in the working directory, a link to nothing included: the show would
// try to read it, so it is the working directory's file, readable or not.
bool inWorkingDirectory(const std::string& name) {
    struct stat s = {};
    return lstat(name.c_str(), &s) == 0;
}

// The path of the running executable; empty where /proc is not mounted.
std::string executablePath() {
    std::vector<char> path(4096);
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) {
        return "";
    }
    return std::string(path.data(), static_cast<std::size_t>(length));
}

// The installed file of that name where the working directory has none, else the name itself.
std::string defaultFile(const std::string& name, const std::string& folder) {
    if (inWorkingDirectory(name) || folder.empty() || !isRegularFile(folder + "/" + name)) {
        return name;
    }
    return folder + "/" + name;
}

}  // namespace

std::string installedShowFolder() {
    const std::string executable = executablePath();
    const std::size_t slash = executable.rfind('/');
    if (slash == std::string::npos) {
        return "";
    }
    // <prefix>/bin/pp-render -> <prefix>/share/pp; the path is the link's target, so a link
    // to pp-render elsewhere still finds its installation.
    const std::string binFolder = executable.substr(0, slash);
    const std::size_t parent = binFolder.rfind('/');
    if (parent == std::string::npos) {
        return "";
    }
    const std::string folder = binFolder.substr(0, parent) + "/share/pp";
    return isDirectory(folder) ? folder : "";
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
