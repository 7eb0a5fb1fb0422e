// Opening the show's fixed input files on Windows.
#include <sys/stat.h>
#include <sys/types.h>

#include "image/regular_file.h"

std::FILE* openRegularFile(const char* path) {
    // Windows keeps no FIFOs among files (named pipes have a namespace of their own), and
    // opening a folder fails, so opening never waits. What is left to refuse is a name that
    // opens a device, such as NUL or CON, whose reads would give nothing or wait for the
    // console.
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return nullptr;
    }
    struct _stat64 status = {};
    if (_fstat64(_fileno(file), &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}
