// Reading and seeking over a stream or a block of memory for the bitmap reader.
#include "image/bitmap_source.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace {

// Keeps the last bytes that a piped stream delivered, which follow those kept before.
void keepForReplay(ByteSource& source, const uint8_t* bytes, size_t count) {
    if (count > kSourceReplayBytes) {
        bytes += count - kSourceReplayBytes;
        source.streamPos += count - kSourceReplayBytes;
        count = kSourceReplayBytes;
    }
    while (count > 0) {
        const size_t at = static_cast<size_t>(source.streamPos % kSourceReplayBytes);
        const size_t part = std::min(count, kSourceReplayBytes - at);
        std::memcpy(source.replay + at, bytes, part);
        bytes += part;
        count -= part;
        source.streamPos += part;
    }
}

// Reads and drops bytes until the piped stream has delivered everything before offset. False
// when the stream ends first.
bool skipTo(ByteSource& source, uint64_t offset) {
    uint8_t dropped[4096];
    while (source.streamPos < offset) {
        const size_t want =
            static_cast<size_t>(std::min<uint64_t>(sizeof dropped, offset - source.streamPos));
        const size_t got = std::fread(dropped, 1, want, source.file);
        keepForReplay(source, dropped, got);
        if (got < want) {
            return false;
        }
    }
    return true;
}

// Reading from a piped stream at pos: bytes already delivered come from replay (a seek made
// sure they are still held there), the rest straight from the stream.
size_t readPiped(ByteSource& source, uint8_t* dst, size_t n) {
    if (source.pos > source.streamPos && !skipTo(source, source.pos)) {
        return 0;
    }
    size_t got = 0;
    while (got < n && source.pos + got < source.streamPos) {
        const uint64_t from = source.pos + got;
        const size_t at = static_cast<size_t>(from % kSourceReplayBytes);
        const size_t part = static_cast<size_t>(
            std::min<uint64_t>({n - got, kSourceReplayBytes - at, source.streamPos - from}));
        std::memcpy(dst + got, source.replay + at, part);
        got += part;
    }
    if (got < n) {
        const size_t fresh = std::fread(dst + got, 1, n - got, source.file);
        keepForReplay(source, dst + got, fresh);
        got += fresh;
    }
    return got;
}

}  // namespace

ByteSource streamSource(std::FILE* file) {
    ByteSource source = {};
    source.file = file;
    const off_t at = ftello(file);
    source.piped = at < 0;
    source.pos = at > 0 ? static_cast<uint64_t>(at) : 0;
    return source;
}

ByteSource memorySource(const uint8_t* data, size_t size) {
    ByteSource source = {};
    source.data = data;
    source.size = data != nullptr ? size : 0;
    return source;
}

size_t sourceRead(ByteSource& source, void* dst, size_t n) {
    size_t got = 0;
    if (source.file == nullptr) {
        uint64_t left = source.pos < source.size ? source.size - source.pos : 0;
        got = n < left ? n : static_cast<size_t>(left);
        if (got > 0) {
            std::memcpy(dst, source.data + source.pos, got);
        }
    } else if (source.lost) {
        got = 0;
    } else if (source.piped) {
        got = readPiped(source, static_cast<uint8_t*>(dst), n);
    } else {
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
    if (source.piped) {
        // Forward moves happen at the next read. Going back works as far as replay reaches.
        const uint64_t oldest =
            source.streamPos > kSourceReplayBytes ? source.streamPos - kSourceReplayBytes : 0;
        source.lost = offset < oldest;
        if (source.lost) {
            source.failed = true;
            errno = ESPIPE;
        }
        return;
    }
    // Offsets come from 32-bit header fields, so they always fit a 64-bit off_t. Where a
    // seekable stream still cannot seek (past the end of a memory stream) it yields nothing
    // until the next seek that succeeds, as reading from memory past the end does.
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
