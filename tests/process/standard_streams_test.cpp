// The guard that makes sure descriptors 0, 1 and 2 are open before the program opens anything.
#include "process/standard_streams.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

int countOpenDescriptors() {
    int count = 0;
    for (int descriptor = 0; descriptor < 1024; ++descriptor) {
        count += fcntl(descriptor, F_GETFD) != -1 ? 1 : 0;
    }
    return count;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// In a child process: closes the standard descriptors named by the bits of closedMask, runs the
// guard and checks the outcome. Returns 0 when all is well, otherwise the number of the first
// check that failed (the child cannot use the test framework's assertions).
int checkInChild(int closedMask, const std::string& scratch) {
    struct stat null = {};
    struct stat before[3] = {};
    if (stat("/dev/null", &null) != 0) {
        return 1;
    }
    for (int d = 0; d <= 2; ++d) {
        if (fstat(d, &before[d]) != 0) {
            return 2;
        }
    }
    const int openBefore = countOpenDescriptors();
    for (int d = 0; d <= 2; ++d) {
        if ((closedMask >> d & 1) != 0) {
            close(d);
        }
    }
    if (!openStandardDescriptors()) {
        return 3;
    }
    for (int d = 0; d <= 2; ++d) {
        struct stat now = {};
        if (fstat(d, &now) != 0) {
            return 4;  // still closed
        }
        const bool closed = (closedMask >> d & 1) != 0;
        if (!sameFile(now, closed ? null : before[d])) {
            return 5;  // a closed one not on /dev/null, or an open one replaced
        }
    }
    if (countOpenDescriptors() != openBefore) {
        return 6;  // a descriptor above 2 left open
    }
    // What goes to standard error must not land in the next file the program opens.
    const int file = open(scratch.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    if (file <= 2) {
        return 7;
    }
    if ((closedMask & 4) != 0 && write(2, "diagnostic", 10) != 10) {
        return 8;
    }
    struct stat written = {};
    if (fstat(file, &written) != 0 || written.st_size != 0) {
        return 9;
    }
    close(file);
    unlink(scratch.c_str());
    return 0;
}

}  // namespace

TEST(StandardDescriptors, EveryClosedOneGoesToDevNullAndOpenOnesStay) {
    for (int closedMask = 0; closedMask < 8; ++closedMask) {
        const std::string scratch = ::testing::TempDir() + "pp_streams_" +
                                    std::to_string(getpid()) + "_" + std::to_string(closedMask);
        const pid_t child = fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            _exit(checkInChild(closedMask, scratch));
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "closed descriptors (bits): " << closedMask;
    }
}
