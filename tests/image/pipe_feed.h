// A pipe that another thread fills with bytes, on Linux, for the tests of piped bitmaps.
#pragma once
#include <cstdio>
#include <thread>

#include "tests/support/test_data.h"

// The bytes must outlive the feed: a stream that cannot seek. The reader may stop early;
// closePipe ends both sides.
struct PipeFeed {
    ~PipeFeed();  // closes the pipe if the test has not
    std::FILE* stream = nullptr;
    std::thread writer;
};
void openPipe(PipeFeed& feed, const Bytes& bytes);
void closePipe(PipeFeed& feed);
