// Where the bitmap reader takes its bytes from: an open stream or a whole file in memory, with
// the current offset from the start of the file kept alongside (run-length data depends on it).
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

struct ByteSource {
    std::FILE* file;      // the stream, or null when reading from memory
    const uint8_t* data;  // the file's bytes when reading from memory
    uint64_t size;        // how many bytes data holds
    uint64_t pos;         // current offset from the start of the file
    bool lost;            // the last stream seek failed: nothing can be read
};

ByteSource streamSource(std::FILE* file);
ByteSource memorySource(const uint8_t* data, size_t size);

// Copies up to n bytes to dst and returns how many there were.
size_t sourceRead(ByteSource& source, void* dst, size_t n);
// Moves to an absolute offset; an offset past the end leaves nothing to read.
void sourceSeek(ByteSource& source, uint64_t offset);
// How many bytes lie between the current offset and the end of the file; for a stream that is
// not a regular file, as many as could ever be asked for.
uint64_t sourceRemaining(const ByteSource& source);
// Up to n bytes, available through the returned pointer, which points into memory or into
// scratch (n bytes) filled from the stream; got says how many arrived.
const uint8_t* sourceView(ByteSource& source, uint8_t* scratch, size_t n, size_t& got);

// The next byte, or -1 at the end.
inline int sourceByte(ByteSource& source) {
    if (source.file == nullptr) {
        return source.pos < source.size ? source.data[source.pos++] : -1;
    }
    if (source.lost) {
        return -1;
    }
    int c = std::getc(source.file);
    if (c == EOF) {
        return -1;
    }
    ++source.pos;
    return c;
}
