// Reading and seeking over a stream or a block of memory for the bitmap reader.
#include "image/bitmap_source.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cstring>
#include <limits>

ByteSource streamSource(std::FILE* file) {
    ByteSource source = {file, nullptr, 0, 0, false};
    off_t at = ftello(file);
    source.pos = at > 0 ? static_cast<uint64_t>(at) : 0;
    return source;
}

ByteSource memorySource(const uint8_t* data, size_t size) {
    return {nullptr, data, data != nullptr ? size : 0, 0, false};
}

size_t sourceRead(ByteSource& source, void* dst, size_t n) {
    size_t got = 0;
    if (source.file == nullptr) {
        uint64_t left = source.pos < source.size ? source.size - source.pos : 0;
        got = n < left ? n : static_cast<size_t>(left);
        if (got > 0) {
            std::memcpy(dst, source.data + source.pos, got);
        }
    } else if (!source.lost) {
        got = std::fread(dst, 1, n, source.file);
    }
    source.pos += got;
    return got;
}

void sourceSeek(ByteSource& source, uint64_t offset) {
    source.pos = offset;
    if (source.file == nullptr) {
        return;
    }
    // Offsets come from 32-bit header fields, so they always fit a 64-bit off_t. Where a stream
    // cannot seek (past the end of a memory stream, a pipe) it yields nothing until the next
    // seek that succeeds, as reading from memory past the end does.
    source.lost = offset > static_cast<uint64_t>(std::numeric_limits<off_t>::max()) ||
                  fseeko(source.file, static_cast<off_t>(offset), SEEK_SET) != 0;
}

uint64_t sourceRemaining(const ByteSource& source) {
    uint64_t size = source.size;
    if (source.file != nullptr) {
        struct stat status;
        const int descriptor = fileno(source.file);
        if (descriptor < 0 || fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
            return UINT64_MAX;
        }
        size = static_cast<uint64_t>(status.st_size);
    }
    return source.pos < size ? size - source.pos : 0;
}

const uint8_t* sourceView(ByteSource& source, uint8_t* scratch, size_t n, size_t& got) {
    if (source.file != nullptr) {
        got = sourceRead(source, scratch, n);
        return scratch;
    }
    uint64_t left = source.pos < source.size ? source.size - source.pos : 0;
    got = n < left ? n : static_cast<size_t>(left);
    const uint8_t* bytes = source.data + (got > 0 ? source.pos : 0);
    source.pos += got;
    return bytes;
}
