#include "offline/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>

#include "offline/stop_signal.h"

namespace {

// The directory a file is in, "." for a name without one.
std::string directoryOf(const std::string& path) {
    const std::string directory = std::filesystem::path(path).parent_path();
    return directory.empty() ? "." : directory;
}

}  // namespace

// Names that stand for a descriptor the program already holds: writing to them means writing
// to that descriptor, with its own offset and append mode, not opening the file behind it
// anew. -1 for any other name.
int heldOutputDescriptor(const std::string& path) {
    if (path == "-" || path == "/dev/stdout") {
        return STDOUT_FILENO;
    }
    if (path == "/dev/stderr") {
        return STDERR_FILENO;
    }
    for (const std::string prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        const std::string number = path.substr(std::min(prefix.size(), path.size()));
        if (path.compare(0, prefix.size(), prefix) == 0 && !number.empty() && number.size() <= 6 &&
            number.find_first_not_of("0123456789") == std::string::npos) {
            return std::stoi(number);
        }
    }
    return -1;
}

namespace {

// Creates the temporary ".NAME.XXXXXX" beside target with the permission bits given. The name
// part is cut short so that the temporary's name stays within the file system's limit.
bool createTemporary(OutputFile& output, mode_t permissions, std::string& error) {
    const std::size_t base = output.target.rfind('/') + 1;  // 0 without a directory
    std::string name =
        output.target.substr(0, base) + "." + output.target.substr(base, 200) + ".XXXXXX";
    const int descriptor = mkostemp(&name[0], O_CLOEXEC);
    if (descriptor < 0) {
        error = "cannot create " + output.name + ": " + std::strerror(errno);
        return false;
    }
    output.descriptor = descriptor;
    output.temporary = name;
    output.closeWhenDone = true;
    removeOnFatalSignal(name);
    // mkostemp makes the file for its owner alone.
    if (fchmod(descriptor, permissions) != 0) {
        // The file's readers would change; better to leave it as it is.
        error = "cannot give " + output.name + " its permissions: " + std::strerror(errno);
        abandonOutput(output);
        return false;
    }
    return true;
}

// A FIFO, a device or a socket, written as it is.
bool openStraightThrough(const std::string& path, OutputFile& output, std::string& error) {
    // No O_CREAT and no O_TRUNC: this never makes or shortens a file.
    const int descriptor = open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0) {
        error = "cannot write to " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat opened = {};
    if (fstat(descriptor, &opened) != 0 || S_ISREG(opened.st_mode)) {
        // Replaced by a regular file since it was looked at: not one to write over in place.
        close(descriptor);
        error = path + " changed while it was being opened; try again";
        return false;
    }
    output.descriptor = descriptor;
    output.closeWhenDone = true;
    return true;
}

// Standard output and error are written as they are; another descriptor the program holds is
// duplicated, so that closing the output leaves the original open.
bool openHeldDescriptor(int held, const std::string& path, OutputFile& output, std::string& error) {
    if (held == STDOUT_FILENO || held == STDERR_FILENO) {
        output.descriptor = held;
        return true;
    }
    output.descriptor = fcntl(held, F_DUPFD_CLOEXEC, 3);
    if (output.descriptor < 0) {
        error = "cannot write to " + path + ": " + std::strerror(errno);
        return false;
    }
    output.closeWhenDone = true;
    return true;
}

// Whether the user could replace the existing file with the shell's ">": refused now rather than
// when the finished file is to take its place. Write permission on the file itself, and, in a
// sticky directory such as /tmp, owning the file or the directory (or being root), without
// which the rename is refused.
bool mayReplace(const std::string& target, const struct stat& file, std::string& error) {
    if (access(target.c_str(), W_OK) != 0) {
        error = "cannot write to " + target + ": " + std::strerror(errno);
        return false;
    }
    const std::string directory = directoryOf(target);
    struct stat folder = {};
    const uid_t me = geteuid();
    if (stat(directory.c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) && me != 0 &&
        file.st_uid != me && folder.st_uid != me) {
        error = "cannot replace " + target +
                ": it belongs to another user, and in the sticky "
                "directory " +
                directory + " only they may replace it";
        return false;
    }
    return true;
}

// A regular file, or a link to one: the temporary that replaces the file (the link's target, so
// that the link is kept) gets the file's permission bits.
bool openReplacement(const std::string& path, bool isLink, const struct stat& file,
                     OutputFile& output, std::string& error) {
    std::error_code failed;
    output.target = isLink ? std::filesystem::canonical(path, failed).string() : path;
    if (failed) {
        error = "cannot write to " + path + ": " + failed.message();
        return false;
    }
    return mayReplace(output.target, file, error) &&
           createTemporary(output, file.st_mode & 0777, error);
}

}  // namespace

bool openOutput(const std::string& path, OutputFile& output, std::string& error) {
    output = OutputFile{};
    output.name = path == "-" ? "standard output" : path;

    const int held = heldOutputDescriptor(path);
    if (held >= 0) {
        return openHeldDescriptor(held, path, output, error);
    }
    if (path.empty() || path.back() == '/') {
        error = "cannot create " + path + ": it names a directory";
        return false;
    }
    struct stat link = {};
    if (lstat(path.c_str(), &link) != 0) {
        if (errno != ENOENT) {
            error = "cannot create " + path + ": " + std::strerror(errno);
            return false;
        }
        output.target = path;
        // The umask as it is now; read by setting it, and set back at once (no other thread
        // creates files while the output is opened).
        const mode_t mask = umask(0);
        umask(mask);
        return createTemporary(output, 0666 & ~mask, error);
    }
    struct stat file = {};
    if (stat(path.c_str(), &file) != 0) {
        error = errno == ENOENT ? path + " is a link to a file that does not exist"
                                : "cannot write to " + path + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISDIR(file.st_mode)) {
        error = "cannot write to " + path + ": it is a directory";
        return false;
    }
    if (!S_ISREG(file.st_mode)) {
        return openStraightThrough(path, output, error);
    }
    return openReplacement(path, S_ISLNK(link.st_mode), file, output, error);
}

bool sharesStandardError(int descriptor) {
    struct stat output = {};
    struct stat messages = {};
    if (fstat(descriptor, &output) != 0 || fstat(STDERR_FILENO, &messages) != 0) {
        return false;
    }
    return output.st_dev == messages.st_dev && output.st_ino == messages.st_ino &&
           (!S_ISCHR(output.st_mode) || isatty(descriptor));
}

bool writeOutput(OutputFile& output, const void* data, std::size_t size, std::string& error) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t written = write(output.descriptor, bytes, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            error =
                "could not write " + output.name + ": " + std::strerror(written < 0 ? errno : EIO);
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool commitOutput(OutputFile& output, bool sync, std::string& error) {
    if (output.descriptor < 0) {
        error = "could not write " + output.name + ": it is not open";
        return false;
    }
    if (output.temporary.empty()) {
        // Straight through: everything is already written; only a descriptor of its own closes.
        const int descriptor = output.descriptor;
        output.descriptor = -1;
        if (output.closeWhenDone && close(descriptor) != 0 && errno != EINTR) {
            error = "could not write " + output.name + ": " + std::strerror(errno);
            return false;
        }
        return true;
    }
    bool ok = !sync || fsync(output.descriptor) == 0;
    // Some file systems report failed writes only when the file is closed.
    ok = close(output.descriptor) == 0 && ok;
    output.descriptor = -1;
    ok = ok && rename(output.temporary.c_str(), output.target.c_str()) == 0;
    if (!ok) {
        error = "could not write " + output.name + ": " + std::strerror(errno);
        abandonOutput(output);
        return false;
    }
    output.temporary.clear();
    forgetFatalSignalFile();
    if (sync) {
        // The rename itself reaches the disk with its directory.
        const int descriptor =
            open(directoryOf(output.target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (descriptor >= 0) {
            fsync(descriptor);
            close(descriptor);
        }
    }
    return true;
}

void abandonOutput(OutputFile& output) {
    if (output.descriptor >= 0 && output.closeWhenDone) {
        close(output.descriptor);
    }
    output.descriptor = -1;
    if (!output.temporary.empty()) {
        unlink(output.temporary.c_str());
        output.temporary.clear();
        forgetFatalSignalFile();
    }
}
