// A pipe fed by a thread of its own, on Linux.
#include "tests/image/pipe_feed.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include "tests/image/bitmap_test_support.h"

void openPipe(PipeFeed& feed, const Bytes& bytes) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    feed.writer = std::thread([&bytes, in = ends[1]] {
        // When the reader stops early the write fails instead of raising SIGPIPE.
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
        for (size_t at = 0; at < bytes.size();) {
            const ssize_t wrote = write(in, bytes.data() + at, bytes.size() - at);
            if (wrote <= 0) {
                break;
            }
            at += static_cast<size_t>(wrote);
        }
        close(in);
    });
    feed.stream = fdopen(ends[0], "rb");
    ASSERT_NE(feed.stream, nullptr);
}

void closePipe(PipeFeed& feed) {
    if (feed.stream != nullptr) {
        std::fclose(feed.stream);
        feed.stream = nullptr;
    }
    if (feed.writer.joinable()) {
        feed.writer.join();
    }
}

PipeFeed::~PipeFeed() {
    closePipe(*this);
}

bool loadThroughPipe(BitmapImage& image, const Bytes& file) {
    PipeFeed feed;
    openPipe(feed, file);
    const bool loaded = feed.stream != nullptr && loadBitmapFromStream(image, feed.stream);
    closePipe(feed);
    return loaded;
}
