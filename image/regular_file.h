// Opening the show's fixed input files without waiting on them.
#pragma once
#include <cstdio>

// Opens path for reading only when it is a regular file (or a link to one). A FIFO that nobody
// writes to, a device or a directory gives null at once, as a missing file does, so the show
// starts without it instead of waiting in open or read. The stream is closed with fclose.
std::FILE* openRegularFile(const char* path);
