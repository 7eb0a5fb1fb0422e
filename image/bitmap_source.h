// Where the bitmap reader takes its bytes from: an open stream or a whole file in memory, with
// the current offset from the start of the file kept alongside (run-length data depends on it).
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

// How far back a stream that cannot seek can still go. The reader reads the largest info
// header and a whole palette before it knows where the palette and the pixels really start,
// and then goes back over the bytes it read too far: at most a palette and a header's worth in
// any file whose parts do not overlap.
constexpr size_t kSourceReplayBytes = 4096;

struct ByteSource {
    std::FILE* file;      // the stream, or null when reading from memory
    const uint8_t* data;  // the file's bytes when reading from memory
    uint64_t size;        // how many bytes data holds
    uint64_t pos;         // current offset from the start of the file
    bool lost;            // the last stream seek failed: nothing can be read
    // The stream was asked to go back further than it can: the bytes that followed are not the
    // file's. Stays set; the picture read is not the file's picture.
    bool failed;
    // A stream that cannot seek (a pipe, a terminal, a socket) is read straight through: a move
    // forward reads and drops the bytes in between, a move back is served from replay.
    bool piped;
    uint64_t streamPos;                  // offset of the next byte the piped stream delivers
    uint8_t replay[kSourceReplayBytes];  // its latest bytes, each at its offset modulo the size
};

// A stream positioned at the start of a bitmap file: offsets count from there.
ByteSource streamSource(std::FILE* file);
ByteSource memorySource(const uint8_t* data, size_t size);

// Copies up to n bytes to dst and returns how many there were.
size_t sourceRead(ByteSource& source, void* dst, size_t n);
// Moves to an absolute offset; an offset past the end leaves nothing to read. On a stream that
// cannot seek, an offset more than kSourceReplayBytes behind the furthest byte read sets
// failed and lost, and errno to ESPIPE.
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
    if (source.piped) {
        uint8_t byte = 0;
        return sourceRead(source, &byte, 1) == 1 ? byte : -1;
    }
    int c = std::getc(source.file);
    if (c == EOF) {
        return -1;
    }
    ++source.pos;
    return c;
}
