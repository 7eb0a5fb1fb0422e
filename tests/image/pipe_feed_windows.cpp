// A pipe already filled with the bytes, on Windows: the C runtime's pipe, made large enough to
// hold the whole file, so that no second thread has to feed it (this compiler's standard
// library has no std::thread, and a system thread per load costs milliseconds under Wine).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>

#include "tests/image/bitmap_test_support.h"

bool loadThroughPipe(BitmapImage& image, const Bytes& file) {
    int ends[2];
    EXPECT_EQ(_pipe(ends, static_cast<unsigned>(file.size()) + 1, _O_BINARY | _O_NOINHERIT), 0);
    if (!file.empty()) {
        EXPECT_EQ(_write(ends[1], file.data(), static_cast<unsigned>(file.size())),
                  static_cast<int>(file.size()));
    }
    _close(ends[1]);
    std::FILE* stream = _fdopen(ends[0], "rb");
    EXPECT_NE(stream, nullptr);
    const bool loaded = stream != nullptr && loadBitmapFromStream(image, stream);
    if (stream != nullptr) {
        std::fclose(stream);
    }
    return loaded;
}
